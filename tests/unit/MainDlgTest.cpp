// The main window, created from its template and driven with the messages a
// user's actions send; results read back from its controls, the clipboard,
// a viewer window of the test's own and the window's fields.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "ClipboardProbe.h"
#include "LateRenderer.h"
#include "LayoutCheck.h"
#include "ModalScript.h"
#include "TestSupport.h"
#include "app/ConverterApp.h"
#include "app/WindowAction.h"
#include "core/CodePageList.h"
#include "res/resource.h"
#include "ui/MainDlg.h"

namespace {

constexpr wchar_t kPlainTitle[] = L"Pelisan";
constexpr wchar_t kAutoTitle[] = L"Pelisan 【自動】";
constexpr COLORREF kLampLit = RGB(0, 255, 0);
constexpr COLORREF kLampNotice = RGB(255, 128, 0);
constexpr UINT kMissingCodePage = 65432;

// A window of the test's own in the clipboard-viewer chain. It joins before
// the main window opens, so it is the main window's next viewer and sees
// exactly what the main window passes on.
class ViewerRecorder {
public:
    explicit ViewerRecorder(bool join)
    {
        static const ATOM s_class = [] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = &ViewerRecorder::Proc;
            wc.hInstance = ::GetModuleHandleW(nullptr);
            wc.lpszClassName = L"PelisanTestViewer";
            return ::RegisterClassW(&wc);
        }();
        m_hWnd = ::CreateWindowExW(0, MAKEINTATOM(s_class), L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   ::GetModuleHandleW(nullptr), nullptr);
        ::SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        if (join) {
            m_hNext = ::SetClipboardViewer(m_hWnd);
            m_bJoined = true;
        }
        Reset();
    }
    ~ViewerRecorder()
    {
        if (m_bJoined) {
            ::ChangeClipboardChain(m_hWnd, m_hNext);
        }
        ::DestroyWindow(m_hWnd);
    }
    ViewerRecorder(const ViewerRecorder&) = delete;
    ViewerRecorder& operator=(const ViewerRecorder&) = delete;

    HWND Hwnd() const { return m_hWnd; }
    void Reset()
    {
        draws = 0;
        chainChanges.clear();
    }

    int draws = 0;
    std::vector<std::pair<HWND, HWND>> chainChanges;
    // Where chain notices about others go on to; by default nowhere.
    HWND passChainChangesTo = nullptr;

private:
    static LRESULT CALLBACK Proc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<ViewerRecorder*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
        if (self != nullptr && message == WM_DRAWCLIPBOARD) {
            ++self->draws;
            return 0;
        }
        if (self != nullptr && message == WM_CHANGECBCHAIN) {
            const auto removed = reinterpret_cast<HWND>(wParam);
            self->chainChanges.emplace_back(removed, reinterpret_cast<HWND>(lParam));
            if (removed == self->m_hNext) {
                self->m_hNext = reinterpret_cast<HWND>(lParam);
            } else if (self->passChainChangesTo != nullptr) {
                ::SendMessageW(self->passChainChangesTo, message, wParam, lParam);
            }
            return 0;
        }
        return ::DefWindowProcW(hWnd, message, wParam, lParam);
    }

    HWND m_hWnd = nullptr;
    HWND m_hNext = nullptr;
    bool m_bJoined = false;
};

// Lets a test set the fields from the window's real size before the opening
// sequence reads them.
class TestMainDlg : public CMainDlg {
public:
    std::function<void(TestMainDlg&)> beforeOpening;

    BOOL OnInitDialog() override
    {
        if (beforeOpening) {
            beforeOpening(*this);
        }
        return CMainDlg::OnInitDialog();
    }
};

RECT WindowRect(HWND hWnd)
{
    RECT rect;
    ::GetWindowRect(hWnd, &rect);
    return rect;
}

// The lamp's colour when it fills everything inside the control's frame and
// leaves the frame itself; CLR_INVALID when it does not.
COLORREF LampColour(HWND hDlg)
{
    const HWND lamp = ::GetDlgItem(hDlg, IDC_INDICATOR);
    RECT inside;
    ::GetClientRect(lamp, &inside);
    // The frame the control draws: one pixel at any scale.
    ::InflateRect(&inside, -::GetSystemMetrics(SM_CXBORDER), -::GetSystemMetrics(SM_CYBORDER));
    const HDC dc = ::GetDC(lamp);
    COLORREF colour = ::GetPixel(dc, inside.left, inside.top);
    for (int y = inside.top; y < inside.bottom && colour != CLR_INVALID; ++y) {
        for (int x = inside.left; x < inside.right; ++x) {
            if (::GetPixel(dc, x, y) != colour) {
                colour = CLR_INVALID;
                break;
            }
        }
    }
    if (::GetPixel(dc, 0, inside.top) == colour || ::GetPixel(dc, inside.left, 0) == colour) {
        colour = CLR_INVALID;
    }
    ::ReleaseDC(lamp, dc);
    return colour;
}

HWND CodePageList(HWND hDlg)
{
    return ::GetDlgItem(hDlg, IDC_CODEPAGE);
}

