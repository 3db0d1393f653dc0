#include "ui/SettingsDlg.h"

#include <string>

#include "framework/DataExchange.h"
#include "framework/WinApp.h"
#include "res/resource.h"
#include "ui/RtfFontListDlg.h"

namespace {

// Controls that have a hint of their own, whose string id is the control id.
constexpr int kHintedControls[] = {IDC_AUTO, IDC_SLEEP, IDC_TOPMOST, IDC_RTF, IDC_FONT};

} // namespace

CSettingsDlg::CSettingsDlg(CWnd* pParentWnd) : CDialog(IDD_SETTINGS, pParentWnd), m_nHintId(IDS_HINT_NONE) {}

CSettingsDlg::~CSettingsDlg() = default;

void CSettingsDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Check(pDX, IDC_AUTO, m_bAutoConvert);
    DDX_Check(pDX, IDC_SLEEP, m_bSleepMinimized);
    DDX_Check(pDX, IDC_TOPMOST, m_bTopMost);
    DDX_Check(pDX, IDC_RTF, m_bAddRtf);
}

BOOL CSettingsDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    EnableSleepCheck();
    return TRUE;
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
