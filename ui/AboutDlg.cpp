#include "ui/AboutDlg.h"

#include <shellapi.h>

#include "framework/WinApp.h"
#include "res/maker.h"
#include "res/resource.h"

ShellExecuteAProc g_pfnShellExecute = ::ShellExecuteA;

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

BOOL CAboutDlg::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message == WM_SETCURSOR) {
        *pResult = OnSetCursor(reinterpret_cast<HWND>(wParam));
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_LINK && HIWORD(wParam) == STN_CLICKED) {
        OnClickedLink();
        *pResult = 0;
        return TRUE;
    }
    return CDialog::OnWndMsg(message, wParam, lParam, pResult);
}

// The hand over the link only; everywhere else the window's own cursor.
LRESULT CAboutDlg::OnSetCursor(HWND hWndUnderPointer)
{
    if (hWndUnderPointer != GetDlgItem(IDC_LINK).m_hWnd) {
        return Default();
    }
    ::SetCursor(::LoadCursorW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDC_HAND_CURSOR)));
    return TRUE;
}

// The box stays open; a failed open is not reported.
void CAboutDlg::OnClickedLink() const
{
    g_pfnShellExecute(nullptr, "open", PELISAN_HOMEPAGE, nullptr, nullptr, SW_SHOWNORMAL);
}