UINT SelectedCodePage(HWND hDlg)
{
    const LRESULT index = ::SendMessageW(CodePageList(hDlg), CB_GETCURSEL, 0, 0);
    return static_cast<UINT>(::SendMessageW(CodePageList(hDlg), CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}

// Selects the entry carrying the code page; false when the list has none.
bool SelectCodePage(HWND hDlg, UINT codePage)
{
    const HWND list = CodePageList(hDlg);
    const int count = static_cast<int>(::SendMessageW(list, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        if (static_cast<UINT>(::SendMessageW(list, CB_GETITEMDATA, static_cast<WPARAM>(i), 0)) == codePage) {
            ::SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
            return true;
        }
    }
    return false;
}

std::wstring ToolTipText(HWND hDlg, HWND hToolTip, int nID)
{
    wchar_t buffer[256] = L"";
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = hDlg;
    tool.uId = reinterpret_cast<UINT_PTR>(::GetDlgItem(hDlg, nID));
    tool.lpszText = buffer;
    ::SendMessageW(hToolTip, TTM_GETTEXTW, std::size(buffer), reinterpret_cast<LPARAM>(&tool));
    return buffer;
}

// The face and height of the window's font.
std::pair<std::wstring, LONG> FontOf(HWND hWnd)
{
    LOGFONTW font{};
    ::GetObjectW(reinterpret_cast<HGDIOBJ>(::SendMessageW(hWnd, WM_GETFONT, 0, 0)), sizeof(font), &font);
    return {font.lfFaceName, font.lfHeight};
}

std::wstring ResourceString(UINT id)
{
    const wchar_t* chars = nullptr;
    const int length = ::LoadStringW(AfxGetResourceHandle(), id, reinterpret_cast<LPWSTR>(&chars), 0);
    return std::wstring(chars, static_cast<std::size_t>(std::max(length, 0)));
}

// The text of the visible balloon the window owns; empty when there is none.
std::wstring BalloonText(HWND hDlg)
{
    HWND balloon = nullptr;
    while ((balloon = ::FindWindowExW(nullptr, balloon, TOOLTIPS_CLASSW, nullptr)) != nullptr) {
        if (::GetWindow(balloon, GW_OWNER) == hDlg && ::IsWindowVisible(balloon) &&
            (::GetWindowLongW(balloon, GWL_STYLE) & TTS_BALLOON) != 0) {
            return TextOf(balloon);
        }
    }
    return {};
}

int Passes(const PlatformProbe& probe)
{
    return static_cast<int>(std::count(probe.setFormats.begin(), probe.setFormats.end(), MarkerFormatId()));
}

std::vector<PlacedFormat> UnicodeText(std::wstring_view text)
{
    return {{CF_UNICODETEXT, WithZero(text)}};
}

// A copy without any text: a device-independent bitmap header alone.
std::vector<PlacedFormat> ImageOnly()
{
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = 1;
    header.biHeight = 1;
    header.biPlanes = 1;
    header.biBitCount = 32;
    std::string bytes(reinterpret_cast<const char*>(&header), sizeof(header));
    bytes.append(4, '\0');
    return {{CF_DIB, bytes}};
}

// A platform that offers no code page at all.
BOOL WINAPI EnumerateNothing(CODEPAGE_ENUMPROCA, DWORD)
{
    return FALSE;
}

int WINAPI ConvertNothing(UINT, DWORD, LPCWCH, int, LPSTR, int, LPCCH, LPBOOL)
{
    return 0;
}

// A platform without the clipboard-update notification, as before Windows Vista.
FARPROC WINAPI WithoutUpdateListener(HMODULE module, LPCSTR name)
{
    if (HIWORD(reinterpret_cast<UINT_PTR>(name)) != 0 && std::string_view(name).ends_with("ClipboardFormatListener")) {
        return nullptr;
    }
    return DefaultPlatform().GetProcAddress(module, name);
}

// A viewer that takes no message: every send to it fails.
LRESULT WINAPI RefuseToTakeMessages(HWND, UINT, WPARAM, LPARAM, UINT, UINT, PDWORD_PTR)
{
    return 0;
}

// Inside a step: hands the window its own posted messages and timers until
// done holds or the time is up; false when it did not hold.
bool PumpWindowUntil(HWND hWnd, const std::function<bool()>& done, DWORD timeoutMs)
{
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs) {
            return false;
        }
        MSG msg;
        while (::PeekMessageW(&msg, hWnd, 0, 0, PM_REMOVE)) {
            ::DispatchMessageW(&msg);
        }
        ::Sleep(5);
    }
    return true;
}

class MainDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_app.m_strProfileName = m_dir.File("Pelisan.ini");
        ASSERT_TRUE(PlaceOnClipboard({}));
    }

    // Runs the window as the application does, with the script driving it.
    INT_PTR Run(TestMainDlg& dlg, ModalScript& script)
    {
        m_app.m_pMainWnd = &dlg;
        m_viewer.Reset();
        const INT_PTR result = script.Run(dlg);
        m_app.m_pMainWnd = nullptr;
        return result;
    }

    TempDirectory m_dir;
    CConverterApp m_app;
    ViewerRecorder m_viewer{true};
};

TEST_F(MainDlgTest, OpeningSetsUpMenuListTableChainTitleAndTooltips)
{
    // Already on the clipboard at start: never converted.
    ASSERT_TRUE(PlaceOnClipboard(UnicodeText(L"before")));
    TestMainDlg dlg;
    ModalScript script{[&](HWND) {
        const HWND hDlg = dlg.m_hWnd;
        EXPECT_TRUE(dlg.m_bReady);
        EXPECT_EQ(m_viewer.draws, 0) << "a notification during opening went on";
        EXPECT_FALSE(::IsClipboardFormatAvailable(MarkerFormatId()));
        EXPECT_EQ(::GetPropA(hDlg, kInstancePropName), reinterpret_cast<HANDLE>(1));
        EXPECT_EQ(dlg.m_hNextViewer, m_viewer.Hwnd());
        EXPECT_EQ(::GetClipboardViewer(), hDlg);
        EXPECT_EQ(TextOf(hDlg), kAutoTitle);
        EXPECT_EQ(::SendMessageW(hDlg, WM_GETICON, ICON_BIG, 0), reinterpret_cast<LRESULT>(dlg.m_hIcon));
        EXPECT_EQ(::SendMessageW(hDlg, WM_QUERYDRAGICON, 0, 0), reinterpret_cast<LRESULT>(dlg.m_hIcon));
        EXPECT_NE(dlg.m_hIcon, nullptr);

        // The list is the one the other parts reach, and the font table covers it.
        ASSERT_NE(g_pCodePageCombo, nullptr);
        EXPECT_EQ(g_pCodePageCombo->m_hWnd, CodePageList(hDlg));
        EXPECT_GT(g_pCodePageCombo->GetCount(), 0);
        EXPECT_GT(m_app.m_nFontSettings, 0);
        EXPECT_LE(m_app.m_nFontSettings, g_pCodePageCombo->GetCount());
        // No control has the keyboard: keys typed for another program go nowhere.
        EXPECT_EQ(::GetFocus(), hDlg);

        const HMENU menu = ::GetSystemMenu(hDlg, FALSE);
        const int count = ::GetMenuItemCount(menu);
        ASSERT_GE(count, 2);
        MENUITEMINFOW separator{};
        separator.cbSize = sizeof(separator);
        separator.fMask = MIIM_FTYPE;
        ::GetMenuItemInfoW(menu, static_cast<UINT>(count - 2), TRUE, &separator);
        EXPECT_TRUE(separator.fType & MFT_SEPARATOR);
        wchar_t text[64] = L"";
        ::GetMenuStringW(menu, static_cast<UINT>(count - 1), text, 64, MF_BYPOSITION);
        EXPECT_STREQ(text, L"Pelisan のﾊﾞｰｼﾞｮﾝ情報(&A)...");
        EXPECT_EQ(::GetMenuItemID(menu, count - 1), static_cast<UINT>(IDM_ABOUTBOX));

        const std::pair<int, const wchar_t*> tips[] = {
            {IDC_INDICATOR, L"クリップボードに文字データがある時に点灯します。"},
            {IDC_CODEPAGE, L"コードページ (変換する言語コード) を選択します。"},
            {IDC_CONVERT, L"変換処理を実行します。(ALT+U)"},
            {IDC_SETTINGS, L"設定ダイアログを開きます。(ALT+S)"},
            {IDC_REPAIR, L"クリップボードの文字化けを修復します。(ALT+R)"},
        };
        for (const auto& [id, tip] : tips) {
            EXPECT_EQ(ToolTipText(hDlg, dlg.GetToolTipCtrl(), id), tip) << "control " << id;
        }
        // The tips are in the window's own font, which has their Japanese; the
        // system's tooltip font may have none (under Wine it has none).
        EXPECT_EQ(FontOf(dlg.GetToolTipCtrl()), FontOf(hDlg));
        EXPECT_NE(FontOf(hDlg).first, L"");
        // The program's manifest, which the test program carries too, brings
        // the controls of Common Controls 6.
        ACTCTX_SECTION_KEYED_DATA controls{};
        controls.cbSize = sizeof(controls);
        EXPECT_TRUE(::FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION,
                                               L"comctl32.dll", &controls));
        // The buttons show only the first two characters of their captions.
        ExpectLaidOut(hDlg, {{IDC_CONVERT, 2}, {IDC_REPAIR, 2}, {IDC_SETTINGS, 2}});
        EXPECT_EQ(LampColour(hDlg), kLampLit);
        dlg.PostMessage(WM_CLOSE);
    }};
    EXPECT_EQ(Run(dlg, script), IDCANCEL);
    EXPECT_EQ(::GetClipboardViewer(), m_viewer.Hwnd()) << "the window did not leave the chain";
}

