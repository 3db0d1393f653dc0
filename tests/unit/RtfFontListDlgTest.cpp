// The RTF font list and the font picker, run on their templates over a real
// font table and driven by double-clicks, choices and typed sizes; and the
// enumeration of TrueType faces behind the picker.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "LayoutCheck.h"
#include "ModalScript.h"
#include "TestSupport.h"
#include "app/ConverterApp.h"
#include "core/CodePageList.h"
#include "framework/Dpi.h"
#include "framework/ListCtrl.h"
#include "res/resource.h"
#include "ui/FontPickDlg.h"
#include "ui/RtfFontListDlg.h"
#include "ui/SettingsDlg.h"
#include "ui/TrueTypeFaces.h"

namespace {

struct SeenFaces {
    bool trueTypeOnly;
    std::vector<std::string> faces;
};

int CALLBACK CollectFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD type, LPARAM lParam)
{
    auto* seen = reinterpret_cast<SeenFaces*>(lParam);
    if (font->lfFaceName[0] != L'@' && (!seen->trueTypeOnly || (type & TRUETYPE_FONTTYPE) != 0)) {
        seen->faces.push_back(ToCp932(font->lfFaceName));
    }
    return 1;
}

// Faces of the character set as the platform lists them, in code page 932.
std::vector<std::string> PlatformFaces(int charSet, bool trueTypeOnly = true)
{
    SeenFaces seen{trueTypeOnly, {}};
    LOGFONTW logFont{};
    logFont.lfCharSet = static_cast<BYTE>(charSet);
    const HDC dc = ::GetDC(nullptr);
    ::EnumFontFamiliesExW(dc, &logFont, CollectFace, reinterpret_cast<LPARAM>(&seen), 0);
    ::ReleaseDC(nullptr, dc);
    std::sort(seen.faces.begin(), seen.faces.end());
    return seen.faces;
}

bool IsIpaFace(const std::string& face)
{
    return face.rfind("IPA", 0) == 0;
}

std::vector<std::string> ComboItems(HWND hDlg)
{
    const CComboBox combo(::GetDlgItem(hDlg, IDC_FACE));
    std::vector<std::string> items;
    for (int i = 0; i < combo.GetCount(); ++i) {
        items.push_back(combo.GetLBText(i));
    }
    return items;
}

std::string SelectedFace(HWND hDlg)
{
    const CComboBox combo(::GetDlgItem(hDlg, IDC_FACE));
    return combo.GetLBText(combo.GetCurSel());
}

// What a user's pick in the drop-down list leaves.
void ChooseFace(HWND hDlg, const std::string& face)
{
    const HWND combo = ::GetDlgItem(hDlg, IDC_FACE);
    const std::wstring wide = FromCp932(face);
    const LRESULT index = ::SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                         reinterpret_cast<LPARAM>(wide.c_str()));
    ASSERT_NE(CB_ERR, index) << face;
    ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

// A pick in the picker: face, size typed, OK.
void Pick(HWND hDlg, const std::string& face, const wchar_t* size)
{
    ASSERT_EQ(L"フォントの選択", TextOf(hDlg));
    ChooseFace(hDlg, face);
    ::SetDlgItemTextW(hDlg, IDC_FONT_SIZE, size);
    PostClick(hDlg, IDOK);
}

struct Line {
    std::string language, size, face;
    bool operator==(const Line&) const = default;
};

void PrintTo(const Line& l, std::ostream* os)
{
    *os << '"' << l.language << "\" \"" << l.size << "\" \"" << l.face << '"';
}

std::vector<Line> Lines(HWND hDlg)
{
    const CListCtrl list(::GetDlgItem(hDlg, IDC_FONT_LIST));
    std::vector<Line> lines;
    for (int i = 0; i < list.GetItemCount(); ++i) {
        lines.push_back({list.GetItemText(i, 0), list.GetItemText(i, 1), list.GetItemText(i, 2)});
    }
    return lines;
}

// The user's double-click on a line: the click selects it, the second click
// asks for the picker.
void PostDoubleClick(HWND hDlg, int line)
{
    const HWND list = ::GetDlgItem(hDlg, IDC_FONT_LIST);
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = line >= 0 ? state.stateMask : 0;
    ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(&state));
    RECT item{};
    item.left = LVIR_BOUNDS;
    ::SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(std::max(line, 0)), reinterpret_cast<LPARAM>(&item));
    const int y = line >= 0 ? (item.top + item.bottom) / 2 : 140;
    ::PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(30, y));
}

