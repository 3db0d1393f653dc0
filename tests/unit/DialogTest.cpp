// The framework's modal dialogs, run for real on test templates and driven by
// the messages a user's actions send.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "TestDialogs.h"
#include "framework/ComboBox.h"
#include "framework/Cp932.h"
#include "framework/DataExchange.h"
#include "framework/Dc.h"
#include "framework/Dialog.h"
#include "framework/ListCtrl.h"
#include "framework/WinApp.h"

namespace {

constexpr UINT kNextStep = WM_APP + 1;

// Ends a modal loop that a failing test would leave waiting forever; started
// afresh for each dialog.
UINT_PTR g_watchdog = 0;

void CALLBACK EndHungLoop(HWND, UINT, UINT_PTR, DWORD)
{
    ::PostQuitMessage(99);
}

void RestartWatchdog()
{
    ::KillTimer(nullptr, g_watchdog);
    g_watchdog = ::SetTimer(nullptr, 0, 20000, EndHungLoop);
}

std::wstring TextOf(HWND hWnd)
{
    wchar_t text[512] = L"";
    ::GetWindowTextW(hWnd, text, 512);
    return text;
}

// A dialog on a test template whose run is a script: each step is taken from
// the modal loop in its turn, one posted message per step.
class ScriptedDialog : public CDialog {
public:
    using Step = std::function<void(ScriptedDialog&)>;

    explicit ScriptedDialog(UINT nIDTemplate = IDD_TEST_FORM, CWnd* pParentWnd = nullptr)
        : CDialog(nIDTemplate, pParentWnd)
    {
    }

    HWND Item(int nID) const { return ::GetDlgItem(m_hWnd, nID); }
    void PostTo(int nID, UINT message, WPARAM wParam = 0) const { ::PostMessageW(Item(nID), message, wParam, 0); }
    void Click(int nID) const { PostTo(nID, BM_CLICK); }
    void Type(const wchar_t* text) const { ::SetWindowTextW(Item(IDC_TEST_NUMBER), text); }

    BOOL PreTranslateMessage(MSG* pMsg) override
    {
        return (m_preTranslate && m_preTranslate(*pMsg)) || CDialog::PreTranslateMessage(pMsg);
    }

    BOOL OnInitDialog() override
    {
        const CComboBox choice(Item(IDC_TEST_CHOICE));
        for (const char* label : {"zero", "one", "two"}) {
            choice.AddString(label);
        }
        RestartWatchdog();
        CDialog::OnInitDialog();
        ::GetWindowRect(m_hWnd, &m_rectAtInit);
        if (!m_steps.empty()) {
            PostMessage(kNextStep);
        }
        return TRUE;
    }

    int m_nNumber = 0;
    std::string m_strText;
    int m_nCheck = 0;
    int m_nChoice = -1;
    CListCtrl m_list;

    std::vector<Step> m_steps;
    Step m_onButton;
    Step m_onRefused;
    std::function<bool(const MSG&)> m_preTranslate;

    int m_nSaves = 0;
    std::vector<HWND> m_toolRequests;
    RECT m_rectAtInit{};

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Text(pDX, IDC_TEST_NUMBER, m_nNumber);
        DDV_MinMaxInt(pDX, m_nNumber, 0, 100);
        DDX_Text(pDX, IDC_TEST_TEXT, m_strText);
        DDX_Check(pDX, IDC_TEST_CHECK, m_nCheck);
        DDX_CBIndex(pDX, IDC_TEST_CHOICE, m_nChoice);
        DDX_Control(pDX, IDC_TEST_LIST, m_list);
        m_nSaves += pDX->m_bSaveAndValidate;
    }