TEST_F(MainDlgTest, OpeningAppliesTheSavedSettings)
{
    struct Case {
        const char* name;
        UINT savedCodePage;
        // From the largest coordinate at which the window still fits.
        std::function<int(int limit)> x, y;
        bool xStands, yStands;
        BOOL autoConvert, sleep;
        const wchar_t* title;
        const wchar_t* minimisedTitle;
    };
    const Case cases[] = {
        {"exactly fitting, 932, automatic, sleeping", 932, [](int l) { return l; }, [](int l) { return l; }, true,
         true, 1, 1, kAutoTitle, kPlainTitle},
        {"one pixel too far, code page not in the list, automatic, awake", kMissingCodePage,
         [](int l) { return l + 1; }, [](int l) { return l + 1; }, false, false, 1, 0, kAutoTitle, kAutoTitle},
        {"negative x, automatic conversion off", 1252, [](int) { return -1; }, [](int l) { return l; }, false, true, 0,
         1, kPlainTitle, kPlainTitle},
        {"negative y", 932, [](int) { return 0; }, [](int) { return -40; }, true, false, 0, 0, kPlainTitle,
         kPlainTitle},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestMainDlg dlg;
        dlg.m_nCodePage = c.savedCodePage;
        dlg.m_bAutoConvert = c.autoConvert;
        dlg.m_bSleepMinimized = c.sleep;
        int expectedX = 0;
        int expectedY = 0;
        dlg.beforeOpening = [&](TestMainDlg& d) {
            const RECT window = WindowRect(d.m_hWnd);
            const RECT screen = WindowRect(::GetDesktopWindow());
            d.m_nPosX = c.x(screen.right - (window.right - window.left));
            d.m_nPosY = c.y(screen.bottom - (window.bottom - window.top));
            expectedX = c.xStands ? d.m_nPosX : AtScreenDpi(100);
            expectedY = c.yStands ? d.m_nPosY : AtScreenDpi(100);
        };
        UINT firstCodePage = 0;
        ModalScript script{
            [&](HWND) {
                const LRESULT selected = ::SendMessageW(CodePageList(dlg.m_hWnd), CB_GETCURSEL, 0, 0);
                firstCodePage = static_cast<UINT>(::SendMessageW(CodePageList(dlg.m_hWnd), CB_GETITEMDATA, 0, 0));
                if (c.savedCodePage == kMissingCodePage) {
                    EXPECT_EQ(selected, 0);
                } else {
                    EXPECT_EQ(SelectedCodePage(dlg.m_hWnd), c.savedCodePage);
                }
                EXPECT_EQ(dlg.m_nPosX, expectedX);
                EXPECT_EQ(dlg.m_nPosY, expectedY);
                const RECT placed = WindowRect(dlg.m_hWnd);
                EXPECT_EQ(placed.left, expectedX);
                EXPECT_EQ(placed.top, expectedY);
                EXPECT_EQ(TextOf(dlg.m_hWnd), c.title);
                dlg.PostMessage(WM_SYSCOMMAND, SC_MINIMIZE);
            },
            [&](HWND) {
                EXPECT_TRUE(dlg.IsIconic());
                EXPECT_EQ(TextOf(dlg.m_hWnd), c.minimisedTitle);
                dlg.PostMessage(WM_SYSCOMMAND, SC_RESTORE);
            },
            [&](HWND) {
                EXPECT_EQ(TextOf(dlg.m_hWnd), c.title);
                dlg.PostMessage(WM_CLOSE);
            },
        };
        Run(dlg, script);
        // A code page not in the list is replaced by the first entry's.
        EXPECT_EQ(dlg.m_nCodePage, c.savedCodePage == kMissingCodePage ? firstCodePage : c.savedCodePage);
    }
}

TEST_F(MainDlgTest, NotificationConvertsOnceOnlyWhenActiveWithUnmarkedText)
{
    struct Case {
        const char* name;
        BOOL autoConvert;
        BOOL sleep;
        bool minimised;
        std::vector<PlacedFormat> copy;
        int passes;
        bool lampLit;  // checked when not minimised
        std::wstring text;  // what a pass encodes into the selected code page
    };
    const std::string marker = WithZero("PELIS");
    const Case cases[] = {
        {"text", 1, 1, false, UnicodeText(L"日本語"), 1, true, L"日本語"},
        {"image only", 1, 1, false, ImageOnly(), 0, false, L""},
        {"text marked by a pass elsewhere", 1, 1, false, {{MarkerFormatId(), marker}, {CF_TEXT, WithZero("abc")}}, 0,
         true, L""},
        {"automatic conversion off", 0, 1, false, UnicodeText(L"切"), 0, true, L""},
        {"minimised, sleeping", 1, 1, true, UnicodeText(L"休眠"), 0, true, L""},
        {"minimised, not sleeping", 1, 0, true, UnicodeText(L"起動"), 1, true, L"起動"},
        {"a password manager's copy", 1, 1, false,
         {{CF_UNICODETEXT, WithZero(L"pw")},
          {RegisterClipboardFormatA("ExcludeClipboardContentFromMonitorProcessing"), "1"}},
         0, true, L""},
        {"a copy for no viewer", 1, 1, false,
         {{RegisterClipboardFormatA("Clipboard Viewer Ignore"), "1"}, {CF_UNICODETEXT, WithZero(L"pw")}}, 0, true, L""},
        {"a desktop password", 1, 1, false,
         {{CF_UNICODETEXT, WithZero(L"pw")}, {RegisterClipboardFormatA("x-kde-passwordManagerHint"), "secret"}}, 0,
         true, L""},
        {"the next ordinary copy", 1, 1, false, UnicodeText(L"普通"), 1, true, L"普通"},
    };
    PlatformProbe probe;
    TestMainDlg dlg;
    ModalScript script{};
    for (const Case& c : cases) {
        script.Then([&](HWND) {
            dlg.m_bAutoConvert = c.autoConvert;
            dlg.m_bSleepMinimized = c.sleep;
            if (c.minimised) {
                dlg.SendMessage(WM_SYSCOMMAND, SC_MINIMIZE);
            }
            probe.Reset();
            m_viewer.Reset();
            ASSERT_TRUE(PlaceOnClipboard(c.copy)) << c.name;
        });
        script.Then([&](HWND) {
            SCOPED_TRACE(c.name);
            EXPECT_EQ(Passes(probe), c.passes);
            // Passed on once: the copy itself, or the pass's own write.
            EXPECT_EQ(m_viewer.draws, 1);
            if (c.passes == 1) {
                EXPECT_EQ(ClipboardBytes(CF_TEXT), EncodedText(932, c.text))
                    << "not converted through the selected code page";
            }
            if (c.minimised) {
                dlg.SendMessage(WM_SYSCOMMAND, SC_RESTORE);
            } else {
                EXPECT_EQ(LampColour(dlg.m_hWnd), c.lampLit ? kLampLit : ::GetSysColor(COLOR_BTNFACE));
            }
        });
    }
    script.Then([&](HWND) {
        // Before opening has finished nothing is looked at, repainted or passed on.
        dlg.m_bReady = 0;
        m_viewer.Reset();
        probe.Reset();
        ASSERT_TRUE(PlaceOnClipboard(ImageOnly()));
        EXPECT_EQ(m_viewer.draws, 0);
        EXPECT_EQ(Passes(probe), 0);
        EXPECT_EQ(LampColour(dlg.m_hWnd), kLampLit);
        dlg.m_bReady = 1;
        dlg.PostMessage(WM_CLOSE);
    });
    Run(dlg, script);
}

