// A combo box control; its item texts cross as code page 932.
#pragma once

#include "framework/Wnd.h"

class CComboBox : public CWnd {
public:
    CComboBox() = default;
    explicit CComboBox(HWND hWnd) : CWnd(hWnd) {}

    int AddString(const char* pszText) const;
    int SetItemData(int nIndex, DWORD_PTR data) const
    {
        return static_cast<int>(SendMessage(CB_SETITEMDATA, static_cast<WPARAM>(nIndex), static_cast<LPARAM>(data)));
    }
    DWORD_PTR GetItemData(int nIndex) const
    {
        return static_cast<DWORD_PTR>(SendMessage(CB_GETITEMDATA, static_cast<WPARAM>(nIndex)));
    }
    int GetCount() const { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
    int GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
    int SetCurSel(int nIndex) const { return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(nIndex))); }
    BOOL GetDroppedState() const { return static_cast<BOOL>(SendMessage(CB_GETDROPPEDSTATE)); }
    std::string GetLBText(int nIndex) const;
};
