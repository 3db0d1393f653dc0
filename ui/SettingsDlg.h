// The settings dialog: the main window's four on/off settings, a hint line
// for the control under the pointer, and the way to the RTF font list.
#pragma once

#include "framework/Dialog.h"

class CSettingsDlg : public CDialog {
public:
    explicit CSettingsDlg(CWnd* pParentWnd = nullptr);
    ~CSettingsDlg() override;

    int m_bAutoConvert = 0;
    int m_bSleepMinimized = 0;
    int m_bTopMost = 0;
    int m_bAddRtf = 0;
    // String id of the hint now shown in the hint line.
    int m_nHintId;

    BOOL OnInitDialog() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

private:
    LRESULT OnSetCursor(HWND hWndUnderPointer);
    void OnClickedAuto();
    void OnClickedFont();
    void EnableSleepCheck() const;
};
