// The About box: name, version, the maker's lines and a home-page link.
#pragma once

#include <windows.h>

#include "framework/Dialog.h"

// The shell call behind the link; tests point it elsewhere so that no browser
// opens.
using ShellExecuteAProc = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
extern ShellExecuteAProc g_pfnShellExecute;

class CAboutDlg : public CDialog {
public:
    CAboutDlg();

protected:
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

private:
    LRESULT OnSetCursor(HWND hWndUnderPointer);
    void OnClickedLink() const;
};
