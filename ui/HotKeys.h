// The window's two system-wide keys, held while it runs. A key another
// program holds is not lost: it stays the setting and is reported as taken.
#pragma once

#include <windows.h>

#include "app/WindowAction.h"

class CHotKeys {
public:
    // Makes the keys the window's (WM_HOTKEY, wParam the action) in place of
    // those it held; 0 holds none.
    void Register(HWND hWnd, WORD wConvert, WORD wRepair);
    // The same for the window of the last Register.
    void Change(WORD wConvert, WORD wRepair);
    void Unregister();
    // The key of the action could not be registered: another program has it.
    bool IsTaken(WindowAction action) const;

private:
    bool RegisterOne(WindowAction action, WORD wHotKey) const;

    HWND m_hWnd = nullptr;
    bool m_bConvertTaken = false;
    bool m_bRepairTaken = false;
};
