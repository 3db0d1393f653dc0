#include "framework/BalloonTip.h"

#include <commctrl.h>

namespace {

constexpr UINT_PTR kToolId = 1;
// Not one of the timers the tooltip control sets on itself.
constexpr UINT_PTR kHideTimerId = 0xBA11;

// The one tool: a tracked tip, placed where it is told.
TTTOOLINFOW Tool(HWND hTip, const wchar_t* pszText = nullptr)
{
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    tool.hwnd = ::GetWindow(hTip, GW_OWNER);
    tool.uId = kToolId;
    tool.lpszText = const_cast<wchar_t*>(pszText);
    return tool;
}

void Deactivate(HWND hTip)
{
    TTTOOLINFOW tool = Tool(hTip);
    ::SendMessageW(hTip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
}

void CALLBACK HideWhenDue(HWND hTip, UINT, UINT_PTR nId, DWORD)
{
    ::KillTimer(hTip, nId);
    Deactivate(hTip);
}

} // namespace

void CBalloonTip::Show(HWND hControl, const std::wstring& text, UINT nShowMs)
{
    const HWND owner = ::GetAncestor(hControl, GA_ROOT);
    if (m_hWnd == nullptr || !::IsWindow(m_hWnd)) {
        m_hWnd = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                   WS_POPUP | TTS_BALLOON | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, nullptr, nullptr);
        if (m_hWnd == nullptr) {
            return;
        }
        TTTOOLINFOW tool = Tool(m_hWnd, L"");
        ::SendMessageW(m_hWnd, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    Hide();
    // The window's font has the characters of its language; the system's
    // tooltip font may not (under Wine it has no Japanese). A long text
    // wraps at the window's width.
    ::SendMessageW(m_hWnd, WM_SETFONT, ::SendMessageW(owner, WM_GETFONT, 0, 0), FALSE);
    RECT window;
    ::GetWindowRect(owner, &window);
    ::SendMessageW(m_hWnd, TTM_SETMAXTIPWIDTH, 0, window.right - window.left);
    TTTOOLINFOW tool = Tool(m_hWnd, text.c_str());
    ::SendMessageW(m_hWnd, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    // The stem points at the middle of the control's lower edge.
    RECT control;
    ::GetWindowRect(hControl, &control);
    ::SendMessageW(m_hWnd, TTM_TRACKPOSITION, 0, MAKELPARAM((control.left + control.right) / 2, control.bottom));
    ::SendMessageW(m_hWnd, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
    ::SetTimer(m_hWnd, kHideTimerId, nShowMs, &HideWhenDue);
}

void CBalloonTip::Hide() const
{
    if (m_hWnd != nullptr && ::IsWindow(m_hWnd)) {
        ::KillTimer(m_hWnd, kHideTimerId);
        Deactivate(m_hWnd);
    }
}
