#include "framework/Dialog.h"

#include <commctrl.h>

#include <algorithm>

#include "framework/DataExchange.h"
#include "framework/WinApp.h"

namespace {

// The dialog whose window the creation hook is waiting for.
CDialog* g_pDialogInCreation = nullptr;

// The dialog manager reaches this only for messages the object left to it.
INT_PTR CALLBACK NoDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

} // namespace

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog()
{
    if (m_hWnd != nullptr) {
        ::DestroyWindow(m_hWnd);
    }
}

HWND CDialog::FindOwner() const
{
    if (m_pParentWnd != nullptr) {
        return m_pParentWnd->m_hWnd;
    }
    const CWinApp* app = AfxGetApp();
    if (app == nullptr || app->m_pMainWnd == nullptr || app->m_pMainWnd == this ||
        app->m_pMainWnd->m_hWnd == nullptr) {
        return nullptr;
    }
    return ::GetLastActivePopup(app->m_pMainWnd->m_hWnd);
}

INT_PTR CDialog::DoModal()
{
    m_nModalResult = -1;
    m_bEndModal = false;
    const HWND owner = FindOwner();
    const bool disableOwner = owner != nullptr && ::IsWindowEnabled(owner);
    if (disableOwner) {
        ::EnableWindow(owner, FALSE);
    }
    if (CreateFromTemplate(owner) && !m_bEndModal) {
        if (!::IsWindowVisible(m_hWnd)) {
            CenterWindow(owner);
            ::ShowWindow(m_hWnd, SW_SHOW);
        }
        RunModalLoop();
    }
    // Enabled again before the dialog goes, so that activation returns to it.
    if (disableOwner) {
        ::EnableWindow(owner, TRUE);
    }
    if (m_hWnd != nullptr) {
        if (owner != nullptr && ::GetActiveWindow() == m_hWnd) {
            ::SetActiveWindow(owner);
        }
        ::DestroyWindow(m_hWnd);
    }
    return m_nModalResult;
}

BOOL CDialog::CreateFromTemplate(HWND hOwner)
{
    // The hook subclasses the dialog window as it is created, so the object
    // sees even the first messages (WM_SETFONT, WM_INITDIALOG).
    g_pDialogInCreation = this;
    const HHOOK hook = ::SetWindowsHookExW(WH_CBT, CreationHook, nullptr, ::GetCurrentThreadId());
    const HWND hWnd = ::CreateDialogParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(m_nIDTemplate), hOwner,
                                           NoDialogProc, 0);
    ::UnhookWindowsHookEx(hook);
    if (g_pDialogInCreation == this) {
        g_pDialogInCreation = nullptr;
        // Never seen by the hook: a window the object cannot run.
        if (hWnd != nullptr) {
            ::DestroyWindow(hWnd);
        }
    }
    return m_hWnd != nullptr;
}

LRESULT CALLBACK CDialog::CreationHook(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode == HCBT_CREATEWND && g_pDialogInCreation != nullptr) {
        // The dialog window is the first window its creation makes.
        CDialog* dialog = g_pDialogInCreation;
        g_pDialogInCreation = nullptr;
        dialog->Subclass(reinterpret_cast<HWND>(wParam));
    }
    return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
}

void CDialog::Subclass(HWND hWnd)
{
    m_hWnd = hWnd;
    m_hWndToolTip = nullptr;
    ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CDialog::WindowProc)));
}

void CDialog::Unsubclass()
{
    ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    ::SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
    m_hWnd = nullptr;
    m_hWndToolTip = nullptr;
}

LRESULT CALLBACK CDialog::WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialog* dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    // Messages nest (a handler's SendMessage comes back here): Default() must
    // keep meaning the message of the handler that calls it.
    const CurrentMessage outer = dialog->m_current;
    dialog->m_current = {message, wParam, lParam};
    LRESULT result = 0;
    if (!dialog->OnWndMsg(message, wParam, lParam, &result)) {
        result = dialog->Default();
    }
    dialog->m_current = outer;
    // At a new scale the dialog manager gives the dialog a new font and size.
    if (message == WM_DPICHANGED) {
        dialog->FitToolTipToDialog();
    }
    if (message == WM_NCDESTROY) {
        dialog->Unsubclass();
    }
    return result;
}

