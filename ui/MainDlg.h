// The main window: a clipboard viewer with the code page list, the text lamp,
// Convert, Repair and Settings; converts automatically after copies made
// elsewhere, and does Convert or Repair on its system-wide keys.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "app/ExitStatus.h"
#include "app/MainSettings.h"
#include "core/ConversionPass.h"
#include "framework/BalloonTip.h"
#include "framework/ComboBox.h"
#include "framework/Dialog.h"
#include "ui/ClipboardWatch.h"
#include "ui/HotKeys.h"
#include "ui/TrayNotice.h"

class CMainDlg : public CDialog, public MainSettings {
public:
    // The seven settings fields are the application's to set before DoModal.
    CMainDlg();
    ~CMainDlg() override;

    HWND m_hNextViewer = nullptr;
    int m_nCodePageIndex = -1;
    HICON m_hIcon;
    BOOL m_bReady = 0;

    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL OnInitDialog() override;

    // 1 when the clipboard offers text; the lamp is repainted to match.
    BOOL UpdateIndicator();
    void PaintIndicator(int nID, COLORREF color) const;
    void UpdateTitle() const;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    // Enter must not close the window.
    void OnOK() override;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    void OnSysCommand(UINT nID);
    void OnContextMenu(LPARAM lParam);
    void OnPaint();
    void OnDestroy();
    void OnSettings();
    void OnConvert();
    void OnRepair();
    // A system-wide key, or another process's request: the action, told
    // at its button, or from the notification area while minimised, or
    // answered to hReplyTo, the asking process's window (app/WindowAction.h).
    void OnAction(WPARAM nAction, HWND hReplyTo);
    void OnDrawClipboard();
    void OnChangeCbChain(HWND hWndRemove, HWND hWndAfter);
    void OnUnannouncedChange();
    BOOL OnToolTipNotify(NMTTDISPINFOW* pTTT) const;

private:
    // What Convert and Repair work with: the selected code page and its font row.
    struct Selection {
        UINT nCodePage;
        const char* pszFaceName;
        int nPointSize;
    };
    // False when the list selects nothing.
    bool Select(Selection& selection);
    // The lamp, then a pass or the passing on of the notification.
    void HandleClipboardChange();
    // A pass with the selected code page and its font row.
    PassResult RunPass(PassMode mode, PassReport* pReport);
    // What Convert or Repair did: the status a command-line run would end
    // with, and the words, empty when the list selects nothing.
    struct ActionResult {
        ExitStatus status;
        std::wstring strWhat;
    };
    ActionResult Convert();
    ActionResult Repair();
    void Tell(int nButton, const std::wstring& strWhat);
    // What the lamp tells of the clipboard while it is still at the change
    // count: empty for nothing beyond whether it holds text.
    void SetNotice(std::wstring strNotice, DWORD nSequence);
    bool HasNotice() const;
    // Automatic conversion is on and not asleep because minimised.
    bool IsAutoConvertActive() const;
    // The code page of the selected list entry; false when nothing is selected.
    bool SelectedCodePage(UINT& nCodePage);
    void ApplyZOrder(int x, int y, UINT nFlags) const;
    void CorrectPosition();
    // The About item, after a separator where the menu has items already.
    void AppendAboutItem(HMENU menu) const;
    void SelectSavedCodePage();

    CComboBox m_wndCodePage;
    CClipboardWatch m_watch;
    // Tells, at its button, what a repair or a conversion by key did.
    CBalloonTip m_wndNotice;
    CTrayNotice m_trayNotice;
    CHotKeys m_hotKeys;
    // A clipboard change is being handled; another arrived meanwhile.
    BOOL m_bHandlingChange = 0;
    BOOL m_bChangedMeanwhile = 0;
    // A copy the automatic pass left unconverted, or what Convert left out:
    // the lamp's tooltip while the clipboard is still at that change.
    std::wstring m_strNotice;
    DWORD m_nNoticeSequence = 0;
};