    void OnOK() override
    {
        const int saves = m_nSaves;
        CDialog::OnOK();
        if (m_nSaves == saves && m_onRefused) {
            m_onRefused(*this);
        }
    }

    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override
    {
        switch (message) {
        case kNextStep:
            m_steps[m_nextStep++](*this);
            if (m_nextStep < m_steps.size()) {
                PostMessage(kNextStep);
            }
            return TRUE;
        case WM_COMMAND:
            if (wParam == MAKEWPARAM(IDC_TEST_BUTTON, BN_CLICKED) && m_onButton) {
                m_onButton(*this);
                return TRUE;
            }
            break;
        case WM_NOTIFY:
            return OnToolTipNotify(reinterpret_cast<TOOLTIPTEXTW*>(lParam));
        default:
            break;
        }
        return CDialog::OnWndMsg(message, wParam, lParam, pResult);
    }

private:
    // Answers with the string whose id is the control's, as the program's
    // windows do.
    BOOL OnToolTipNotify(TOOLTIPTEXTW* pText)
    {
        if (pText->hdr.code != TTN_NEEDTEXTW || (pText->uFlags & TTF_IDISHWND) == 0) {
            return FALSE;
        }
        const HWND tool = reinterpret_cast<HWND>(pText->hdr.idFrom);
        m_toolRequests.push_back(tool);
        pText->lpszText = MAKEINTRESOURCEW(::GetDlgCtrlID(tool));
        pText->hinst = AfxGetResourceHandle();
        return TRUE;
    }

    std::size_t m_nextStep = 0;
};

// What a message box showed; the closer below clicks its OK.
struct SeenBox {
    std::wstring title;
    std::wstring text;
    HWND owner;
    bool exclamation;
};
std::vector<SeenBox> g_seenBoxes;

BOOL CALLBACK FindExclamationIcon(HWND hWnd, LPARAM lParam)
{
    const HICON exclamation = ::LoadIconW(nullptr, IDI_EXCLAMATION);
    if (reinterpret_cast<HICON>(::SendMessageW(hWnd, STM_GETICON, 0, 0)) == exclamation) {
        *reinterpret_cast<bool*>(lParam) = true;
    }
    return TRUE;
}

BOOL CALLBACK CloseMessageBox(HWND hWnd, LPARAM)
{
    // A message box is the visible dialog with the text control 0xFFFF.
    wchar_t className[16] = L"";
    ::GetClassNameW(hWnd, className, 16);
    const HWND text = ::GetDlgItem(hWnd, 0xFFFF);
    if (std::wstring(className) != L"#32770" || !::IsWindowVisible(hWnd) || text == nullptr) {
        return TRUE;
    }
    SeenBox box{TextOf(hWnd), TextOf(text), ::GetWindow(hWnd, GW_OWNER), false};
    ::EnumChildWindows(hWnd, FindExclamationIcon, reinterpret_cast<LPARAM>(&box.exclamation));
    g_seenBoxes.push_back(box);
    ::SendMessageW(hWnd, WM_COMMAND, IDOK, 0);
    return TRUE;
}

void CALLBACK CloseMessageBoxes(HWND, UINT, UINT_PTR, DWORD)
{
    ::EnumThreadWindows(::GetCurrentThreadId(), CloseMessageBox, 0);
}


DWORD WINAPI SendCancel(LPVOID dialog)
{
    ::SendMessageW(static_cast<HWND>(dialog), WM_COMMAND, IDCANCEL, 0);
    return 0;
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_app.Enable3dControlsStatic();
        RestartWatchdog();
        g_seenBoxes.clear();
    }

    void TearDown() override
    {
        ::KillTimer(nullptr, g_watchdog);
        MSG msg;
        EXPECT_FALSE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "a modal loop hung";
    }

    // A top-level window standing in for the application's main window.
    HWND CreateMainWindow(int x, int y, int width, int height)
    {
        m_mainWnd.m_hWnd = ::CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y, width,
                                             height, nullptr, nullptr, nullptr, nullptr);
        m_app.m_pMainWnd = &m_mainWnd;
        return m_mainWnd.m_hWnd;
    }

    void DestroyMainWindow()
    {
        ::DestroyWindow(m_mainWnd.m_hWnd);
        m_app.m_pMainWnd = nullptr;
    }

    CWinApp m_app{"Pelisan"};
    CWnd m_mainWnd;
};