LRESULT CDialog::Default()
{
    if (m_hWnd == nullptr || m_current.message == 0) {
        return 0;
    }
    return ::CallWindowProcW(m_pfnSuper, m_hWnd, m_current.message, m_current.wParam, m_current.lParam);
}

BOOL CDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM, LRESULT* pResult)
{
    if (message == WM_INITDIALOG) {
        *pResult = OnInitDialog();
        return TRUE;
    }
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
        case IDOK:
            OnOK();
            return TRUE;
        case IDCANCEL:
            OnCancel();
            return TRUE;
        default:
            break;
        }
    }
    return FALSE;
}

void CDialog::RunModalLoop()
{
    MSG msg;
    while (!m_bEndModal && m_hWnd != nullptr) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            // The loop outside must see the quit request too.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            m_nModalResult = -1;
            return;
        }
        if (got == -1) {
            return;
        }
        if (!PreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

void CDialog::EndDialog(int nResult)
{
    m_nModalResult = nResult;
    m_bEndModal = true;
    // Wakes the loop when this runs inside a sent message, which
    // GetMessageW handles without returning.
    if (m_hWnd != nullptr) {
        ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
    }
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg)
{
    return ::IsDialogMessageW(m_hWnd, pMsg);
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (UpdateData(TRUE)) {
        EndDialog(IDOK);
    }
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    try {
        DoDataExchange(&dx);
    } catch (const CDataExchangeFailure&) {
        return FALSE;
    }
    return TRUE;
}

void CDialog::CenterWindow(HWND hOwner) const
{
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromWindow(hOwner != nullptr ? hOwner : m_hWnd, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT area = monitor.rcWork;
    RECT center = area;
    if (hOwner != nullptr && ::IsWindowVisible(hOwner) && !::IsIconic(hOwner)) {
        ::GetWindowRect(hOwner, &center);
    }
    RECT own;
    ::GetWindowRect(m_hWnd, &own);
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    // Kept on the owner's screen; when too large, its top left corner shows.
    const int x = std::max<int>(area.left, std::min<int>((center.left + center.right - width) / 2, area.right - width));
    const int y = std::max<int>(area.top, std::min<int>((center.top + center.bottom - height) / 2, area.bottom - height));
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CDialog::EnableToolTips(BOOL bEnable)
{
    if (m_hWnd == nullptr) {
        return FALSE;
    }
    if (m_hWndToolTip == nullptr) {
        if (!bEnable) {
            return TRUE;
        }
        // Owned by the dialog, so it goes with it.
        m_hWndToolTip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd,
                                          nullptr, AfxGetResourceHandle(), nullptr);
        if (m_hWndToolTip == nullptr) {
            return FALSE;
        }
        for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
            TTTOOLINFOW tool{};
            tool.cbSize = sizeof(tool);
            tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            tool.hwnd = m_hWnd;
            tool.uId = reinterpret_cast<UINT_PTR>(child);
            tool.lpszText = LPSTR_TEXTCALLBACKW;
            ::SendMessageW(m_hWndToolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        }
        FitToolTipToDialog();
    }
    ::SendMessageW(m_hWndToolTip, TTM_ACTIVATE, bEnable, 0);
    return TRUE;
}

// The tips explain the dialog in its own language, so they take its font:
// the system's tooltip font may lack those characters (under Wine it has no
// Japanese unless the prefix links a font to it). A long tip, such as a list
// of format names, wraps at the dialog's width: on one line it would run off
// the screen.
void CDialog::FitToolTipToDialog() const
{
    if (m_hWndToolTip != nullptr) {
        ::SendMessageW(m_hWndToolTip, WM_SETFONT, ::SendMessageW(m_hWnd, WM_GETFONT, 0, 0), FALSE);
        RECT window;
        ::GetWindowRect(m_hWnd, &window);
        ::SendMessageW(m_hWndToolTip, TTM_SETMAXTIPWIDTH, 0, window.right - window.left);
    }
}