std::vector<int> ColumnWidths(HWND hList)
{
    std::vector<int> widths;
    for (int i = 0; i < 3; ++i) {
        widths.push_back(static_cast<int>(::SendMessageW(hList, LVM_GETCOLUMNWIDTH, i, 0)));
    }
    return widths;
}

// 260 and 40 pixels at 96 DPI; the font column takes the rest but for a
// vertical scroll bar.
std::vector<int> ExpectedColumnWidths(HWND hList)
{
    RECT client;
    ::GetClientRect(hList, &client);
    const int language = AtScreenDpi(260);
    const int size = AtScreenDpi(40);
    return {language, size, client.right - ::GetSystemMetrics(SM_CXHSCROLL) - language - size};
}

struct Row {
    std::string face;
    unsigned size;
    bool operator==(const Row&) const = default;
};

void PrintTo(const Row& r, std::ostream* os)
{
    *os << '"' << r.face << "\" " << r.size;
}

class FontListTest : public ::testing::Test {
protected:
    FontListTest()
    {
        m_app.m_strProfileName = m_dir.File("Pelisan.ini");
        m_app.Enable3dControlsStatic();
        g_pCodePageCombo = &m_codePages.Combo();
        // 437 and 65001 have no character set, so no row.
        for (const auto& [codePage, label] : {std::pair{437u, u8"  437 OEM - 米国"},
                                               {932u, u8"  932 日本語 (シフト JIS)"},
                                               {1252u, u8" 1252 ANSI - ラテン I"},
                                               {65001u, u8"65001 UTF-8"}}) {
            m_labels.push_back(Sjis(label));
            m_codePages.Combo().SetItemData(m_codePages.Combo().AddString(m_labels.back().c_str()), codePage);
        }
    }
    ~FontListTest() override
    {
        m_app.SaveFontSettings();
        g_pCodePageCombo = nullptr;
    }

    // Rows for 932 and 1252 with these faces and sizes.
    void LoadTable(const std::string& face932, unsigned size932, const std::string& face1252, unsigned size1252)
    {
        WriteFileBytes(m_app.m_strProfileName, "[FNAM]\r\nFONT00932=" + face932 + "\r\nFONT01252=" + face1252 +
                                                   "\r\n[FSIZ]\r\nFONT00932=" + std::to_string(size932) +
                                                   "\r\nFONT01252=" + std::to_string(size1252) + "\r\n");
        m_app.LoadFontSettings(m_codePages.Combo().GetCount());
        ASSERT_EQ(2, m_app.m_nFontSettings);
    }

    std::vector<Row> Rows() const
    {
        std::vector<Row> rows;
        for (int i = 0; i < m_app.m_nFontSettings; ++i) {
            rows.push_back({m_app.m_pFontSettings[i].szFaceName, m_app.m_pFontSettings[i].nSize});
        }
        return rows;
    }

    // The first TrueType face of each row's character set.
    void SetUp() override
    {
        const std::vector<std::string> japanese = PlatformFaces(SHIFTJIS_CHARSET);
        const std::vector<std::string> western = PlatformFaces(ANSI_CHARSET);
        ASSERT_FALSE(japanese.empty());
        ASSERT_FALSE(western.empty());
        m_japaneseFace = japanese.front();
        m_westernFace = western.front();
    }

    TempDirectory m_dir;
    CConverterApp m_app;
    SortedComboBox m_codePages;
    std::vector<std::string> m_labels;
    std::string m_japaneseFace, m_westernFace;
    const std::string m_none = "  ---";
};

} // namespace