TEST_F(MainDlgTest, NotificationDuringAPassIsTakenUpAfterItNotInsideIt)
{
    // While a pass waits on another program, the platform delivers the
    // notifications of further copies; here one arrives as the pass opens
    // the clipboard. Handled inside, it would run a second pass there, and
    // the outer pass would then convert that pass's result.
    PlatformProbe probe;
    TestMainDlg dlg;
    ModalScript script{};
    script.Then([&](HWND hDlg) {
        probe.Reset();
        bool delivered = false;
        probe.failOpen = [&] {
            if (!delivered) {
                delivered = true;
                ::SendMessageW(hDlg, WM_DRAWCLIPBOARD, 0, 0);
            }
            return false;
        };
        m_viewer.Reset();
        ASSERT_TRUE(PlaceOnClipboard(UnicodeText(L"一度")));
        EXPECT_EQ(Passes(probe), 1);
        EXPECT_EQ(m_viewer.draws, 1);
        EXPECT_EQ(ClipboardBytes(CF_TEXT), EncodedText(932, L"一度"));
        dlg.PostMessage(WM_CLOSE);
    });
    Run(dlg, script);
}

TEST_F(MainDlgTest, AutomaticPassThatCannotWriteStillPassesTheCopyOn)
{
    struct Case {
        const char* name;
        std::function<void(PlatformProbe&)> fail;
        std::optional<std::string> unicodeAfter;
    };
    const std::string copied = WithZero(std::wstring_view(L"残す"));
    const Case cases[] = {
        {"clipboard held by another program", [](PlatformProbe& p) { p.failOpen = [] { return true; }; }, copied},
        {"clipboard cannot be emptied", [](PlatformProbe& p) { p.failEmpty = true; }, copied},
        // The clipboard was emptied: that change has a notification of its own.
        {"marker refused", [](PlatformProbe& p) { p.refuseSet = [](UINT f) { return f == MarkerFormatId(); }; },
         std::nullopt},
    };
    PlatformProbe probe;
    TestMainDlg dlg;
    ModalScript script{};
    for (const Case& c : cases) {
        script.Then([&](HWND) {
            SCOPED_TRACE(c.name);
            probe.Reset();
            ASSERT_TRUE(PlaceOnClipboard({}));
            m_viewer.Reset();
            c.fail(probe);
            ASSERT_TRUE(PlaceOnClipboard(UnicodeText(L"残す")));
            EXPECT_EQ(m_viewer.draws, 1) << "the copy was swallowed or passed on twice";
            EXPECT_EQ(ClipboardBytes(CF_UNICODETEXT), c.unicodeAfter);
            EXPECT_FALSE(::IsClipboardFormatAvailable(MarkerFormatId()));
        });
    }
    script.Then([&](HWND) { dlg.PostMessage(WM_CLOSE); });
    Run(dlg, script);
}

TEST_F(MainDlgTest, ACopyLeftWholeShowsOnTheLampIsNotTriedAgainAndConvertConvertsItOrSaysItsTextWasNotGiven)
{
    const UINT html = ::RegisterClipboardFormatA("HTML Format");
    const std::wstring text = L"日本語";
    LateRenderer renderer({{CF_UNICODETEXT, WithZero(text)}, {html, WithZero("<b>x</b>")}});
    renderer.failing.insert(html);
    LateRenderer mute({{CF_UNICODETEXT, WithZero(text)}, {html, WithZero("<b>x</b>")}});
    mute.failing.insert(CF_UNICODETEXT);
    std::wstring leftOut = ResourceString(IDS_LAMP_LEFT_OUT);
    leftOut.replace(leftOut.find(L"%s"), 2, L"HTML Format");
    TestMainDlg dlg;
    ModalScript script{
        [&](HWND) {
            m_viewer.Reset();
            ASSERT_TRUE(renderer.Copy());
        },
        [&](HWND hDlg) {
            EXPECT_EQ(renderer.requests, (std::map<UINT, int>{{CF_UNICODETEXT, 1}, {html, 1}}));
            EXPECT_FALSE(::IsClipboardFormatAvailable(MarkerFormatId()));
            EXPECT_EQ(m_viewer.draws, 1) << "the copy left whole was not passed on";
            EXPECT_EQ(LampColour(hDlg), kLampNotice);
            EXPECT_EQ(ToolTipText(hDlg, dlg.GetToolTipCtrl(), IDC_INDICATOR), ResourceString(IDS_LAMP_GIVEN_UP));
            // The same change announced again: its program is not asked again.
            ::SendMessageW(hDlg, WM_DRAWCLIPBOARD, 0, 0);
            EXPECT_EQ(renderer.requests, (std::map<UINT, int>{{CF_UNICODETEXT, 1}, {html, 1}}));
            PostClick(hDlg, IDC_CONVERT);
        },
        [&](HWND hDlg) {
            EXPECT_EQ(ClipboardBytes(CF_TEXT), EncodedText(932, text));
            EXPECT_EQ(LampColour(hDlg), kLampNotice);
            EXPECT_EQ(ToolTipText(hDlg, dlg.GetToolTipCtrl(), IDC_INDICATOR), leftOut);
            ASSERT_TRUE(PlaceOnClipboard(UnicodeText(L"普通")));
        },
        [&](HWND hDlg) {
            EXPECT_EQ(ClipboardBytes(CF_TEXT), EncodedText(932, L"普通"));
            EXPECT_EQ(LampColour(hDlg), kLampLit);
            EXPECT_EQ(ToolTipText(hDlg, dlg.GetToolTipCtrl(), IDC_INDICATOR), ResourceString(IDC_INDICATOR));
            ASSERT_TRUE(mute.Copy());
        },
        // A text its program never gives: Convert and Repair say so, never "no text".
        [&](HWND hDlg) {
            EXPECT_EQ(ToolTipText(hDlg, dlg.GetToolTipCtrl(), IDC_INDICATOR), ResourceString(IDS_LAMP_GIVEN_UP));
            PostClick(hDlg, IDC_CONVERT);
        },
        [&](HWND hDlg) {
            EXPECT_EQ(LampColour(hDlg), kLampNotice);
            EXPECT_EQ(ToolTipText(hDlg, dlg.GetToolTipCtrl(), IDC_INDICATOR), ResourceString(IDS_LAMP_UNREADABLE));
            PostClick(hDlg, IDC_REPAIR);
        },
        [&](HWND hDlg) {
            EXPECT_EQ(BalloonText(hDlg), ResourceString(IDS_REPAIR_UNREADABLE)) << "Repair told nothing";
            EXPECT_FALSE(::IsClipboardFormatAvailable(MarkerFormatId()));
            dlg.PostMessage(WM_CLOSE);
        },
    };
    Run(dlg, script);
}