TEST_F(DialogTest, ModalRunEndsWithTheResultOfTheUsersAction)
{
    struct Case {
        const char* action;
        ScriptedDialog::Step step;
        INT_PTR result;
    };
    const Case cases[] = {
        {"OK button", [](ScriptedDialog& d) { d.Click(IDOK); }, IDOK},
        {"Cancel button", [](ScriptedDialog& d) { d.Click(IDCANCEL); }, IDCANCEL},
        {"Enter", [](ScriptedDialog& d) { d.PostTo(IDC_TEST_NUMBER, WM_KEYDOWN, VK_RETURN); }, IDOK},
        {"Esc", [](ScriptedDialog& d) { d.PostTo(IDC_TEST_NUMBER, WM_KEYDOWN, VK_ESCAPE); }, IDCANCEL},
        {"close box", [](ScriptedDialog& d) { d.PostMessage(WM_SYSCOMMAND, SC_CLOSE); }, IDCANCEL},
        {"EndDialog from a handler", [](ScriptedDialog& d) { d.Click(IDC_TEST_BUTTON); }, 42},
        {"Cancel sent from another thread",
         [](ScriptedDialog& d) { ::CloseHandle(::CreateThread(nullptr, 0, SendCancel, d.m_hWnd, 0, nullptr)); },
         IDCANCEL},
    };
    for (const Case& c : cases) {
        ScriptedDialog dialog;
        dialog.m_steps = {c.step};
        dialog.m_onButton = [](ScriptedDialog& d) { d.EndDialog(42); };
        HWND window = nullptr;
        dialog.m_steps.insert(dialog.m_steps.begin(), [&window](ScriptedDialog& d) { window = d.m_hWnd; });
        EXPECT_EQ(dialog.DoModal(), c.result) << c.action;
        EXPECT_FALSE(::IsWindow(window)) << c.action;
        EXPECT_EQ(dialog.m_hWnd, nullptr) << c.action;
        EXPECT_EQ(dialog.m_nSaves, c.result == IDOK ? 1 : 0) << c.action;
    }

    ScriptedDialog missing(IDD_TEST_MISSING);
    EXPECT_EQ(missing.DoModal(), -1);
}

