#include "ui/SettingsDlg.h"

#include <commctrl.h>

#include <string>

#include "framework/DataExchange.h"
#include "framework/WinApp.h"
#include "res/resource.h"
#include "ui/HotKeys.h"
#include "ui/RtfFontListDlg.h"

namespace {

// Controls that have a hint of their own, whose string id is the control id.
constexpr int kHintedControls[] = {IDC_AUTO,       IDC_SLEEP,             IDC_TOPMOST,
                                   IDC_RTF,        IDC_FONT,              IDC_CONVERT_KEY,
                                   IDC_REPAIR_KEY, IDC_CONVERT_KEY_TAKEN, IDC_REPAIR_KEY_TAKEN};

// A system-wide key alone or with Shift would take typing from every
// program: the control adds Ctrl+Alt.
void SetKeyRules(HWND hControl)
{
    ::SendMessageW(hControl, HKM_SETRULES, HKCOMB_NONE | HKCOMB_S, MAKELPARAM(HOTKEYF_CONTROL | HOTKEYF_ALT, 0));
}

// Shows the mark while the key is taken; the key it is shown for, else 0.
WORD ShowMark(HWND hMark, bool bTaken, WORD wHotKey)
{
    ::ShowWindow(hMark, bTaken ? SW_SHOWNA : SW_HIDE);
    return bTaken ? wHotKey : 0;
}

} // namespace

CSettingsDlg::CSettingsDlg(CWnd* pParentWnd) : CDialog(IDD_SETTINGS, pParentWnd), m_nHintId(IDS_HINT_NONE) {}

CSettingsDlg::~CSettingsDlg() = default;

void CSettingsDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Check(pDX, IDC_AUTO, m_bAutoConvert);
    DDX_Check(pDX, IDC_SLEEP, m_bSleepMinimized);
    DDX_Check(pDX, IDC_TOPMOST, m_bTopMost);
    DDX_Check(pDX, IDC_RTF, m_bAddRtf);
    DDX_HotKey(pDX, IDC_CONVERT_KEY, m_wConvertHotKey);
    DDX_HotKey(pDX, IDC_REPAIR_KEY, m_wRepairHotKey);
}

BOOL CSettingsDlg::OnInitDialog()
{
    SetKeyRules(GetDlgItem(IDC_CONVERT_KEY).m_hWnd);
    SetKeyRules(GetDlgItem(IDC_REPAIR_KEY).m_hWnd);
    CDialog::OnInitDialog();
    EnableSleepCheck();
    ShowTakenKeys();
    return TRUE;
}

void CSettingsDlg::OnOK()
{
    if (!UpdateData(TRUE)) {
        return;
    }
    if (m_pHotKeys != nullptr) {
        m_pHotKeys->Change(m_wConvertHotKey, m_wRepairHotKey);
        if (ShowTakenKeys()) {
            return;
        }
    }
    EndDialog(IDOK);
}

bool CSettingsDlg::ShowTakenKeys()
{
    if (m_pHotKeys == nullptr) {
        return false;
    }
    const WORD convert = ShowMark(GetDlgItem(IDC_CONVERT_KEY_TAKEN).m_hWnd, m_pHotKeys->IsTaken(kActionConvert),
                                  m_wConvertHotKey);
    const WORD repair =
        ShowMark(GetDlgItem(IDC_REPAIR_KEY_TAKEN).m_hWnd, m_pHotKeys->IsTaken(kActionRepair), m_wRepairHotKey);
    const bool news =
        (convert != 0 && convert != m_wShownConvertTaken) || (repair != 0 && repair != m_wShownRepairTaken);
    m_wShownConvertTaken = convert;
    m_wShownRepairTaken = repair;
    return news;
}

BOOL CSettingsDlg::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message == WM_SETCURSOR) {
        *pResult = OnSetCursor(reinterpret_cast<HWND>(wParam));
        return TRUE;
    }
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
        case IDC_AUTO:
            OnClickedAuto();
            *pResult = 0;
            return TRUE;
        case IDC_FONT:
            OnClickedFont();
            *pResult = 0;
            return TRUE;
        default:
            break;
        }
    }
    return CDialog::OnWndMsg(message, wParam, lParam, pResult);
}

LRESULT CSettingsDlg::OnSetCursor(HWND hWndUnderPointer)
{
    int nHintId = IDS_HINT_NONE;
    for (int nID : kHintedControls) {
        if (hWndUnderPointer == GetDlgItem(nID).m_hWnd) {
            nHintId = nID;
            break;
        }
    }
    if (nHintId != m_nHintId) {
        ::SetWindowTextW(GetDlgItem(IDC_HINT).m_hWnd, AfxLoadString(static_cast<UINT>(nHintId)).c_str());
        m_nHintId = nHintId;
    }
    return Default();
}

void CSettingsDlg::OnClickedAuto()
{
    UpdateData(TRUE);
    EnableSleepCheck();
}

void CSettingsDlg::OnClickedFont()
{
    CRtfFontListDlg dlg;
    dlg.DoModal();
}

// 1007 only means something while automatic conversion is on; its check
// state is kept either way. Asked of 1006 itself, so that a flag loaded
// outside 0 to 2, shown unchecked, does not leave 1007 enabled.
void CSettingsDlg::EnableSleepCheck() const
{
    GetDlgItem(IDC_SLEEP).EnableWindow(::IsDlgButtonChecked(m_hWnd, IDC_AUTO) != BST_UNCHECKED);
}