TEST_F(MainDlgTest, ChainChangeReplacesPassesOnOrDrops)
{
    ViewerRecorder other(false);
    const HWND stranger = reinterpret_cast<HWND>(0x1234);
    TestMainDlg dlg;
    ModalScript script{[&](HWND) {
        const auto chainChange = [&](HWND removed, HWND after) {
            dlg.SendMessage(WM_CHANGECBCHAIN, reinterpret_cast<WPARAM>(removed), reinterpret_cast<LPARAM>(after));
        };
        // Another window leaves: the next viewer hears of it.
        chainChange(stranger, other.Hwnd());
        EXPECT_EQ(m_viewer.chainChanges, (std::vector<std::pair<HWND, HWND>>{{stranger, other.Hwnd()}}));
        EXPECT_EQ(dlg.m_hNextViewer, m_viewer.Hwnd());

        // The next viewer leaves: the one after it takes its place, nobody is told.
        m_viewer.Reset();
        chainChange(m_viewer.Hwnd(), other.Hwnd());
        EXPECT_EQ(dlg.m_hNextViewer, other.Hwnd());
        EXPECT_TRUE(m_viewer.chainChanges.empty());
        EXPECT_TRUE(other.chainChanges.empty());
        EXPECT_TRUE(PlaceOnClipboard(ImageOnly()));
        EXPECT_EQ(other.draws, 1);
        EXPECT_EQ(m_viewer.draws, 0);

        // The last viewer leaves: from now on there is nobody to tell.
        chainChange(other.Hwnd(), nullptr);
        EXPECT_EQ(dlg.m_hNextViewer, nullptr);
        other.Reset();
        chainChange(stranger, nullptr);
        EXPECT_TRUE(PlaceOnClipboard(ImageOnly()));
        EXPECT_TRUE(other.chainChanges.empty());
        EXPECT_EQ(other.draws + m_viewer.draws, 0);

        // A viewer that the window overtook by rejoining at the head leaves
        // naming the window as the one after it.
        dlg.m_hNextViewer = other.Hwnd();
        chainChange(other.Hwnd(), dlg.m_hWnd);
        EXPECT_EQ(dlg.m_hNextViewer, nullptr);
        chainChange(stranger, nullptr);

        // A viewer that missed the window's rejoining at the head still has
        // the window as its next: a notice passed on comes round again and
        // goes no further.
        dlg.m_hNextViewer = other.Hwnd();
        other.passChainChangesTo = dlg.m_hWnd;
        other.Reset();
        chainChange(stranger, nullptr);
        EXPECT_EQ(other.chainChanges, (std::vector<std::pair<HWND, HWND>>{{stranger, nullptr}}));
        other.passChainChangesTo = nullptr;

        // Back as it was, so that closing leaves the real chain intact.
        dlg.m_hNextViewer = m_viewer.Hwnd();
        dlg.PostMessage(WM_CLOSE);
    }};
    Run(dlg, script);
    EXPECT_EQ(::GetClipboardViewer(), m_viewer.Hwnd());
}