TEST_F(DialogTest, QuitRequestEndsTheLoopAndIsPostedAgain)
{
    ScriptedDialog dialog;
    dialog.m_steps = {[](ScriptedDialog&) { ::PostQuitMessage(7); }};
    EXPECT_EQ(dialog.DoModal(), -1);
    MSG msg;
    ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(DialogTest, PreTranslateMessageSeesKeysBeforeTheDialogManager)
{
    ScriptedDialog dialog;
    int swallowed = 0;
    dialog.m_preTranslate = [&swallowed](const MSG& msg) {
        const bool esc = msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE;
        swallowed += esc;
        return esc;
    };
    // Esc would cancel; swallowed, it leaves the dialog for Enter to end.
    dialog.m_steps = {[](ScriptedDialog& d) { d.PostTo(IDC_TEST_TEXT, WM_KEYDOWN, VK_ESCAPE); },
                      [](ScriptedDialog& d) { d.PostTo(IDC_TEST_TEXT, WM_KEYDOWN, VK_RETURN); }};
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(swallowed, 1);
}

TEST_F(DialogTest, OkSavesEveryFieldAndCancelNone)
{
    const std::string loadedText = ToCp932(L"表示する文字");
    const std::string typedText = ToCp932(L"入力した文字 ｶﾅ");
    for (const INT_PTR ending : {IDOK, IDCANCEL}) {
        ScriptedDialog dialog;
        dialog.m_nNumber = -5;
        dialog.m_strText = loadedText;
        dialog.m_nCheck = 1;
        dialog.m_nChoice = 2;
        dialog.m_steps = {[&](ScriptedDialog& d) {
            EXPECT_EQ(TextOf(d.Item(IDC_TEST_NUMBER)), L"-5");
            EXPECT_EQ(TextOf(d.Item(IDC_TEST_TEXT)), L"表示する文字");
            EXPECT_EQ(::SendMessageW(d.Item(IDC_TEST_CHECK), BM_GETCHECK, 0, 0), BST_CHECKED);
            EXPECT_EQ(::SendMessageW(d.Item(IDC_TEST_CHOICE), CB_GETCURSEL, 0, 0), 2);
            EXPECT_EQ(d.m_list.m_hWnd, d.Item(IDC_TEST_LIST));
            d.Type(L" 64 ");
            ::SetWindowTextW(d.Item(IDC_TEST_TEXT), FromCp932(typedText).c_str());
            d.Click(IDC_TEST_CHECK);
            ::SendMessageW(d.Item(IDC_TEST_CHOICE), CB_SETCURSEL, 0, 0);
            d.Click(static_cast<int>(ending));
        }};
        EXPECT_EQ(dialog.DoModal(), ending);
        const bool saved = ending == IDOK;
        EXPECT_EQ(dialog.m_nNumber, saved ? 64 : -5);
        EXPECT_EQ(dialog.m_strText, saved ? typedText : loadedText);
        EXPECT_EQ(dialog.m_nCheck, saved ? BST_INDETERMINATE : BST_CHECKED);
        EXPECT_EQ(dialog.m_nChoice, saved ? 0 : 2);
    }
}

TEST_F(DialogTest, CheckAndSelectionExchangeBothWays)
{
    ScriptedDialog dialog;
    dialog.m_steps = {[](ScriptedDialog& d) {
        const HWND check = d.Item(IDC_TEST_CHECK);
        const struct {
            int value;
            LRESULT shown;
        } loads[] = {{0, BST_UNCHECKED}, {1, BST_CHECKED}, {2, BST_INDETERMINATE}, {3, BST_UNCHECKED},
                     {-1, BST_UNCHECKED}, {INT_MIN, BST_UNCHECKED}, {INT_MAX, BST_UNCHECKED}};
        for (const auto& load : loads) {
            d.m_nCheck = load.value;
            EXPECT_TRUE(d.UpdateData(FALSE));
            EXPECT_EQ(::SendMessageW(check, BM_GETCHECK, 0, 0), load.shown) << load.value;
        }
        // Each click moves the three-state box on: 0, 1, 2, 0.
        for (const int expected : {1, 2, 0}) {
            ::SendMessageW(check, BM_CLICK, 0, 0);
            EXPECT_TRUE(d.UpdateData(TRUE));
            EXPECT_EQ(d.m_nCheck, expected);
        }

        const HWND choice = d.Item(IDC_TEST_CHOICE);
        for (const int index : {2, 0, -1}) {
            d.m_nChoice = index;
            EXPECT_TRUE(d.UpdateData(FALSE));
            EXPECT_EQ(::SendMessageW(choice, CB_GETCURSEL, 0, 0), index);
        }
        for (const int index : {1, -1}) {
            ::SendMessageW(choice, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
            EXPECT_TRUE(d.UpdateData(TRUE));
            EXPECT_EQ(d.m_nChoice, index);
        }
        d.Click(IDCANCEL);
    }};
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
}

TEST_F(DialogTest, RefusedNumberKeepsTheDialogOpenWithTheFieldSelected)
{
    const wchar_t* const wholeNumber = L"整数を入力してください。";
    const wchar_t* const range = L"0 から 100 までの整数を入力してください。";
    const struct {
        const wchar_t* typed;
        const wchar_t* message;
        int saved;
    } cases[] = {
        {L"0", nullptr, 0},
        {L"100", nullptr, 100},
        {L"\t7 ", nullptr, 7},
        {L"-1", range, 50},
        {L"101", range, 50},
        {L"-2147483648", range, 50},
        {L"", wholeNumber, 50},
        {L"abc", wholeNumber, 50},
        {L"12abc", wholeNumber, 50},
        {L"1 2", wholeNumber, 50},
        {L"+5", wholeNumber, 50},
        {L"１２", wholeNumber, 50},
        {L"99999999999", wholeNumber, 50},
    };
    const UINT_PTR closer = ::SetTimer(nullptr, 0, 20, CloseMessageBoxes);
    for (const auto& c : cases) {
        g_seenBoxes.clear();
        ScriptedDialog dialog;
        int refusals = 0;
        HWND window = nullptr;
        bool focusOnField = false;
        DWORD selection = 0;
        dialog.m_steps = {[&](ScriptedDialog& d) {
            window = d.m_hWnd;
            ::SetFocus(d.Item(IDC_TEST_TEXT));
            d.Type(c.typed);
            d.Click(IDOK);
        }};
        // After a refusal the user corrects the field and presses OK again.
        dialog.m_onRefused = [&](ScriptedDialog& d) {
            ++refusals;
            focusOnField = ::GetFocus() == d.Item(IDC_TEST_NUMBER);
            selection = static_cast<DWORD>(::SendMessageW(d.Item(IDC_TEST_NUMBER), EM_GETSEL, 0, 0));
            EXPECT_TRUE(::IsWindowVisible(d.m_hWnd));
            d.Type(L"50");
            d.Click(IDOK);
        };
        EXPECT_EQ(dialog.DoModal(), IDOK) << c.typed;
        EXPECT_EQ(dialog.m_nNumber, c.saved) << c.typed;
        if (c.message == nullptr) {
            EXPECT_EQ(refusals, 0) << c.typed;
            EXPECT_TRUE(g_seenBoxes.empty()) << c.typed;
            continue;
        }
        EXPECT_EQ(refusals, 1) << c.typed;
        ASSERT_EQ(g_seenBoxes.size(), 1u) << c.typed;
        EXPECT_EQ(g_seenBoxes[0].text, c.message) << c.typed;
        EXPECT_EQ(g_seenBoxes[0].title, L"Pelisan") << c.typed;
        EXPECT_TRUE(g_seenBoxes[0].exclamation) << c.typed;
        EXPECT_EQ(g_seenBoxes[0].owner, window) << c.typed;
        EXPECT_TRUE(focusOnField) << c.typed;
        EXPECT_EQ(LOWORD(selection), 0) << c.typed;
        EXPECT_EQ(HIWORD(selection), std::wstring(c.typed).size()) << c.typed;
    }
    ::KillTimer(nullptr, closer);
}

TEST_F(DialogTest, OwnerIsDisabledWhileOpenAndTheDialogCentredOverIt)
{
    const HWND main = CreateMainWindow(100, 80, 700, 500);
    ScriptedDialog outer;
    HWND outerWindow = nullptr;
    HWND innerOwner = nullptr;
    bool outerEnabledUnderInner = true;
    outer.m_steps = {[&](ScriptedDialog& d) {
        outerWindow = d.m_hWnd;
        EXPECT_EQ(::GetWindow(d.m_hWnd, GW_OWNER), main);
        EXPECT_FALSE(::IsWindowEnabled(main));
        EXPECT_TRUE(::IsWindowVisible(d.m_hWnd));
        RECT own;
        RECT owner;
        ::GetWindowRect(d.m_hWnd, &own);
        ::GetWindowRect(main, &owner);
        EXPECT_NEAR(own.left + own.right, owner.left + owner.right, 1);
        EXPECT_NEAR(own.top + own.bottom, owner.top + owner.bottom, 1);
        d.Click(IDC_TEST_BUTTON);
    }};
    // Opened from the outer dialog without a parent: the main window's last
    // active pop-up, the outer dialog, owns it.
    outer.m_onButton = [&](ScriptedDialog& d) {
        ScriptedDialog inner;
        inner.m_steps = {[&](ScriptedDialog& i) {
            innerOwner = ::GetWindow(i.m_hWnd, GW_OWNER);
            outerEnabledUnderInner = ::IsWindowEnabled(d.m_hWnd);
            i.Click(IDCANCEL);
        }};
        EXPECT_EQ(inner.DoModal(), IDCANCEL);
        EXPECT_TRUE(::IsWindowEnabled(d.m_hWnd));
        EXPECT_FALSE(::IsWindowEnabled(main));
        d.Click(IDOK);
    };
    EXPECT_EQ(outer.DoModal(), IDOK);
    EXPECT_EQ(innerOwner, outerWindow);
    EXPECT_FALSE(outerEnabledUnderInner);
    EXPECT_TRUE(::IsWindowEnabled(main));
    EXPECT_EQ(::GetActiveWindow(), main);

    // An explicit parent owns it instead; the main window stays enabled.
    CWnd parent(::CreateWindowExW(0, L"STATIC", L"parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 300, 200, 100,
                                  nullptr, nullptr, nullptr, nullptr));
    ScriptedDialog child(IDD_TEST_FORM, &parent);
    child.m_steps = {[&](ScriptedDialog& d) {
        EXPECT_EQ(::GetWindow(d.m_hWnd, GW_OWNER), parent.m_hWnd);
        EXPECT_FALSE(::IsWindowEnabled(parent.m_hWnd));
        EXPECT_TRUE(::IsWindowEnabled(main));
        d.Click(IDCANCEL);
    }};
    EXPECT_EQ(child.DoModal(), IDCANCEL);
    EXPECT_TRUE(::IsWindowEnabled(parent.m_hWnd));
    ::DestroyWindow(parent.m_hWnd);

    // A missing template leaves the owner as it was.
    ScriptedDialog missing(IDD_TEST_MISSING);
    EXPECT_EQ(missing.DoModal(), -1);
    EXPECT_TRUE(::IsWindowEnabled(main));
    DestroyMainWindow();
}

TEST_F(DialogTest, MainWindowHasNoOwnerAndPlacesItself)
{
    ScriptedDialog dialog(IDD_TEST_VISIBLE);
    m_app.m_pMainWnd = &dialog;
    dialog.m_steps = {[&](ScriptedDialog& d) {
        EXPECT_EQ(::GetWindow(d.m_hWnd, GW_OWNER), nullptr);
        RECT now;
        ::GetWindowRect(d.m_hWnd, &now);
        EXPECT_TRUE(::EqualRect(&now, &d.m_rectAtInit));
        d.PostMessage(WM_CLOSE);
    }};
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    m_app.m_pMainWnd = nullptr;
}

// Answers WM_SETTEXT after a nested message of its own, to show that Default()
// still means the message its handler is handling.
class NestingDialog : public CDialog {
public:
    NestingDialog() : CDialog(IDD_TEST_VISIBLE) {}

    LRESULT m_nestedLength = -1;
    std::wstring m_textAfterDefault;

protected:
    BOOL OnInitDialog() override
    {
        ::SetWindowTextW(m_hWnd, L"新しい題");
        EndDialog(IDOK);
        return TRUE;
    }

    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override
    {
        switch (message) {
        case WM_SETTEXT:
            m_nestedLength = SendMessage(WM_GETTEXTLENGTH);
            *pResult = Default();
            m_textAfterDefault = TextOf(m_hWnd);
            return TRUE;
        case WM_GETTEXTLENGTH:
            *pResult = Default();
            return TRUE;
        default:
            return CDialog::OnWndMsg(message, wParam, lParam, pResult);
        }
    }
};

TEST_F(DialogTest, DefaultProcessesTheMessageOfItsHandler)
{
    NestingDialog dialog;
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.m_nestedLength, static_cast<LRESULT>(std::wstring(L"見える").size()));
    EXPECT_EQ(dialog.m_textAfterDefault, L"新しい題");
}

TEST_F(DialogTest, ToolTipsCoverEveryChildAndAskTheDialogForTexts)
{
    ScriptedDialog dialog;
    dialog.m_steps = {[](ScriptedDialog& d) {
        ASSERT_TRUE(d.EnableToolTips(TRUE));
        const HWND tips = d.GetToolTipCtrl();
        ASSERT_NE(tips, nullptr);
        // The test form has eight controls.
        EXPECT_EQ(::SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0), 8);
        // A long tip wraps at the dialog's width rather than leave the screen.
        RECT window;
        ::GetWindowRect(d.m_hWnd, &window);
        EXPECT_EQ(::SendMessageW(tips, TTM_GETMAXTIPWIDTH, 0, 0), window.right - window.left);
        const struct {
            int id;
            const wchar_t* text;
        } tools[] = {{IDC_TEST_NUMBER, L"数を入れます。"}, {IDC_TEST_CHOICE, L"一つ選びます。"},
                     {IDC_TEST_BUTTON, L"押します。"}};
        for (const auto& tool : tools) {
            wchar_t text[256] = L"";
            TTTOOLINFOW info{};
            info.cbSize = sizeof(info);
            info.hwnd = d.m_hWnd;
            info.uId = reinterpret_cast<UINT_PTR>(d.Item(tool.id));
            info.lpszText = text;
            ::SendMessageW(tips, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&info));
            EXPECT_STREQ(text, tool.text) << tool.id;
            ASSERT_FALSE(d.m_toolRequests.empty());
            EXPECT_EQ(d.m_toolRequests.back(), d.Item(tool.id));
        }
        d.Click(IDOK);
    }};
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

