#include "ui/RtfFontListDlg.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>

#include "app/ConverterApp.h"
#include "core/CodePageList.h"
#include "framework/ComboBox.h"
#include "framework/Cp932.h"
#include "framework/DataExchange.h"
#include "framework/Dpi.h"
#include "res/resource.h"
#include "ui/FontPickDlg.h"

namespace {

enum Column { kLanguageColumn, kSizeColumn, kFaceColumn };
constexpr int kColumnCount = 3;

std::span<FontSetting> FontTable()
{
    auto* app = static_cast<CConverterApp*>(AfxGetApp());
    if (app == nullptr || app->m_pFontSettings == nullptr || app->m_nFontSettings <= 0) {
        return {};
    }
    return {app->m_pFontSettings, static_cast<std::size_t>(app->m_nFontSettings)};
}

// The label of the row's entry in the main window's code page list.
std::string LanguageLabel(const FontSetting& row)
{
    return g_pCodePageCombo != nullptr ? g_pCodePageCombo->GetLBText(row.nListIndex) : std::string();
}

} // namespace

CRtfFontListDlg::CRtfFontListDlg(CWnd* pParentWnd) : CDialog(IDD_RTF_FONT_LIST, pParentWnd) {}

CRtfFontListDlg::~CRtfFontListDlg() = default;

void CRtfFontListDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, IDC_FONT_LIST, m_list);
}

BOOL CRtfFontListDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_FULLROWSELECT);
    InsertColumns();
    int nLine = 0;
    for (const FontSetting& row : FontTable()) {
        m_list.InsertItem(nLine, LanguageLabel(row).c_str());
        SetLineCells(nLine, row.nSize, row.szFaceName[0] != '\0' ? row.szFaceName : kNoFontText);
        ++nLine;
    }
    return TRUE;
}

// Widths of 260 and 40 pixels at 96 DPI; the font column takes what the
// other two leave, less room for a vertical scroll bar.
void CRtfFontListDlg::InsertColumns()
{
    m_nDpi = GetWindowDpi(m_list.m_hWnd);
    RECT client;
    m_list.GetClientRect(&client);
    const int nLanguageWidth = ScaleToDpi(260, m_nDpi);
    const int nSizeWidth = ScaleToDpi(40, m_nDpi);
    m_list.InsertColumn(kLanguageColumn, ToCp932(L"言 語").c_str(), LVCFMT_LEFT, nLanguageWidth);
    m_list.InsertColumn(kSizeColumn, ToCp932(L"ｻｲｽﾞ").c_str(), LVCFMT_RIGHT, nSizeWidth);
    m_list.InsertColumn(kFaceColumn, ToCp932(L"フォント").c_str(), LVCFMT_LEFT,
                        client.right - GetSystemMetricsAtDpi(SM_CXHSCROLL, m_nDpi) - nLanguageWidth - nSizeWidth);
}

// On a monitor of another scale the dialog manager sizes the dialog, its
// fonts and controls; the column widths are the list's own pixels. Scaled by
// the same factor, they keep the widths the user may have dragged them to.
void CRtfFontListDlg::OnDpiChanged(UINT nDpi)
{
    for (int nCol = 0; nCol < kColumnCount; ++nCol) {
        m_list.SetColumnWidth(nCol, ::MulDiv(m_list.GetColumnWidth(nCol), static_cast<int>(nDpi),
                                             static_cast<int>(m_nDpi)));
    }
    m_nDpi = nDpi;
}

BOOL CRtfFontListDlg::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message == WM_DPICHANGED) {
        *pResult = Default();
        OnDpiChanged(LOWORD(wParam));
        return TRUE;
    }
    if (message == WM_NOTIFY) {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->idFrom == IDC_FONT_LIST && header->code == static_cast<UINT>(NM_DBLCLK)) {
            OnDblclkFontList(header, pResult);
            return TRUE;
        }
    }
    return CDialog::OnWndMsg(message, wParam, lParam, pResult);
}

// Acts on the selected line, wherever the click was; only the line's cells
// change.
void CRtfFontListDlg::OnDblclkFontList(NMHDR*, LRESULT* pResult)
{
    *pResult = 0;
    const int nLine = m_list.GetNextItem(-1, LVNI_SELECTED);
    const std::span<FontSetting> table = FontTable();
    if (nLine < 0 || static_cast<std::size_t>(nLine) >= table.size()) {
        return;
    }
    const FontSetting& row = table[static_cast<std::size_t>(nLine)];
    CFontPickDlg dlg;
    dlg.m_nCharSet = row.nCharSet;
    dlg.m_nSize = row.nSize;
    dlg.m_strLanguage = m_list.GetItemText(nLine, kLanguageColumn);
    dlg.m_strFace = m_list.GetItemText(nLine, kFaceColumn);
    if (dlg.DoModal() == IDOK) {
        SetLineCells(nLine, static_cast<unsigned>(dlg.m_nSize), dlg.m_strFace.c_str());
    }
}

void CRtfFontListDlg::SetLineCells(int nLine, unsigned nSize, const char* pszFace) const
{
    char size[16];
    std::snprintf(size, sizeof(size), "%3u", nSize);
    m_list.SetItemText(nLine, kSizeColumn, size);
    m_list.SetItemText(nLine, kFaceColumn, pszFace);
}

void CRtfFontListDlg::OnOK()
{
    int nLine = 0;
    for (FontSetting& row : FontTable()) {
        row.nSize = static_cast<std::uint16_t>(std::atoi(m_list.GetItemText(nLine, kSizeColumn).c_str()));
        const std::string face = m_list.GetItemText(nLine, kFaceColumn);
        const std::size_t length = face == kNoFontText ? 0 : Cp932PrefixLength(face, sizeof(row.szFaceName) - 1);
        std::memcpy(row.szFaceName, face.data(), length);
        row.szFaceName[length] = '\0';
        ++nLine;
    }
    CDialog::OnOK();
}
