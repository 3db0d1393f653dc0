#include "framework/Wnd.h"

#include "framework/Cp932.h"

void CWnd::SetWindowText(const char* pszText) const
{
    ::SetWindowTextW(m_hWnd, FromCp932(pszText).c_str());
}

std::string CWnd::GetWindowText() const
{
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(m_hWnd)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(m_hWnd, text.data(), static_cast<int>(text.size()))));
    return ToCp932(text);
}
