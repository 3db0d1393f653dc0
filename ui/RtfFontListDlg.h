// The RTF font list: one line per row of the application's font table, each
// edited through the font picker and written back on OK.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "framework/Dialog.h"
#include "framework/ListCtrl.h"

class CRtfFontListDlg : public CDialog {
public:
    explicit CRtfFontListDlg(CWnd* pParentWnd = nullptr);
    ~CRtfFontListDlg() override;

    // Line i stands for table row i; its cells are the working copy.
    CListCtrl m_list;

    BOOL OnInitDialog() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

private:
    void InsertColumns();
    void OnDblclkFontList(NMHDR* pNMHDR, LRESULT* pResult);
    void OnDpiChanged(UINT nDpi);
    void SetLineCells(int nLine, unsigned nSize, const char* pszFace) const;

    // The DPI the column widths are set for.
    UINT m_nDpi = USER_DEFAULT_SCREEN_DPI;
};
