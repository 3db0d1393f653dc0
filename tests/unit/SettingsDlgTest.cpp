// The settings dialog, run on its template and driven by clicks and pointer
// moves.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "LayoutCheck.h"
#include "ModalScript.h"
#include "res/resource.h"
#include "ui/SettingsDlg.h"

namespace {

struct Flags {
    int autoConvert, sleepMinimized, topMost, addRtf;
    bool operator==(const Flags&) const = default;
};

void PrintTo(const Flags& f, std::ostream* os)
{
    *os << '{' << f.autoConvert << ',' << f.sleepMinimized << ',' << f.topMost << ',' << f.addRtf << '}';
}

void SetFlags(CSettingsDlg& dlg, const Flags& flags)
{
    dlg.m_bAutoConvert = flags.autoConvert;
    dlg.m_bSleepMinimized = flags.sleepMinimized;
    dlg.m_bTopMost = flags.topMost;
    dlg.m_bAddRtf = flags.addRtf;
}

Flags FlagsOf(const CSettingsDlg& dlg)
{
    return {dlg.m_bAutoConvert, dlg.m_bSleepMinimized, dlg.m_bTopMost, dlg.m_bAddRtf};
}

Flags CheckStates(HWND hDlg)
{
    const auto state = [hDlg](int nID) { return static_cast<int>(::IsDlgButtonChecked(hDlg, nID)); };
    return {state(IDC_AUTO), state(IDC_SLEEP), state(IDC_TOPMOST), state(IDC_RTF)};
}

bool SleepEnabled(HWND hDlg)
{
    return ::IsWindowEnabled(::GetDlgItem(hDlg, IDC_SLEEP)) != FALSE;
}

// Counts the texts set on the hint line.
int g_nHintTextsSet = 0;
WNDPROC g_pfnHintProc = nullptr;

LRESULT CALLBACK CountingHintProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETTEXT) {
        ++g_nHintTextsSet;
    }
    return ::CallWindowProcW(g_pfnHintProc, hWnd, message, wParam, lParam);
}

// The pointer moving onto a window of the dialog.
void PointAt(HWND hDlg, HWND hWnd)
{
    ::SendMessageW(hDlg, WM_SETCURSOR, reinterpret_cast<WPARAM>(hWnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
}

} // namespace

TEST(SettingsDlgTest, ShowsTheFlagsAndReturnsTheCheckStatesOnOk)
{
    const struct {
        Flags given;
        Flags shown;
    } cases[] = {
        {{0, 0, 0, 0}, {0, 0, 0, 0}},
        {{1, 1, 1, 1}, {1, 1, 1, 1}},
        {{1, 0, 1, 0}, {1, 0, 1, 0}},
        {{0, 1, 0, 1}, {0, 1, 0, 1}},
        // A loaded value outside 0 to 2 shows as unchecked.
        {{7, -1, 3, 1}, {0, 0, 0, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.given));
        CSettingsDlg dlg;
        SetFlags(dlg, c.given);
        Flags shown{};
        bool sleepEnabled = false;
        ModalScript script{[&](HWND hDlg) {
            EXPECT_EQ(L"設定", TextOf(hDlg));
            shown = CheckStates(hDlg);
            sleepEnabled = SleepEnabled(hDlg);
            PostClick(hDlg, IDOK);
        }};
        ASSERT_EQ(IDOK, script.Run(dlg));
        EXPECT_EQ(c.shown, shown);
        EXPECT_EQ(c.shown.autoConvert != 0, sleepEnabled);
        EXPECT_EQ(c.shown, FlagsOf(dlg));
    }
}

TEST(SettingsDlgTest, AutomaticConversionEnablesTheSleepBoxWhichKeepsItsCheck)
{
    CSettingsDlg dlg;
    SetFlags(dlg, {0, 1, 0, 0});
    ModalScript script{
        [](HWND hDlg) {
            EXPECT_FALSE(SleepEnabled(hDlg));
            EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(hDlg, IDC_SLEEP));
            PostClick(hDlg, IDC_AUTO);
        },
        [](HWND hDlg) {
            EXPECT_TRUE(SleepEnabled(hDlg));
            PostClick(hDlg, IDC_SLEEP);
            PostClick(hDlg, IDC_TOPMOST);
        },
        [](HWND hDlg) {
            EXPECT_EQ(BST_UNCHECKED, ::IsDlgButtonChecked(hDlg, IDC_SLEEP));
            // Pressing the space bar on the focused box is a click too.
            ::SetFocus(::GetDlgItem(hDlg, IDC_AUTO));
            ::PostMessageW(::GetDlgItem(hDlg, IDC_AUTO), WM_KEYDOWN, VK_SPACE, 0);
            ::PostMessageW(::GetDlgItem(hDlg, IDC_AUTO), WM_KEYUP, VK_SPACE, 0);
        },
        [](HWND hDlg) {
            EXPECT_EQ(BST_UNCHECKED, ::IsDlgButtonChecked(hDlg, IDC_AUTO));
            EXPECT_FALSE(SleepEnabled(hDlg));
            EXPECT_EQ(BST_UNCHECKED, ::IsDlgButtonChecked(hDlg, IDC_SLEEP));
            PostClick(hDlg, IDOK);
        },
    };
    ASSERT_EQ(IDOK, script.Run(dlg));
    // The disabled box's state is returned all the same.
    EXPECT_EQ((Flags{0, 0, 1, 0}), FlagsOf(dlg));
}

