#include "framework/DataExchange.h"

#include <commctrl.h>

#include <charconv>
#include <optional>
#include <string_view>

#include "framework/Cp932.h"
#include "framework/Dialog.h"
#include "framework/WinApp.h"

namespace {

constexpr wchar_t kParseIntMessage[] = L"整数を入力してください。";
constexpr wchar_t kIntRangeMessage[] = L"%1 から %2 までの整数を入力してください。";

void ShowValidationMessage(const CDataExchange* pDX, const std::wstring& text)
{
    const CWinApp* app = AfxGetApp();
    const std::wstring title = FromCp932(app != nullptr ? app->m_strAppName : std::string());
    ::MessageBoxW(pDX->m_pDlgWnd->m_hWnd, text.c_str(), title.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

void ReplaceArgument(std::wstring& text, std::wstring_view marker, int value)
{
    const std::size_t at = text.find(marker);
    if (at != std::wstring::npos) {
        text.replace(at, marker.size(), std::to_wstring(value));
    }
}

// A whole number in ASCII digits with an optional minus sign and blanks
// around it; nothing when the text is anything else (any byte of a
// double-byte character is outside ASCII) or the number does not fit an int.
std::optional<int> ParseWholeNumber(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

} // namespace

CDataExchange::CDataExchange(CDialog* pDlgWnd, BOOL bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd)
{
}

HWND CDataExchange::PrepareCtrl(int nIDC)
{
    m_hWndLastControl = ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC);
    m_bEditLastControl = false;
    return m_hWndLastControl;
}

HWND CDataExchange::PrepareEditCtrl(int nIDC)
{
    PrepareCtrl(nIDC);
    m_bEditLastControl = true;
    return m_hWndLastControl;
}

void CDataExchange::Fail()
{
    if (m_bSaveAndValidate && m_hWndLastControl != nullptr) {
        ::SetFocus(m_hWndLastControl);
        if (m_bEditLastControl) {
            ::SendMessageW(m_hWndLastControl, EM_SETSEL, 0, -1);
        }
    }
    throw CDataExchangeFailure();
}

void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index)
{
    const HWND control = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        index = static_cast<int>(::SendMessageW(control, CB_GETCURSEL, 0, 0));
    } else {
        ::SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value)
{
    const HWND control = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        value = static_cast<int>(::SendMessageW(control, BM_GETCHECK, 0, 0));
    } else {
        const int shown = value >= 0 && value <= 2 ? value : 0;
        ::SendMessageW(control, BM_SETCHECK, static_cast<WPARAM>(shown), 0);
    }
}

void DDX_HotKey(CDataExchange* pDX, int nIDC, WORD& value)
{
    const HWND control = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        value = LOWORD(::SendMessageW(control, HKM_GETHOTKEY, 0, 0));
    } else {
        ::SendMessageW(control, HKM_SETHOTKEY, value, 0);
    }
}

void DDX_Text(CDataExchange* pDX, int nIDC, int& value)
{
    const HWND control = pDX->PrepareEditCtrl(nIDC);
    if (!pDX->m_bSaveAndValidate) {
        ::SetWindowTextW(control, std::to_wstring(value).c_str());
        return;
    }
    const std::optional<int> parsed = ParseWholeNumber(CWnd(control).GetWindowText());
    if (!parsed) {
        ShowValidationMessage(pDX, kParseIntMessage);
        pDX->Fail();
    }
    value = *parsed;
}

void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value)
{
    const HWND control = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        value = CWnd(control).GetWindowText();
    } else {
        CWnd(control).SetWindowText(value.c_str());
    }
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    rControl.m_hWnd = pDX->PrepareCtrl(nIDC);
}

void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal)
{
    if (!pDX->m_bSaveAndValidate || (value >= minVal && value <= maxVal)) {
        return;
    }
    std::wstring text = kIntRangeMessage;
    ReplaceArgument(text, L"%1", minVal);
    ReplaceArgument(text, L"%2", maxVal);
    ShowValidationMessage(pDX, text);
    pDX->Fail();
}