TEST_F(DialogTest, ListCtrlKeepsCp932TextsOfAnyLength)
{
    ScriptedDialog dialog;
    dialog.m_steps = {[](ScriptedDialog& d) {
        const CListCtrl& list = d.m_list;
        EXPECT_EQ(list.InsertColumn(0, ToCp932(L"言 語").c_str(), LVCFMT_LEFT, 100), 0);
        EXPECT_EQ(list.InsertColumn(1, ToCp932(L"ｻｲｽﾞ").c_str(), LVCFMT_RIGHT, 40), 1);
        const std::string label = ToCp932(L"  932 日本語 (シフト JIS)");
        const std::string longText(300, 'x');
        EXPECT_EQ(list.InsertItem(0, label.c_str()), 0);
        EXPECT_EQ(list.InsertItem(1, "second"), 1);
        EXPECT_TRUE(list.SetItemText(1, 1, longText.c_str()));
        EXPECT_EQ(list.GetItemCount(), 2);
        EXPECT_EQ(list.GetItemText(0, 0), label);
        EXPECT_EQ(list.GetItemText(1, 1), longText);
        EXPECT_EQ(list.GetItemText(0, 1), "");

        EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), -1);
        LVITEMW state{};
        state.stateMask = LVIS_SELECTED;
        state.state = LVIS_SELECTED;
        list.SendMessage(LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&state));
        EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 1);

        const DWORD before = list.GetExtendedStyle();
        EXPECT_EQ(list.SetExtendedStyle(before | LVS_EX_FULLROWSELECT), before);
        EXPECT_EQ(list.GetExtendedStyle(), before | LVS_EX_FULLROWSELECT);
        d.Click(IDCANCEL);
    }};
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
}

TEST(DeviceContext, FillSolidRectFillsOnlyTheRectangle)
{
    const HDC screen = ::GetDC(nullptr);
    CDC dc;
    dc.m_hDC = ::CreateCompatibleDC(screen);
    const HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 8, 8);
    ::ReleaseDC(nullptr, screen);
    const HGDIOBJ old = ::SelectObject(dc.m_hDC, bitmap);
    const RECT all{0, 0, 8, 8};
    dc.FillSolidRect(&all, RGB(0, 0, 0));
    const RECT inner{2, 2, 6, 6};
    dc.FillSolidRect(&inner, RGB(0, 255, 0));
    EXPECT_EQ(::GetPixel(dc.m_hDC, 2, 2), RGB(0, 255, 0));
    EXPECT_EQ(::GetPixel(dc.m_hDC, 5, 5), RGB(0, 255, 0));
    EXPECT_EQ(::GetPixel(dc.m_hDC, 1, 1), RGB(0, 0, 0));
    EXPECT_EQ(::GetPixel(dc.m_hDC, 6, 6), RGB(0, 0, 0));
    ::SelectObject(dc.m_hDC, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc.m_hDC);
}

} // namespace