TEST_F(FontListTest, ShowsTheTableAndWritesPickerEditsBackOnOk)
{
    LoadTable(m_japaneseFace, 10, "", 0);
    const std::vector<Row> before = Rows();
    CRtfFontListDlg dlg;
    ModalScript script{
        [&](HWND hDlg) {
            EXPECT_EQ(L"RTF形式のフォント設定", TextOf(hDlg));
            const HWND list = ::GetDlgItem(hDlg, IDC_FONT_LIST);
            EXPECT_TRUE(::SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT);
            const struct {
                const wchar_t* title;
                int format;
            } columns[] = {{L"言 語", LVCFMT_LEFT}, {L"ｻｲｽﾞ", LVCFMT_RIGHT}, {L"フォント", LVCFMT_LEFT}};
            for (int i = 0; i < 3; ++i) {
                wchar_t title[32] = L"";
                LVCOLUMNW column{};
                column.mask = LVCF_TEXT | LVCF_FMT;
                column.pszText = title;
                column.cchTextMax = 32;
                ASSERT_TRUE(::SendMessageW(list, LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(&column)));
                EXPECT_EQ(columns[i].title, std::wstring(title));
                EXPECT_EQ(columns[i].format, column.fmt & LVCFMT_JUSTIFYMASK);
            }
            EXPECT_EQ(ExpectedColumnWidths(list), ColumnWidths(list));
            EXPECT_EQ((std::vector<Line>{{m_labels[1], " 10", m_japaneseFace}, {m_labels[2], "  0", m_none}}),
                      Lines(hDlg));
            ExpectLaidOut(hDlg);
            PostDoubleClick(hDlg, 1);
        },
        [&](HWND hDlg) {
            ExpectLaidOut(hDlg);
            EXPECT_EQ(FromCp932(m_labels[2]), ItemTextOf(hDlg, IDC_LANGUAGE));
            EXPECT_EQ(L"0", ItemTextOf(hDlg, IDC_FONT_SIZE));
            EXPECT_EQ(m_none, SelectedFace(hDlg));
            Pick(hDlg, m_westernFace, L"100");
        },
        [&](HWND hDlg) {
            EXPECT_EQ((std::vector<Line>{{m_labels[1], " 10", m_japaneseFace}, {m_labels[2], "100", m_westernFace}}),
                      Lines(hDlg));
            EXPECT_EQ(before, Rows());
            PostClick(hDlg, IDOK);
        },
    };
    EXPECT_EQ(IDOK, script.Run(dlg));
    EXPECT_EQ((std::vector<Row>{{m_japaneseFace, 10}, {m_westernFace, 100}}), Rows());
}