TEST(SettingsDlgTest, CancelEndsWithCancelAfterToggles)
{
    for (const auto close : {+[](HWND hDlg) { PostClick(hDlg, IDCANCEL); },
                             +[](HWND hDlg) { ::PostMessageW(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0); },
                             +[](HWND hDlg) { ::PostMessageW(hDlg, WM_KEYDOWN, VK_ESCAPE, 0); }}) {
        CSettingsDlg dlg;
        ModalScript script{
            [](HWND hDlg) {
                PostClick(hDlg, IDC_AUTO);
                PostClick(hDlg, IDC_RTF);
            },
            close,
        };
        EXPECT_EQ(IDCANCEL, script.Run(dlg));
        EXPECT_EQ(nullptr, FrontDialog());
    }
}

TEST(SettingsDlgTest, HintLineFollowsThePointerAndLoadsOncePerChange)
{
    CSettingsDlg dlg;
    ModalScript script{[&](HWND hDlg) {
        const HWND hint = ::GetDlgItem(hDlg, IDC_HINT);
        g_nHintTextsSet = 0;
        g_pfnHintProc = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(hint, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingHintProc)));
        const auto item = [hDlg](int nID) { return ::GetDlgItem(hDlg, nID); };
        const std::vector<std::wstring> texts = {L"自動変換", L"最小化で休眠", L"手前に表示", L"RTF",
                                                 L" ",        L"フォント",     L"OK",         L"ｷｬﾝｾﾙ"};
        const int ids[] = {IDC_AUTO, IDC_SLEEP, IDC_TOPMOST, IDC_RTF, IDC_HINT, IDC_FONT, IDOK, IDCANCEL};
        for (std::size_t i = 0; i < texts.size(); ++i) {
            EXPECT_EQ(texts[i], ItemTextOf(hDlg, ids[i]));
        }
        const struct {
            HWND pointedAt;
            const wchar_t* shown;
            int loads;  // texts set so far
        } moves[] = {
            {item(IDOK), L" ", 0},
            {item(IDCANCEL), L" ", 0},
            {item(IDC_AUTO), L"コピーした時に自動的に変換処理をします。", 1},
            {item(IDC_AUTO), L"コピーした時に自動的に変換処理をします。", 1},
            {item(IDC_AUTO), L"コピーした時に自動的に変換処理をします。", 1},
            {item(IDC_SLEEP), L"最小化した時には、自動変換をしません。", 2},
            {item(IDC_TOPMOST), L"行方不明にならぬよう、常に手前に表示します。", 3},
            {item(IDC_RTF), L"クリップボードにフォント情報を付加します。", 4},
            {item(IDC_FONT), L"RTF適用時に使用するフォントを設定します。", 5},
            {hDlg, L" ", 6},
            {item(IDC_HINT), L" ", 6},
            {item(IDOK), L" ", 6},
            {item(IDC_CONVERT_KEY), L"どこからでも変換処理をするキーです。", 7},
            {item(IDC_REPAIR_KEY), L"どこからでも文字化けを修復するキーです。", 8},
            {item(IDC_REPAIR_KEY_TAKEN), L"他のプログラムが使っているキーです。", 9},
            {item(IDC_TOPMOST), L"行方不明にならぬよう、常に手前に表示します。", 10},
            {item(IDCANCEL), L" ", 11},
        };
        for (const auto& move : moves) {
            PointAt(hDlg, move.pointedAt);
            EXPECT_EQ(move.shown, TextOf(hint)) << ::GetDlgCtrlID(move.pointedAt);
            EXPECT_EQ(move.loads, g_nHintTextsSet) << ::GetDlgCtrlID(move.pointedAt);
            // Every hint whole on its line.
            ExpectLaidOut(hDlg);
        }
        EXPECT_EQ(IDS_HINT_NONE, dlg.m_nHintId);
        PostClick(hDlg, IDCANCEL);
    }};
    EXPECT_EQ(IDCANCEL, script.Run(dlg));
}

TEST(SettingsDlgTest, FontButtonOpensTheFontList)
{
    CSettingsDlg dlg;
    SetFlags(dlg, {1, 0, 0, 1});
    HWND settings = nullptr;
    ModalScript script{
        [&](HWND hDlg) {
            settings = hDlg;
            PostClick(hDlg, IDC_FONT);
        },
        [](HWND hDlg) {
            EXPECT_EQ(L"RTF形式のフォント設定", TextOf(hDlg));
            PostClick(hDlg, IDOK);
        },
        [&](HWND hDlg) {
            EXPECT_EQ(settings, hDlg);
            PostClick(hDlg, IDOK);
        },
    };
    EXPECT_EQ(IDOK, script.Run(dlg));
    EXPECT_EQ((Flags{1, 0, 0, 1}), FlagsOf(dlg));
}
