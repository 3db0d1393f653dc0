// Data exchange between a dialog's members and its controls, called from
// CDialog::DoDataExchange. Each DDX_ function loads the control from the
// member when m_bSaveAndValidate is FALSE and stores the control's state into
// the member when it is TRUE. DDV_ functions check the value just stored and
// run only when saving.
//
// A failing field shows the framework's message in a message box titled with
// the application's name, gets the focus (an edit control with its whole text
// selected) and ends the exchange: UpdateData returns FALSE.
#pragma once

#include <windows.h>

#include <string>

class CDialog;
class CWnd;

class CDataExchange {
public:
    CDataExchange(CDialog* pDlgWnd, BOOL bSaveAndValidate);

    // The control with that id; it becomes the field a failure points at.
    HWND PrepareCtrl(int nIDC);
    HWND PrepareEditCtrl(int nIDC);

    // Focuses the last prepared field and ends the exchange.
    [[noreturn]] void Fail();

    BOOL m_bSaveAndValidate;
    CDialog* m_pDlgWnd;

private:
    HWND m_hWndLastControl = nullptr;
    bool m_bEditLastControl = false;
};

// Thrown by CDataExchange::Fail and caught by CDialog::UpdateData.
struct CDataExchangeFailure {};

// Combo box selection index (-1: none).
void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index);
// Check state: 0, 1, or 2 (indeterminate); a loaded value outside 0..2 shows
// as unchecked.
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
// A whole number, shown as "%d"; saving refuses text that is not one
// (surrounding blanks allowed) or does not fit an int.
void DDX_Text(CDataExchange* pDX, int nIDC, int& value);
// Code page 932 text.
void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value);
// A hotkey control's key: virtual key in the low byte, HOTKEYF_ flags in the
// high byte, 0 for none.
void DDX_HotKey(CDataExchange* pDX, int nIDC, WORD& value);
// Points the wrapper at the control (every time, so a dialog run again gets
// its new control).
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
// Refuses a value outside minVal..maxVal.
void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal);
