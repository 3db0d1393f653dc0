// The About box, run on its template: its texts, the pointer over the link,
// a click on the link and the ways to close it.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "LayoutCheck.h"
#include "ModalScript.h"
#include "framework/Cp932.h"
#include "framework/WinApp.h"
#include "res/maker.h"
#include "res/resource.h"
#include "ui/AboutDlg.h"

namespace {

struct ShellCall {
    HWND owner;
    std::string verb, file;
    bool noParameters, noDirectory;
    INT show;
    bool operator==(const ShellCall&) const = default;
};

std::vector<ShellCall> g_shellCalls;

HINSTANCE WINAPI RecordShellExecute(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                                    INT show)
{
    g_shellCalls.push_back({owner, verb, file, parameters == nullptr, directory == nullptr, show});
    return reinterpret_cast<HINSTANCE>(42);
}

class AboutDlgTest : public ::testing::Test {
protected:
    AboutDlgTest() : m_pfnSaved(g_pfnShellExecute)
    {
        g_pfnShellExecute = RecordShellExecute;
        g_shellCalls.clear();
    }
    ~AboutDlgTest() override { g_pfnShellExecute = m_pfnSaved; }

private:
    ShellExecuteAProc m_pfnSaved;
};

std::wstring Wide(const char* ascii)
{
    return FromCp932(ascii);
}

// The static controls' texts in tab order.
std::vector<std::wstring> StaticTexts(HWND hDlg)
{
    std::vector<std::wstring> texts;
    for (HWND child = ::GetWindow(hDlg, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[16] = L"";
        ::GetClassNameW(child, className, 16);
        if (::lstrcmpiW(className, L"Static") == 0 && (::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) {
            texts.push_back(TextOf(child));
        }
    }
    return texts;
}

HCURSOR CursorOver(HWND hDlg, HWND hWnd, LRESULT* pResult = nullptr)
{
    ::SetCursor(nullptr);
    const LRESULT result = ::SendMessageW(hDlg, WM_SETCURSOR, reinterpret_cast<WPARAM>(hWnd),
                                          MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    if (pResult != nullptr) {
        *pResult = result;
    }
    return ::GetCursor();
}

void ClickOn(HWND hWnd)
{
    ::SendMessageW(hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    ::SendMessageW(hWnd, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

// The x, y, width and height of the built template's icon control in dialog
// units, or none. Only the template tells: the platform sizes the control to
// the icon's image when it creates it.
std::vector<short> TemplateIconPlace(UINT nIDTemplate)
{
    const HRSRC found = ::FindResourceW(AfxGetResourceHandle(), MAKEINTRESOURCEW(nIDTemplate), RT_DIALOG);
    const auto* bytes = static_cast<const BYTE*>(::LockResource(::LoadResource(AfxGetResourceHandle(), found)));
    if (bytes == nullptr) {
        return {};
    }
    const auto word = [](const BYTE* p) { return *reinterpret_cast<const WORD*>(p); };
    // An ordinal (0xFFFF and a number) or a zero-terminated text.
    const auto skipName = [&](const BYTE* p) {
        if (word(p) == 0xFFFF) {
            return p + 4;
        }
        while (word(p) != 0) {
            p += 2;
        }
        return p + 2;
    };
    // The extended template's header, its menu, class and caption, then its
    // font: size, weight, italic and character set, and the face.
    const WORD items = word(bytes + 16);
    const BYTE* p = skipName(skipName(skipName(bytes + 26)));
    p = skipName(p + 6);
    for (WORD i = 0; i < items; ++i) {
        p = bytes + ((p - bytes + 3) & ~3);
        // Help id, extended style, style, then x, y, width and height, then the id.
        const DWORD style = *reinterpret_cast<const DWORD*>(p + 8);
        const auto* place = reinterpret_cast<const short*>(p + 12);
        // The class: the static control's ordinal, or its name as windres writes it.
        const bool isStatic = word(p + 24) == 0xFFFF ? word(p + 26) == 0x0082
                                                     : ::lstrcmpiW(reinterpret_cast<LPCWSTR>(p + 24), L"Static") == 0;
        if (isStatic && (style & SS_TYPEMASK) == SS_ICON) {
            return {place[0], place[1], place[2], place[3]};
        }
        p = skipName(skipName(p + 24));
        p += 2 + word(p);
    }
    return {};
}

} // namespace

TEST_F(AboutDlgTest, ShowsNameVersionAndTheMakersLines)
{
    CAboutDlg dlg;
    ModalScript script{[](HWND hDlg) {
        EXPECT_EQ(L"Pelisan はフリーソフトです", TextOf(hDlg));
        const std::vector<std::wstring> expected = {L"Pelisan Version 1.30", Wide(PELISAN_COPYRIGHT),
                                                    Wide(PELISAN_CONTACT), Wide(PELISAN_HOMEPAGE)};
        EXPECT_EQ(expected, StaticTexts(hDlg));
        EXPECT_EQ(Wide(PELISAN_CONTACT), ItemTextOf(hDlg, IDC_CONTACT));
        EXPECT_EQ(Wide(PELISAN_HOMEPAGE), ItemTextOf(hDlg, IDC_LINK));
        const HWND icon = ::FindWindowExW(hDlg, nullptr, L"Static", nullptr);
        EXPECT_EQ(SS_ICON, ::GetWindowLongW(icon, GWL_STYLE) & SS_TYPEMASK);
        EXPECT_NE(0, ::SendMessageW(icon, STM_GETICON, 0, 0));
        ExpectLaidOut(hDlg);
        PostClick(hDlg, IDOK);
    }};
    EXPECT_EQ(IDOK, script.Run(dlg));
    EXPECT_EQ((std::vector<short>{11, 17, 20, 20}), TemplateIconPlace(IDD_ABOUTBOX));
}

TEST_F(AboutDlgTest, TheHandShowsOnlyOverTheLink)
{
    const HCURSOR hand = ::LoadCursorW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDC_HAND_CURSOR));
    const HCURSOR arrow = ::LoadCursorW(nullptr, IDC_ARROW);
    ASSERT_NE(nullptr, hand);
    ASSERT_NE(arrow, hand);
    CAboutDlg dlg;
    ModalScript script{[&](HWND hDlg) {
        const auto item = [hDlg](int nID) { return ::GetDlgItem(hDlg, nID); };
        LRESULT handled = FALSE;
        EXPECT_EQ(hand, CursorOver(hDlg, item(IDC_LINK), &handled));
        EXPECT_TRUE(handled);
        EXPECT_EQ(arrow, CursorOver(hDlg, item(IDC_CONTACT)));
        EXPECT_EQ(arrow, CursorOver(hDlg, item(IDOK)));
        EXPECT_EQ(arrow, CursorOver(hDlg, hDlg));
        EXPECT_EQ(hand, CursorOver(hDlg, item(IDC_LINK)));
        PostClick(hDlg, IDOK);
    }};
    EXPECT_EQ(IDOK, script.Run(dlg));
}

TEST_F(AboutDlgTest, ClickingTheLinkOpensTheHomePageAndKeepsTheBoxOpen)
{
    const ShellCall open{nullptr, "open", PELISAN_HOMEPAGE, true, true, SW_SHOWNORMAL};
    CAboutDlg dlg;
    ModalScript script{[&](HWND hDlg) {
        ClickOn(::GetDlgItem(hDlg, IDC_LINK));
        EXPECT_EQ(std::vector<ShellCall>{open}, g_shellCalls);
        ClickOn(::GetDlgItem(hDlg, IDC_CONTACT));
        ClickOn(::GetDlgItem(hDlg, IDC_LINK));
        EXPECT_EQ((std::vector<ShellCall>{open, open}), g_shellCalls);
        EXPECT_EQ(hDlg, FrontDialog());
        EXPECT_TRUE(::IsWindowVisible(hDlg));
        PostClick(hDlg, IDOK);
    }};
    EXPECT_EQ(IDOK, script.Run(dlg));
}

TEST_F(AboutDlgTest, OkEscAndTheCloseBoxCloseIt)
{
    const struct {
        const char* name;
        void (*close)(HWND);
        INT_PTR result;
    } cases[] = {
        {"OK", [](HWND hDlg) { PostClick(hDlg, IDOK); }, IDOK},
        {"Esc", [](HWND hDlg) { ::PostMessageW(hDlg, WM_KEYDOWN, VK_ESCAPE, 0); }, IDCANCEL},
        {"close box", [](HWND hDlg) { ::PostMessageW(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0); }, IDCANCEL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CAboutDlg dlg;
        ModalScript script{c.close};
        EXPECT_EQ(c.result, script.Run(dlg));
        EXPECT_EQ(nullptr, FrontDialog());
    }
    EXPECT_TRUE(g_shellCalls.empty());
}
