// The settings dialog: the main window's four on/off settings, a hint line
// for the control under the pointer, the way to the RTF font list, and the
// two system-wide keys, each marked while another program has it.
#pragma once

#include "framework/Dialog.h"

class CHotKeys;

class CSettingsDlg : public CDialog {
public:
    explicit CSettingsDlg(CWnd* pParentWnd = nullptr);
    ~CSettingsDlg() override;

    int m_bAutoConvert = 0;
    int m_bSleepMinimized = 0;
    int m_bTopMost = 0;
    int m_bAddRtf = 0;
    WORD m_wConvertHotKey = 0;
    WORD m_wRepairHotKey = 0;
    // The window's keys: OK makes the chosen ones its own, and keeps the
    // dialog open once to show a key that could not be. Null: no keys are
    // registered.
    CHotKeys* m_pHotKeys = nullptr;
    // String id of the hint now shown in the hint line.
    int m_nHintId;

    BOOL OnInitDialog() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

private:
    LRESULT OnSetCursor(HWND hWndUnderPointer);
    void OnClickedAuto();
    void OnClickedFont();
    void EnableSleepCheck() const;
    // Shows the marks of the taken keys; true when one is new to the user.
    bool ShowTakenKeys();

    // The keys whose marks are shown, 0 for none.
    WORD m_wShownConvertTaken = 0;
    WORD m_wShownRepairTaken = 0;
};