TEST_F(FontListTest, ColumnsFollowTheDisplayScaleWithOrWithoutPerWindowDpi)
{
    LoadTable(m_japaneseFace, 10, "", 0);
    const struct {
        const char* name;
        bool perWindow;  // Windows 10 1607 and later
    } cases[] = {{"per-window DPI", true}, {"system DPI only", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const GetDpiForWindowProc savedDpi = g_pfnGetDpiForWindow;
        const GetSystemMetricsForDpiProc savedMetrics = g_pfnGetSystemMetricsForDpi;
        if (!c.perWindow) {
            g_pfnGetDpiForWindow = nullptr;
            g_pfnGetSystemMetricsForDpi = nullptr;
        }
        CRtfFontListDlg dlg;
        ModalScript script{[&](HWND hDlg) {
            const HWND list = ::GetDlgItem(hDlg, IDC_FONT_LIST);
            const std::vector<int> widths = ColumnWidths(list);
            EXPECT_EQ(ExpectedColumnWidths(list), widths);
            // Moved to a monitor at twice the scale and back.
            const int dpi = AtScreenDpi(USER_DEFAULT_SCREEN_DPI);
            RECT window;
            ::GetWindowRect(hDlg, &window);
            for (const int factor : {2, 1}) {
                ::SendMessageW(hDlg, WM_DPICHANGED, MAKEWPARAM(dpi * factor, dpi * factor),
                               reinterpret_cast<LPARAM>(&window));
                EXPECT_EQ((std::vector<int>{widths[0] * factor, widths[1] * factor, widths[2] * factor}),
                          ColumnWidths(list));
            }
            PostClick(hDlg, IDCANCEL);
        }};
        EXPECT_EQ(IDCANCEL, script.Run(dlg));
        g_pfnGetDpiForWindow = savedDpi;
        g_pfnGetSystemMetricsForDpi = savedMetrics;
    }
}

TEST_F(FontListTest, CancelLeavesEveryRowUnchangedAfterPickerEdits)
{
    LoadTable(m_japaneseFace, 10, m_westernFace, 12);
    const std::vector<Row> before = Rows();
    std::vector<Line> shown;
    CRtfFontListDlg dlg;
    ModalScript script{
        [](HWND hDlg) { PostDoubleClick(hDlg, 0); },
        [&](HWND hDlg) { Pick(hDlg, m_none, L"5"); },
        [](HWND hDlg) { PostDoubleClick(hDlg, 1); },
        [&](HWND hDlg) { Pick(hDlg, m_none, L"7"); },
        [&](HWND hDlg) {
            shown = Lines(hDlg);
            ASSERT_EQ(2u, shown.size());
            EXPECT_EQ((Line{m_labels[1], "  5", m_none}), shown[0]);
            PostDoubleClick(hDlg, 0);
        },
        // The picker's own Cancel leaves the line's cells.
        [](HWND hDlg) {
            ::SetDlgItemTextW(hDlg, IDC_FONT_SIZE, L"99");
            PostClick(hDlg, IDCANCEL);
        },
        [&](HWND hDlg) {
            EXPECT_EQ(shown, Lines(hDlg));
            PostClick(hDlg, IDCANCEL);
        },
    };
    EXPECT_EQ(IDCANCEL, script.Run(dlg));
    EXPECT_EQ(before, Rows());
}

TEST_F(FontListTest, NoFontIsShownAsDashesAndStoredEmpty)
{
    LoadTable(m_japaneseFace, 10, "", 0);
    CRtfFontListDlg dlg;
    ModalScript script{
        [](HWND hDlg) { PostDoubleClick(hDlg, 0); },
        [&](HWND hDlg) {
            EXPECT_EQ(m_japaneseFace, SelectedFace(hDlg));
            Pick(hDlg, m_none, L"10");
        },
        [&](HWND hDlg) {
            EXPECT_EQ((std::vector<Line>{{m_labels[1], " 10", m_none}, {m_labels[2], "  0", m_none}}), Lines(hDlg));
            PostClick(hDlg, IDOK);
        },
    };
    EXPECT_EQ(IDOK, script.Run(dlg));
    EXPECT_EQ((std::vector<Row>{{"", 10}, {"", 0}}), Rows());
}

TEST_F(FontListTest, SecondPickerOnALineShowsTheFirstChoiceAndTheTablesSize)
{
    LoadTable(m_japaneseFace, 10, "", 0);
    std::string chosen;
    CRtfFontListDlg dlg;
    ModalScript script{
        [](HWND hDlg) { PostDoubleClick(hDlg, 0); },
        [&](HWND hDlg) {
            // Any face other than the one preselected.
            const std::vector<std::string> items = ComboItems(hDlg);
            chosen = items[items[0] == SelectedFace(hDlg) ? items.size() - 1 : 0];
            ASSERT_NE(chosen, SelectedFace(hDlg));
            Pick(hDlg, chosen, L"20");
        },
        [](HWND hDlg) { PostDoubleClick(hDlg, 0); },
        [&](HWND hDlg) {
            EXPECT_EQ(chosen, SelectedFace(hDlg));
            EXPECT_EQ(L"10", ItemTextOf(hDlg, IDC_FONT_SIZE));
            PostClick(hDlg, IDCANCEL);
        },
        [](HWND hDlg) { PostClick(hDlg, IDOK); },
    };
    EXPECT_EQ(IDOK, script.Run(dlg));
    EXPECT_EQ((std::vector<Row>{{chosen == m_none ? "" : chosen, 20}, {"", 0}}), Rows());
}

TEST_F(FontListTest, PreselectionIsAPrefixMatchIgnoringCase)
{
    // "ipa" begins several installed faces; "NoSuchFace" none.
    LoadTable("ipa", 10, "NoSuchFace", 0);
    std::string firstIpa;
    CRtfFontListDlg dlg;
    ModalScript script{
        [](HWND hDlg) { PostDoubleClick(hDlg, 0); },
        [&](HWND hDlg) {
            const std::vector<std::string> items = ComboItems(hDlg);
            const auto found = std::find_if(items.begin(), items.end(), IsIpaFace);
            ASSERT_NE(items.end(), found);
            firstIpa = *found;
            EXPECT_EQ(firstIpa, SelectedFace(hDlg));
            PostClick(hDlg, IDOK);
        },
        [](HWND hDlg) { PostDoubleClick(hDlg, 1); },
        [&](HWND hDlg) {
            EXPECT_EQ(m_none, SelectedFace(hDlg));
            PostClick(hDlg, IDOK);
        },
        [](HWND hDlg) { PostClick(hDlg, IDOK); },
    };
    EXPECT_EQ(IDOK, script.Run(dlg));
    EXPECT_EQ((std::vector<Row>{{firstIpa, 10}, {"", 0}}), Rows());
}

TEST_F(FontListTest, SizeFromZeroToHundredIsTakenAnythingElseRefused)
{
    LoadTable(m_japaneseFace, 10, "", 0);
    const std::wstring wholeNumber = L"整数を入力してください。";
    const std::wstring range = L"0 から 100 までの整数を入力してください。";
    const struct {
        const wchar_t* typed;
        const wchar_t* refusal;  // null: taken
        const char* shown;
    } cases[] = {
        {L"0", nullptr, "  0"},   {L"100", nullptr, "100"}, {L" 42 ", nullptr, " 42"},
        {L"-1", range.c_str(), ""},   {L"101", range.c_str(), ""},  {L"abc", wholeNumber.c_str(), ""},
        {L"", wholeNumber.c_str(), ""}, {L"１２", wholeNumber.c_str(), ""},
    };
    const std::wstring title = FromCp932(m_app.m_strAppName);
    CRtfFontListDlg dlg;
    ModalScript script{};
    for (const auto& c : cases) {
        const std::string trace = ToCp932(c.typed);
        script.Then([](HWND hDlg) { PostDoubleClick(hDlg, 0); });
        script.Then([&c](HWND hDlg) { Pick(hDlg, "  ---", c.typed); });
        if (c.refusal == nullptr) {
            script.Then([&c, trace](HWND hDlg) {
                const std::vector<Line> lines = Lines(hDlg);
                ASSERT_FALSE(lines.empty()) << trace;
                EXPECT_EQ(c.shown, lines[0].size) << trace;
            });
            continue;
        }
        script.Then([&c, &title, trace](HWND hBox) {
            EXPECT_EQ(c.refusal, ItemTextOf(hBox, 0xFFFF)) << trace;
            EXPECT_EQ(title, TextOf(hBox)) << trace;
            PostClick(hBox, IDOK);
        });
        script.Then([&c, trace](HWND hDlg) {
            EXPECT_EQ(L"フォントの選択", TextOf(hDlg)) << trace;
            const HWND size = ::GetDlgItem(hDlg, IDC_FONT_SIZE);
            EXPECT_EQ(size, ::GetFocus()) << trace;
            DWORD start = 1, end = 0;
            ::SendMessageW(size, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
            EXPECT_EQ(0u, start) << trace;
            EXPECT_EQ(std::wcslen(c.typed), end) << trace;
            PostClick(hDlg, IDCANCEL);
        });
    }
    script.Then([](HWND hDlg) { PostClick(hDlg, IDCANCEL); });
    EXPECT_EQ(IDCANCEL, script.Run(dlg));
}

TEST_F(FontListTest, WithoutRowsOrSelectionADoubleClickOpensNothing)
{
    const struct {
        const char* name;
        bool load;
        int lines;
    } cases[] = {{"no table", false, 0}, {"table", true, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.load) {
            LoadTable(m_japaneseFace, 10, "", 0);
        }
        const std::vector<Row> before = Rows();
        CRtfFontListDlg dlg;
        HWND list = nullptr;
        ModalScript script{
            [&](HWND hDlg) {
                list = hDlg;
                EXPECT_EQ(c.lines, static_cast<int>(Lines(hDlg).size()));
                PostDoubleClick(hDlg, -1);
            },
            [&](HWND hDlg) {
                EXPECT_EQ(list, hDlg);
                PostClick(hDlg, IDOK);
            },
        };
        EXPECT_EQ(IDOK, script.Run(dlg));
        EXPECT_EQ(before, Rows());
    }
}

TEST_F(FontListTest, ListOkKeepsItsChangesWhenTheSettingsAreCancelled)
{
    LoadTable(m_japaneseFace, 10, "", 0);
    CSettingsDlg dlg;
    ModalScript script{
        [](HWND hDlg) {
            PostClick(hDlg, IDC_AUTO);
            PostClick(hDlg, IDC_FONT);
        },
        [](HWND hDlg) { PostDoubleClick(hDlg, 1); },
        [&](HWND hDlg) { Pick(hDlg, m_westernFace, L"12"); },
        [](HWND hDlg) { PostClick(hDlg, IDOK); },
        [](HWND hDlg) { PostClick(hDlg, IDCANCEL); },
    };
    EXPECT_EQ(IDCANCEL, script.Run(dlg));
    EXPECT_EQ((std::vector<Row>{{m_japaneseFace, 10}, {m_westernFace, 12}}), Rows());
}

TEST(FontPickTest, OffersTheCharacterSetsTrueTypeFacesAfterNoFont)
{
    CWinApp app;
    app.Enable3dControlsStatic();
    // A character set for which the platform has no font at all.
    int emptyCharSet = -1;
    for (int charSet : {JOHAB_CHARSET, MAC_CHARSET, VIETNAMESE_CHARSET, 250}) {
        if (PlatformFaces(charSet, false).empty()) {
            emptyCharSet = charSet;
            break;
        }
    }
    ASSERT_NE(-1, emptyCharSet);
    std::vector<std::string> japanese = PlatformFaces(SHIFTJIS_CHARSET);
    ASSERT_TRUE(std::any_of(japanese.begin(), japanese.end(), IsIpaFace));
    japanese.push_back("  ---");
    std::sort(japanese.begin(), japanese.end());
    const struct {
        int charSet;
        std::vector<std::string> offered;  // sorted
    } cases[] = {{SHIFTJIS_CHARSET, japanese}, {emptyCharSet, {"  ---"}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.charSet);
        CFontPickDlg dlg;
        dlg.m_nCharSet = c.charSet;
        dlg.m_strFace = "  ---";
        ModalScript script{[&](HWND hDlg) {
            std::vector<std::string> items = ComboItems(hDlg);
            EXPECT_EQ("  ---", SelectedFace(hDlg));
            std::sort(items.begin(), items.end());
            EXPECT_EQ(c.offered, items);
            PostClick(hDlg, IDOK);
        }};
        EXPECT_EQ(IDOK, script.Run(dlg));
        EXPECT_EQ("  ---", dlg.m_strFace);
    }
}

namespace {

struct FakeFont {
    std::wstring face;
    DWORD type;
};

constexpr DWORD kTrueType = TRUETYPE_FONTTYPE;

// Stands in for the platform's enumeration: each call lists the fonts of its
// pass (the last list again for later calls) until the callback says stop.
struct FakeFontEnumeration {
    std::vector<std::vector<FakeFont>> passes;
    std::vector<int> delivered;  // callbacks made, per call
    std::vector<int> charSets;   // asked for, per call

    static int WINAPI Enumerate(HDC, LPLOGFONTW logFont, FONTENUMPROCW proc, LPARAM lParam, DWORD)
    {
        FakeFontEnumeration& self = *s_pActive;
        self.charSets.push_back(logFont->lfFaceName[0] == L'\0' ? logFont->lfCharSet : -1);
        const std::vector<FakeFont>& fonts = self.passes[std::min(self.delivered.size(), self.passes.size() - 1)];
        int delivered = 0;
        int more = 1;
        for (auto font = fonts.begin(); font != fonts.end() && more != 0; ++font) {
            LOGFONTW found{};
            found.lfCharSet = logFont->lfCharSet;
            font->face.copy(found.lfFaceName, LF_FACESIZE - 1);
            const TEXTMETRICW metrics{};
            ++delivered;
            more = proc(&found, &metrics, font->type, lParam);
        }
        self.delivered.push_back(delivered);
        return more;
    }

    static inline FakeFontEnumeration* s_pActive = nullptr;
};

class FakeFontsTest : public ::testing::Test {
protected:
    FakeFontsTest() : m_pfnSaved(g_pfnEnumFontFamiliesEx)
    {
        FakeFontEnumeration::s_pActive = &m_fake;
        g_pfnEnumFontFamiliesEx = FakeFontEnumeration::Enumerate;
    }
    ~FakeFontsTest() override
    {
        g_pfnEnumFontFamiliesEx = m_pfnSaved;
        FakeFontEnumeration::s_pActive = nullptr;
    }

    FakeFontEnumeration m_fake;

private:
    EnumFontFamiliesExWProc m_pfnSaved;
};

} // namespace

TEST_F(FakeFontsTest, EnumTrueTypeFacesStoresNoMoreThanItCountedSortedIgnoringCase)
{
    const std::wstring gothic15(15, L'ゴ');
    const struct {
        const char* name;
        std::vector<std::vector<FakeFont>> passes;
        int counted;
        std::vector<std::string> faces;
        std::vector<int> delivered;
    } cases[] = {
        {"fonts installed between the passes",
         {{{L"beta", kTrueType}, {L"Alpha", kTrueType}, {L"Raster", RASTER_FONTTYPE}, {L"@Alpha", kTrueType},
           {L"Device", DEVICE_FONTTYPE}, {L"gamma", kTrueType}},
          {{L"zeta", kTrueType}, {L"beta", kTrueType}, {L"@x", kTrueType}, {L"Alpha", kTrueType},
           {L"gamma", kTrueType}}},
         3,
         {"Alpha", "beta", "zeta"},
         {6, 4}},
        {"fonts removed between the passes",
         {{{L"a", kTrueType}, {L"b", kTrueType}, {L"c", kTrueType}}, {{L"c", kTrueType}, {L"a", kTrueType}}},
         3,
         {"a", "c"},
         {3, 2}},
        {"no qualifying font", {{{L"Raster", RASTER_FONTTYPE}, {L"@v", kTrueType}}}, 0, {}, {2}},
        {"every font gone", {{{L"a", kTrueType}}, {}}, 1, {}, {1, 0}},
        {"case-insensitive byte order",
         {{{L"b", kTrueType}, {L"Zed", kTrueType}, {L"A", kTrueType}, {L"_x", kTrueType}, {L"a2", kTrueType},
           {L"C", kTrueType}}},
         6,
         {"_x", "A", "a2", "b", "C", "Zed"},
         {6, 6}},
        {"names cut at a character boundary",
         {{{L"AB" + gothic15, kTrueType}, {L"A" + gothic15, kTrueType}}},
         2,
         {Sjis(u8"Aゴゴゴゴゴゴゴゴゴゴゴゴゴゴゴ"), Sjis(u8"ABゴゴゴゴゴゴゴゴゴゴゴゴゴゴ")},
         {2, 2}},
    };
    const HDC dc = ::GetDC(nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_fake = {c.passes, {}, {}};
        int count = -1;
        const HGLOBAL block = EnumTrueTypeFaces(dc, 0x180, count);
        EXPECT_EQ(c.delivered, m_fake.delivered);
        EXPECT_EQ(std::vector<int>(c.delivered.size(), 0x80), m_fake.charSets);
        ASSERT_EQ(static_cast<int>(c.faces.size()), count);
        if (c.faces.empty()) {
            EXPECT_EQ(nullptr, block);
            continue;
        }
        ASSERT_NE(nullptr, block);
        // One movable block of exactly the counted slots.
        EXPECT_EQ(static_cast<SIZE_T>(c.counted) * 32, ::GlobalSize(block));
        const auto* slots = static_cast<const char(*)[32]>(::GlobalLock(block));
        EXPECT_NE(static_cast<const void*>(block), static_cast<const void*>(slots));
        std::vector<std::string> faces;
        for (int i = 0; i < count; ++i) {
            faces.emplace_back(slots[i], ::strnlen(slots[i], 32));
            EXPECT_LT(faces.back().size(), 32u);
        }
        ::GlobalUnlock(block);
        ::GlobalFree(block);
        EXPECT_EQ(c.faces, faces);
    }
    ::ReleaseDC(nullptr, dc);
}

TEST_F(FakeFontsTest, PickerOffersOnlyTrueTypeFacesWithoutTheVerticalOnes)
{
    CWinApp app;
    m_fake.passes = {{{L"Zeta", kTrueType}, {L"Raster", RASTER_FONTTYPE}, {L"@Zeta", kTrueType},
                      {L"Device", DEVICE_FONTTYPE}, {L"alpha", kTrueType}}};
    CFontPickDlg dlg;
    dlg.m_nCharSet = SHIFTJIS_CHARSET;
    dlg.m_strFace = "ze";
    std::vector<std::string> items;
    ModalScript script{[&](HWND hDlg) {
        items = ComboItems(hDlg);
        EXPECT_EQ("Zeta", SelectedFace(hDlg));
        PostClick(hDlg, IDOK);
    }};
    EXPECT_EQ(IDOK, script.Run(dlg));
    std::sort(items.begin(), items.end());
    EXPECT_EQ((std::vector<std::string>{"  ---", "Zeta", "alpha"}), items);
    EXPECT_EQ("Zeta", dlg.m_strFace);
}