TEST_F(MainDlgTest, ChangeALaterViewerKeepsIsHandledWhereThePlatformNotifiesUpdates)
{
    struct Case {
        const char* name;
        bool listener;
        bool hung; // every viewer refuses what the window sends
    };
    const Case cases[] = {{"with the update notification", true, false},
                          {"with it, the chain hung", true, true},
                          {"without it", false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PlatformOverride restore;
        if (!c.listener) {
            g_platform.GetProcAddress = &WithoutUpdateListener;
        }
        if (c.hung) {
            g_platform.SendMessageTimeoutW = &RefuseToTakeMessages;
        }
        std::optional<ViewerRecorder> swallower;
        TestMainDlg dlg;
        ModalScript script{[&](HWND) {
            // Joined after the window, it heads the chain and passes nothing on.
            swallower.emplace(true);
            m_viewer.Reset();
            ASSERT_TRUE(PlaceOnClipboard(UnicodeText(L"黙殺")));
            EXPECT_EQ(swallower->draws, 1);
            const auto marked = [] { return ::IsClipboardFormatAvailable(MarkerFormatId()) != 0; };
            EXPECT_EQ(PumpWindowUntil(dlg.m_hWnd, marked, 1000), c.listener);
            if (c.listener) {
                EXPECT_EQ(ClipboardBytes(CF_TEXT), EncodedText(932, L"黙殺"));
                // Back at the head; the viewer after it heard of the converted text.
                EXPECT_EQ(::GetClipboardViewer(), dlg.m_hWnd);
                EXPECT_EQ(m_viewer.draws, c.hung ? 0 : 1);
                // The old head heard that the window left its place, even hung.
                EXPECT_EQ(swallower->chainChanges,
                          (std::vector<std::pair<HWND, HWND>>{{dlg.m_hWnd, m_viewer.Hwnd()}}));
            } else {
                EXPECT_EQ(::GetClipboardViewer(), swallower->Hwnd());
                EXPECT_EQ(m_viewer.draws, 0);
            }
            swallower.reset();
            EXPECT_EQ(::GetClipboardViewer(), dlg.m_hWnd);
            dlg.PostMessage(WM_CLOSE);
        }};
        Run(dlg, script);
        EXPECT_EQ(::GetClipboardViewer(), m_viewer.Hwnd());
    }
}

TEST_F(MainDlgTest, KeysReachOnlyAChosenControlEnterDoesNothingEscClosesTheListOrMinimises)
{
    // Converted by the Convert button's access key, were it taken.
    ASSERT_TRUE(PlaceOnClipboard(UnicodeText(L"before")));
    TestMainDlg dlg;
    HWND about = nullptr;
    ModalScript script{
        [&](HWND) {
            ::SetActiveWindow(dlg.m_hWnd);
            ASSERT_TRUE(SelectCodePage(dlg.m_hWnd, 1252));
            ASSERT_EQ(::GetFocus(), dlg.m_hWnd);
            // Keys typed for another program: the list's, and the buttons'
            // access keys without Alt.
            for (const WPARAM key : {VK_END, VK_DOWN, VK_SPACE, VK_RETURN}) {
                dlg.PostMessage(WM_KEYDOWN, key);
            }
            for (const WPARAM character : {L'u', L's', L'6', L' '}) {
                dlg.PostMessage(WM_CHAR, character);
            }
        },
        [&](HWND hFront) {
            EXPECT_EQ(hFront, dlg.m_hWnd) << "a key opened a dialog";
            EXPECT_EQ(SelectedCodePage(dlg.m_hWnd), 1252u);
            EXPECT_FALSE(::IsClipboardFormatAvailable(MarkerFormatId())) << "a key converted";
            EXPECT_EQ(::GetFocus(), dlg.m_hWnd);
            dlg.PostMessage(WM_KEYDOWN, VK_TAB);
        },
        [&](HWND) {
            EXPECT_EQ(::GetFocus(), CodePageList(dlg.m_hWnd)) << "Tab did not reach the list";
            ::SetFocus(CodePageList(dlg.m_hWnd));
            ::SendMessageW(CodePageList(dlg.m_hWnd), CB_SHOWDROPDOWN, TRUE, 0);
            ASSERT_TRUE(::SendMessageW(CodePageList(dlg.m_hWnd), CB_GETDROPPEDSTATE, 0, 0));
            ::PostMessageW(::GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
        },
        [&](HWND) {
            EXPECT_FALSE(::SendMessageW(CodePageList(dlg.m_hWnd), CB_GETDROPPEDSTATE, 0, 0));
            EXPECT_EQ(SelectedCodePage(dlg.m_hWnd), 1252u);
            EXPECT_FALSE(dlg.IsIconic()) << "Esc with the list dropped down minimised the window";
            ::PostMessageW(::GetFocus(), WM_KEYDOWN, VK_RETURN, 0);
        },
        [&](HWND) {
            EXPECT_TRUE(::IsWindowVisible(dlg.m_hWnd));
            EXPECT_FALSE(dlg.IsIconic());
            // The system menu's extra item.
            dlg.PostMessage(WM_SYSCOMMAND, IDM_ABOUTBOX);
        },
        [&](HWND hFront) {
            about = hFront;
            EXPECT_NE(hFront, dlg.m_hWnd);
            EXPECT_EQ(::GetWindow(hFront, GW_OWNER), dlg.m_hWnd);
            ASSERT_EQ(::GetActiveWindow(), hFront);
            ::PostMessageW(::GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
        },
        [&](HWND hFront) {
            EXPECT_EQ(hFront, dlg.m_hWnd);
            EXPECT_FALSE(::IsWindow(about)) << "Esc did not close the About box";
            // The context menu has the item too. The menu key and Shift+F10
            // give no position: both halves -1, as the system sends them.
            dlg.PostMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(dlg.m_hWnd), MAKELPARAM(-1, -1));
        },
        [&](HWND) {
            const HWND menu = ::FindWindowW(L"#32768", nullptr);
            ASSERT_TRUE(menu != nullptr && ::IsWindowVisible(menu)) << "no context menu";
            RECT at{};
            ::GetWindowRect(menu, &at);
            POINT client{0, 0};
            ::ClientToScreen(dlg.m_hWnd, &client);
            EXPECT_EQ(at.left, client.x) << "the keyboard's menu opened away from the window";
            EXPECT_EQ(at.top, client.y);
            ::PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
            ::PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
        },
        [&](HWND hFront) {
            EXPECT_NE(hFront, dlg.m_hWnd) << "the context menu's item opened no About box";
            EXPECT_EQ(::GetWindow(hFront, GW_OWNER), dlg.m_hWnd);
            ::PostMessageW(hFront, WM_CLOSE, 0, 0);
        },
        [&](HWND hFront) {
            EXPECT_EQ(hFront, dlg.m_hWnd);
            EXPECT_FALSE(dlg.IsIconic());
            ASSERT_EQ(::GetActiveWindow(), dlg.m_hWnd);
            ::PostMessageW(::GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
        },
        [&](HWND) {
            EXPECT_TRUE(dlg.IsIconic());
            EXPECT_EQ(TextOf(dlg.m_hWnd), kPlainTitle);
            // Restored as a second start restores it, not by a system command.
            ::ShowWindow(dlg.m_hWnd, SW_RESTORE);
            EXPECT_EQ(TextOf(dlg.m_hWnd), kAutoTitle);
            dlg.PostMessage(WM_CLOSE);
        },
    };
    EXPECT_EQ(Run(dlg, script), IDCANCEL);
}

TEST_F(MainDlgTest, ClosingHandsBackCodePageAndPositionUnlessMinimised)
{
    struct Case {
        const char* name;
        bool minimised;
        std::function<void(HWND)> close;
    };
    const Case cases[] = {
        {"close box", false, [](HWND h) { ::PostMessageW(h, WM_CLOSE, 0, 0); }},
        {"system menu Close, minimised", true, [](HWND h) { ::PostMessageW(h, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        // The context bit: Alt is down.
        {"Alt+F4", false, [](HWND) { ::PostMessageW(::GetFocus(), WM_SYSKEYDOWN, VK_F4, LPARAM{1} << 29); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestMainDlg dlg;
        dlg.m_nPosX = 120;
        dlg.m_nPosY = 130;
        ModalScript script{
            [&](HWND) {
                ASSERT_TRUE(SelectCodePage(dlg.m_hWnd, 1252));
                ::SetWindowPos(dlg.m_hWnd, nullptr, 150, 160, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
                if (c.minimised) {
                    dlg.PostMessage(WM_SYSCOMMAND, SC_MINIMIZE);
                }
            },
            [&](HWND) {
                EXPECT_EQ(dlg.IsIconic() != 0, c.minimised);
                ::SetActiveWindow(dlg.m_hWnd);
                c.close(dlg.m_hWnd);
            },
        };
        EXPECT_EQ(Run(dlg, script), IDCANCEL);
        EXPECT_EQ(dlg.m_hWnd, nullptr);
        EXPECT_EQ(dlg.m_nCodePage, 1252u);
        EXPECT_EQ(dlg.m_nPosX, c.minimised ? 120 : 150);
        EXPECT_EQ(dlg.m_nPosY, c.minimised ? 130 : 160);
        EXPECT_EQ(dlg.m_hNextViewer, nullptr);
        EXPECT_EQ(::GetClipboardViewer(), m_viewer.Hwnd());
    }
}

TEST_F(MainDlgTest, ConvertUsesTheSelectionAndItsFontRowEvenWithTheLampOff)
{
    WriteFileBytes(m_app.m_strProfileName, "[FNAM]\r\nFONT01252=Arial\r\n[FSIZ]\r\nFONT01252=12\r\n");
    TestMainDlg dlg;
    dlg.m_bAutoConvert = 0;
    DWORD sequence = 0;
    ModalScript script{
        [&](HWND) {
            ASSERT_TRUE(SelectCodePage(dlg.m_hWnd, 1252));
            ASSERT_TRUE(PlaceOnClipboard({{CF_TEXT, WithZero("caf\xE9")}}));
            PostClick(dlg.m_hWnd, IDC_CONVERT);
        },
        [&](HWND) {
            EXPECT_EQ(ClipboardBytes(CF_UNICODETEXT), WithZero(std::wstring_view(L"caf\u00e9")));
            const std::string rtf = ClipboardBytes(RtfFormatId()).value_or("");
            EXPECT_NE(rtf.find("Arial"), std::string::npos) << rtf;
            EXPECT_NE(rtf.find("\\fs24"), std::string::npos) << rtf;
            // A clipboard without text: the lamp is off, the button still runs
            // a pass, which changes nothing.
            ASSERT_TRUE(PlaceOnClipboard(ImageOnly()));
            EXPECT_EQ(LampColour(dlg.m_hWnd), ::GetSysColor(COLOR_BTNFACE));
            sequence = ::GetClipboardSequenceNumber();
            PostClick(dlg.m_hWnd, IDC_CONVERT);
        },
        [&](HWND) {
            EXPECT_EQ(::GetClipboardSequenceNumber(), sequence);
            EXPECT_EQ(ClipboardBytes(CF_DIB), ImageOnly().front().bytes);
            ASSERT_TRUE(PlaceOnClipboard({{::RegisterClipboardFormatA("HTML Format"), WithZero("<b>x</b>")}}));
            sequence = ::GetClipboardSequenceNumber();
            PostClick(dlg.m_hWnd, IDC_CONVERT);
        },
        [&](HWND) {
            EXPECT_EQ(::GetClipboardSequenceNumber(), sequence);
            EXPECT_FALSE(::IsClipboardFormatAvailable(MarkerFormatId()));
            dlg.PostMessage(WM_CLOSE);
        },
    };
    Run(dlg, script);
}

TEST_F(MainDlgTest, SettingsApplyOnOkOnly)
{
    TestMainDlg dlg;
    dlg.m_bTopMost = 1;
    const auto topmost = [&] { return (::GetWindowLongW(dlg.m_hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
    ModalScript script{};
    for (const int button : {IDCANCEL, IDOK}) {
        const bool ok = button == IDOK;
        script.Then([&](HWND) {
            EXPECT_TRUE(topmost());
            PostClick(dlg.m_hWnd, IDC_SETTINGS);
        });
        script.Then([&, button](HWND hFront) {
            ASSERT_NE(hFront, dlg.m_hWnd);
            PostClick(hFront, IDC_AUTO);
            PostClick(hFront, IDC_TOPMOST);
            PostClick(hFront, button);
        });
        script.Then([&, ok](HWND hFront) {
            SCOPED_TRACE(ok ? "OK" : "Cancel");
            EXPECT_EQ(hFront, dlg.m_hWnd);
            EXPECT_EQ(dlg.m_bAutoConvert, ok ? 0 : 1);
            EXPECT_EQ(dlg.m_bTopMost, ok ? 0 : 1);
            EXPECT_EQ(topmost(), !ok);
            EXPECT_EQ(TextOf(dlg.m_hWnd), ok ? kPlainTitle : kAutoTitle);
            EXPECT_EQ(WindowRect(dlg.m_hWnd).left, dlg.m_nPosX) << "the window moved";
        });
    }
    script.Then([&](HWND) { dlg.PostMessage(WM_CLOSE); });
    Run(dlg, script);
}

TEST_F(MainDlgTest, EmptyListConvertsNothingAndKeepsTheSavedCodePage)
{
    PlatformOverride restore;
    g_platform.EnumSystemCodePagesA = &EnumerateNothing;
    g_platform.WideCharToMultiByte = &ConvertNothing;
    TestMainDlg dlg;
    dlg.m_nCodePage = 1252;
    ModalScript script{
        [&](HWND) {
            ASSERT_EQ(::SendMessageW(CodePageList(dlg.m_hWnd), CB_GETCOUNT, 0, 0), 0);
            ASSERT_TRUE(PlaceOnClipboard(UnicodeText(L"untouched")));
            PostClick(dlg.m_hWnd, IDC_CONVERT);
        },
        [&](HWND) {
            EXPECT_FALSE(::IsClipboardFormatAvailable(MarkerFormatId()));
            EXPECT_EQ(ClipboardBytes(CF_UNICODETEXT), WithZero(std::wstring_view(L"untouched")));
            dlg.PostMessage(WM_CLOSE);
        },
    };
    Run(dlg, script);
    EXPECT_EQ(dlg.m_nCodePage, 1252u);
}

// The notification area's balloon (the shell's, in its own process) that
// says the text; null when none is shown within the time (Wine's shows two
// seconds after it was asked for).
HWND ShellBalloonSaying(HWND hDlg, const std::wstring& text)
{
    HWND found = nullptr;
    PumpWindowUntil(
        hDlg,
        [&] {
            HWND balloon = nullptr;
            while ((balloon = ::FindWindowExW(nullptr, balloon, TOOLTIPS_CLASSW, nullptr)) != nullptr) {
                DWORD process = 0;
                ::GetWindowThreadProcessId(balloon, &process);
                wchar_t shown[512] = L"";
                ::SendMessageTimeoutW(balloon, WM_GETTEXT, std::size(shown), reinterpret_cast<LPARAM>(shown),
                                      SMTO_ABORTIFHUNG, 1000, nullptr);
                if (process != ::GetCurrentProcessId() && ::IsWindowVisible(balloon) && text == shown) {
                    found = balloon;
                    return true;
                }
            }
            return false;
        },
        3000);
    return found;
}

// The asking program's window: what the window answered to a request.
struct Answer {
    bool bGiven = false;
    ULONG_PTR status = 0;
    std::wstring text;
};

LRESULT CALLBACK TakeAnswer(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_COPYDATA) {
        return ::DefWindowProcW(hWnd, message, wParam, lParam);
    }
    auto* answer = reinterpret_cast<Answer*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    *answer = {true, data->dwData, std::wstring(static_cast<const wchar_t*>(data->lpData),
                                                data->cbData / sizeof(wchar_t))};
    return TRUE;
}

TEST_F(MainDlgTest, SystemWideKeysAndRequestsActWhileMinimisedAndTellFromTheNotificationArea)
{
    const UINT request = ::RegisterWindowMessageA(kActionMessageName);
    // "日本語" in UTF-8, read as 1252.
    const std::wstring mojibake = L"\u00e6\u2014\u00a5\u00e6\u0153\u00ac\u00e8\u00aa\u017e";
    const struct {
        const char* name;
        UINT message;
        WindowAction action;
        std::vector<PlacedFormat> placed;
        std::wstring told;
        // The bytes of the format afterwards.
        UINT format;
        std::string result;
    } rows[] = {
        {"convert key", WM_HOTKEY, kActionConvert, UnicodeText(L"日本語"), ResourceString(IDS_CONVERTED), CF_TEXT,
         EncodedText(932, L"日本語")},
        {"repair key", WM_HOTKEY, kActionRepair, UnicodeText(mojibake), {}, CF_UNICODETEXT,
         WithZero(std::wstring_view(L"日本語"))},
        {"convert request, no text", request, kActionConvert, ImageOnly(), ResourceString(IDS_REPAIR_NO_TEXT), CF_DIB,
         ImageOnly().front().bytes},
        {"repair request, nothing to repair", request, kActionRepair, UnicodeText(L"plain"),
         ResourceString(IDS_REPAIR_NOTHING), CF_UNICODETEXT, WithZero(std::wstring_view(L"plain"))},
    };
    TestMainDlg dlg;
    ModalScript script{[&](HWND hDlg) {
        // The repair's words name the code pages as the list does.
        const auto label = [&](UINT codePage) {
            const HWND list = CodePageList(hDlg);
            const int count = static_cast<int>(::SendMessageW(list, CB_GETCOUNT, 0, 0));
            for (int i = 0; i < count; ++i) {
                if (static_cast<UINT>(::SendMessageW(list, CB_GETITEMDATA, i, 0)) == codePage) {
                    wchar_t text[256] = L"";
                    ::SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
                    const std::wstring_view shown = text;
                    return std::wstring(shown.substr(shown.find_first_not_of(L' ')));
                }
            }
            return std::to_wstring(codePage);
        };
        std::wstring repaired = ResourceString(IDS_REPAIRED_LAST);
        const std::wstring utf8 = label(CP_UTF8);
        repaired.replace(repaired.find(L"%1"), 2, utf8);
        const std::wstring ansi = label(1252);
        repaired.replace(repaired.find(L"%2"), 2, ansi);
        ASSERT_TRUE(SelectCodePage(hDlg, 932));
        ::SendMessageW(hDlg, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        ASSERT_TRUE(dlg.IsIconic());
        for (const auto& row : rows) {
            SCOPED_TRACE(row.name);
            // Asleep while minimised: only the key converts.
            ASSERT_TRUE(PlaceOnClipboard(row.placed));
            EXPECT_FALSE(::IsClipboardFormatAvailable(MarkerFormatId()));
            const LRESULT answer = ::SendMessageW(hDlg, row.message, row.action, 0);
            EXPECT_EQ(ClipboardBytes(row.format), row.result);
            if (row.message == request) {
                EXPECT_EQ(answer, 1);
            }
            const std::wstring told = row.told.empty() ? repaired : row.told;
            EXPECT_NE(ShellBalloonSaying(hDlg, told), nullptr);
            EXPECT_EQ(BalloonText(hDlg), L"") << "a balloon at a button of the minimised window";
        }
        // A request with the asker's window is answered there, status and words.
        WNDCLASSW askerClass{};
        askerClass.lpfnWndProc = TakeAnswer;
        askerClass.hInstance = ::GetModuleHandleW(nullptr);
        askerClass.lpszClassName = L"PelisanTestAsker";
        ::RegisterClassW(&askerClass);
        const HWND asker = ::CreateWindowExW(0, askerClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                             askerClass.hInstance, nullptr);
        Answer answer;
        ::SetWindowLongPtrW(asker, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&answer));
        for (const auto& [placed, status, told] :
             {std::tuple{UnicodeText(mojibake), 0, repaired},
              std::tuple{UnicodeText(L"plain"), 3, ResourceString(IDS_REPAIR_NOTHING)}}) {
            ASSERT_TRUE(PlaceOnClipboard(placed));
            answer = {};
            EXPECT_EQ(::SendMessageW(hDlg, request, kActionRepair, reinterpret_cast<LPARAM>(asker)), 1);
            EXPECT_TRUE(answer.bGiven);
            EXPECT_EQ(answer.status, static_cast<ULONG_PTR>(status));
            EXPECT_EQ(answer.text, told);
        }
        ::DestroyWindow(asker);
        // An action the window does not know is refused, and does nothing.
        const DWORD sequence = ::GetClipboardSequenceNumber();
        EXPECT_EQ(::SendMessageW(hDlg, request, 3, 0), 0);
        EXPECT_EQ(::GetClipboardSequenceNumber(), sequence);
        // Visible again, the window tells at the button.
        ::SendMessageW(hDlg, WM_SYSCOMMAND, SC_RESTORE, 0);
        ASSERT_TRUE(PlaceOnClipboard(UnicodeText(L"日本語")));
        ::SendMessageW(hDlg, WM_HOTKEY, kActionConvert, 0);
        EXPECT_EQ(BalloonText(hDlg), ResourceString(IDS_CONVERTED));
        dlg.PostMessage(WM_CLOSE);
    }};
    Run(dlg, script);
}

TEST_F(MainDlgTest, AKeyAnotherProgramHasIsMarkedInTheSettingsWhenTheyOpenAndAfterOk)
{
    // The test takes two keys first, as another program would.
    const WORD convert = MAKEWORD('U', HOTKEYF_CONTROL | HOTKEYF_ALT | HOTKEYF_SHIFT);
    const WORD other = MAKEWORD(VK_F11, HOTKEYF_CONTROL | HOTKEYF_ALT);
    ASSERT_TRUE(::RegisterHotKey(nullptr, 0x7001, MOD_CONTROL | MOD_ALT | MOD_SHIFT, 'U'));
    ASSERT_TRUE(::RegisterHotKey(nullptr, 0x7002, MOD_CONTROL | MOD_ALT, VK_F11));
    const auto marked = [](HWND hSettings, int nID) { return ::IsWindowVisible(::GetDlgItem(hSettings, nID)) != 0; };
    TestMainDlg dlg;
    dlg.m_wConvertHotKey = convert;
    dlg.m_wRepairHotKey = MAKEWORD('R', HOTKEYF_CONTROL | HOTKEYF_ALT | HOTKEYF_SHIFT);
    ModalScript script{
        [&](HWND hDlg) { PostClick(hDlg, IDC_SETTINGS); },
        [&](HWND hSettings) {
            EXPECT_EQ(::SendDlgItemMessageW(hSettings, IDC_CONVERT_KEY, HKM_GETHOTKEY, 0, 0), convert);
            EXPECT_TRUE(marked(hSettings, IDC_CONVERT_KEY_TAKEN));
            EXPECT_EQ(ItemTextOf(hSettings, IDC_CONVERT_KEY_TAKEN), L"他で使用中");
            EXPECT_FALSE(marked(hSettings, IDC_REPAIR_KEY_TAKEN));
            ExpectLaidOut(hSettings);
            ::SendDlgItemMessageW(hSettings, IDC_REPAIR_KEY, HKM_SETHOTKEY, other, 0);
            PostClick(hSettings, IDOK);
        },
        // The new key is taken too: the dialog stays to say so, once.
        [&](HWND hSettings) {
            ASSERT_NE(hSettings, dlg.m_hWnd) << "OK closed the dialog over a taken key";
            EXPECT_TRUE(marked(hSettings, IDC_CONVERT_KEY_TAKEN));
            EXPECT_TRUE(marked(hSettings, IDC_REPAIR_KEY_TAKEN));
            ExpectLaidOut(hSettings);
            PostClick(hSettings, IDOK);
        },
        [&](HWND hFront) {
            EXPECT_EQ(hFront, dlg.m_hWnd);
            // Kept, not lost: the key stands for the next start.
            EXPECT_EQ(dlg.m_wConvertHotKey, convert);
            EXPECT_EQ(dlg.m_wRepairHotKey, other);
            // Once the other program lets it go, the next OK makes it the window's.
            ::UnregisterHotKey(nullptr, 0x7002);
            PostClick(dlg.m_hWnd, IDC_SETTINGS);
        },
        [&](HWND hSettings) {
            EXPECT_TRUE(marked(hSettings, IDC_REPAIR_KEY_TAKEN));
            PostClick(hSettings, IDOK);
        },
        [&](HWND hFront) {
            EXPECT_EQ(hFront, dlg.m_hWnd);
            EXPECT_FALSE(::RegisterHotKey(nullptr, 0x7003, MOD_CONTROL | MOD_ALT, VK_F11))
                << "the window does not hold the freed key";
            PostClick(dlg.m_hWnd, IDC_SETTINGS);
        },
        [&](HWND hSettings) {
            EXPECT_FALSE(marked(hSettings, IDC_REPAIR_KEY_TAKEN));
            PostClick(hSettings, IDCANCEL);
        },
        [&](HWND) { dlg.PostMessage(WM_CLOSE); },
    };
    Run(dlg, script);
    ::UnregisterHotKey(nullptr, 0x7001);
    // Closed, the window lets its keys go.
    EXPECT_TRUE(::RegisterHotKey(nullptr, 0x7003, MOD_CONTROL | MOD_ALT, VK_F11));
    ::UnregisterHotKey(nullptr, 0x7003);
}

} // namespace
