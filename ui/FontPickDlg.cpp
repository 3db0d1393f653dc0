#include "ui/FontPickDlg.h"

#include "app/FontSetting.h"
#include "framework/Cp932.h"
#include "framework/DataExchange.h"
#include "framework/Dc.h"
#include "res/resource.h"
#include "ui/TrueTypeFaces.h"

CFontPickDlg::CFontPickDlg(CWnd* pParentWnd) : CDialog(IDD_FONT_PICK, pParentWnd) {}

CFontPickDlg::~CFontPickDlg() = default;

void CFontPickDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, IDC_FACE, m_cbFace);
    DDX_Text(pDX, IDC_FONT_SIZE, m_nSize);
    DDV_MinMaxInt(pDX, m_nSize, 0, kMaxFontSize);
    DDX_Text(pDX, IDC_LANGUAGE, m_strLanguage);
}

BOOL CFontPickDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_cbFace.AddString(kNoFontText);
    AddTrueTypeFaces();
    SelectFace();
    return TRUE;
}

void CFontPickDlg::AddTrueTypeFaces() const
{
    int nCount = 0;
    HGLOBAL hFaces;
    {
        const CClientDC dc(this);
        hFaces = EnumTrueTypeFaces(dc.GetSafeHdc(), m_nCharSet, nCount);
    }
    if (hFaces == nullptr) {
        return;
    }
    const auto* faces = static_cast<const char(*)[kFaceSlotSize]>(::GlobalLock(hFaces));
    if (faces != nullptr) {
        // The combo box sorts them by its own rule.
        for (int i = 0; i < nCount; ++i) {
            m_cbFace.AddString(faces[i]);
        }
        ::GlobalUnlock(hFaces);
    }
    ::GlobalFree(hFaces);
}

// The first face that begins with m_strFace, ignoring case; else "  ---",
// wherever the combo box sorted it.
void CFontPickDlg::SelectFace() const
{
    const std::wstring face = FromCp932(m_strFace);
    const auto search = [this](UINT message, const std::wstring& text) {
        return m_cbFace.SendMessage(message, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()));
    };
    if (search(CB_SELECTSTRING, face) == CB_ERR) {
        m_cbFace.SetCurSel(static_cast<int>(search(CB_FINDSTRINGEXACT, FromCp932(kNoFontText))));
    }
}

void CFontPickDlg::OnOK()
{
    const int nSelected = m_cbFace.GetCurSel();
    m_strFace = nSelected == CB_ERR ? kNoFontText : m_cbFace.GetLBText(nSelected);
    CDialog::OnOK();
}
