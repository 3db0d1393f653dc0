#include "framework/ComboBox.h"

#include "framework/Cp932.h"

int CComboBox::AddString(const char* pszText) const
{
    return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(FromCp932(pszText).c_str())));
}

std::string CComboBox::GetLBText(int nIndex) const
{
    const LRESULT length = SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(nIndex));
    if (length == CB_ERR) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied = SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied == CB_ERR ? 0 : static_cast<std::size_t>(copied));
    return ToCp932(text);
}
