// Modal dialogs built on numbered dialog templates.
//
// A caller constructs the dialog on its stack, sets its public members, runs
// DoModal and reads the members back only when the result is IDOK.
//
// The dialog window is subclassed while it exists, so the object sees every
// message first through OnWndMsg: a derived dialog writes its message map as a
// switch there, handles what it wants (returning TRUE with *pResult set) and
// hands everything else to its base class's OnWndMsg. What no OnWndMsg handles
// gets the dialog manager's default processing.
#pragma once

#include <windows.h>

#include "framework/Wnd.h"

class CDataExchange;

class CDialog : public CWnd {
public:
    // pParentWnd null: the owner is the last active pop-up of the
    // application's main window (none when this dialog is the main window).
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Creates the dialog from its template in the resource module, disables
    // the owner while it runs, centres a dialog whose template is not visible
    // over its owner, runs the modal loop until EndDialog and returns its
    // result; -1 when the template cannot be created or WM_QUIT ended the
    // loop (WM_QUIT is posted again for the loop outside).
    INT_PTR DoModal();
    void EndDialog(int nResult);

    // Runs DoDataExchange in one direction. Saving stops at the first field
    // that fails validation and returns FALSE; that field then has the focus.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    // TRUE: a tooltip control whose tools are the dialog's child windows
    // (TTF_IDISHWND, texts LPSTR_TEXTCALLBACK), in the dialog's font. Their texts are asked from the
    // dialog with WM_NOTIFY TTN_NEEDTEXTW (a TOOLTIPTEXTW whose idFrom is the
    // child's handle). FALSE deactivates it.
    BOOL EnableToolTips(BOOL bEnable = TRUE);
    HWND GetToolTipCtrl() const { return m_hWndToolTip; }

    // Offered every message of the modal loop before it is dispatched;
    // TRUE: the message was consumed. By default the dialog manager's
    // keyboard handling (IsDialogMessageW).
    virtual BOOL PreTranslateMessage(MSG* pMsg);

    // WM_INITDIALOG. Loads the controls (UpdateData(FALSE)); TRUE lets the
    // dialog manager give the focus to the first tab stop.
    virtual BOOL OnInitDialog();

protected:
    // IDOK: UpdateData(TRUE), then EndDialog(IDOK) only when it succeeded.
    virtual void OnOK();
    // IDCANCEL, Esc and the close box: EndDialog(IDCANCEL).
    virtual void OnCancel();
    // Calls the DDX_/DDV_ functions of framework/DataExchange.h.
    virtual void DoDataExchange(CDataExchange* pDX);

    // The message map. The base handles WM_INITDIALOG and BN_CLICKED of IDOK
    // and IDCANCEL.
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

    // The default processing of the message being handled now (0 outside a
    // handler). Handlers may call it first and then add their own work.
    LRESULT Default();

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

private:
    struct CurrentMessage {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };

    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK CreationHook(int nCode, WPARAM wParam, LPARAM lParam);

    HWND FindOwner() const;
    BOOL CreateFromTemplate(HWND hOwner);
    void Subclass(HWND hWnd);
    void Unsubclass();
    void CenterWindow(HWND hOwner) const;
    void FitToolTipToDialog() const;
    void RunModalLoop();

    WNDPROC m_pfnSuper = nullptr;
    CurrentMessage m_current{};
    HWND m_hWndToolTip = nullptr;
    INT_PTR m_nModalResult = -1;
    bool m_bEndModal = false;
};
