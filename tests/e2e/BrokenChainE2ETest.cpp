// Misbehaving clipboard viewers, each a process of its own, in the chain with
// the window: one that passes nothing on, one that ends without leaving the
// chain, one that hangs. Copies made here are still converted within a
// second and once only, the window keeps answering, and a well-behaved
// viewer after the window in the chain sees only converted text.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "PelisanWindow.h"
#include "ProcessRunner.h"
#include "TestViewer.h"
#include "unit/ClipboardProbe.h"

namespace {

constexpr DWORD kConvertedWithinMs = 1000;

// pelisan_test_viewer started in one of its modes and joined to the chain.
class ViewerProcess {
public:
    explicit ViewerProcess(const std::wstring& mode)
        : m_hProcess(StartProgram(ProgramBeside(L"pelisan_test_viewer.exe"), mode, L""))
    {
        if (m_hProcess == nullptr) {
            return;
        }
        // Its window's title tells that it has joined.
        const auto joined = [](HWND hWnd) {
            wchar_t title[16] = L"";
            GetWindowTextW(hWnd, title, 16);
            return std::wstring(title) == L"joined";
        };
        const DWORD processId = GetProcessId(m_hProcess);
        WaitFor([&] { return (m_hWnd = FindTopLevelWindow(processId, joined)) != nullptr; });
    }
    // Leaves the chain and ends, or is killed.
    ~ViewerProcess()
    {
        if (m_hProcess != nullptr) {
            PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
            WaitForExit(m_hProcess, kTimeoutMs);
            CloseHandle(m_hProcess);
        }
    }
    ViewerProcess(const ViewerProcess&) = delete;
    ViewerProcess& operator=(const ViewerProcess&) = delete;

    bool Ready() const { return m_hWnd != nullptr; }
    HWND Window() const { return m_hWnd; }
    // Its thread takes no message for this long.
    void Hang(DWORD ms) const { PostMessageW(m_hWnd, WM_APP, ms, 0); }
    // Ends as a crash does, without leaving the chain.
    void Kill() const
    {
        TerminateProcess(m_hProcess, 1);
        WaitForSingleObject(m_hProcess, kTimeoutMs);
    }

private:
    HANDLE m_hProcess;
    HWND m_hWnd = nullptr;
};

class BrokenChain : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_copier.Ready());
        ASSERT_TRUE(m_after.Ready());
        ASSERT_TRUE(PlaceOnClipboard({}));
    }

    bool StartWindow() { return m_pelisan.Start(MakeTempDir()); }

    // Copies a text and expects it converted once, soon, by a window that
    // still answers.
    void ExpectCopyConverted(int nCopy)
    {
        const std::wstring text = L"写し é " + std::to_wstring(nCopy);
        ASSERT_TRUE(PlaceOnClipboard({{CF_UNICODETEXT, WithZero(text)}}));
        EXPECT_TRUE(WaitFor(MarkedAndWritten, kConvertedWithinMs))
            << "copy " << nCopy << " was not converted within a second";
        EXPECT_EQ(ClipboardBytes(CF_UNICODETEXT), WithZero(text));
        EXPECT_EQ(ClipboardBytes(CF_TEXT), EncodedText(932, text));
        EXPECT_TRUE(ClipboardStaysUnchanged()) << "copy " << nCopy << " was converted twice";
        EXPECT_TRUE(m_pelisan.Answers());
    }

    // The viewer after the window heard of the clipboard as it is now.
    bool AfterHeardOfTheLastChange() const
    {
        const std::vector<DWORD> notices = m_after.Notices();
        return !notices.empty() && notices.back() == GetClipboardSequenceNumber();
    }

    void CloseWindow()
    {
        EXPECT_EQ(m_unconvertedSeen, 0) << "the viewer after the window saw text before its conversion";
        EXPECT_EQ(m_pelisan.Close(), 0);
    }

    const TestClipboardWindow m_copier;
    std::atomic<int> m_unconvertedSeen{0};
    // Joined first: after the window in the chain.
    TestViewer m_after{[this](const std::function<void()>& passOn) {
        if (IsClipboardFormatAvailable(CF_UNICODETEXT) && !IsClipboardFormatAvailable(MarkerFormatId())) {
            ++m_unconvertedSeen;
        }
        passOn();
    }};
    PelisanWindow m_pelisan;
};

TEST_F(BrokenChain, ALaterViewerPassesNothingOn)
{
    ASSERT_TRUE(StartWindow());
    {
        // Joined after the window, it heads the chain and keeps every notice.
        const ViewerProcess swallower(L"swallow");
        ASSERT_TRUE(swallower.Ready());
        ExpectCopyConverted(1);
        // The window rejoined at the head and passed its result on.
        EXPECT_TRUE(AfterHeardOfTheLastChange());
        EXPECT_EQ(GetClipboardViewer(), m_pelisan.Window());
        ExpectCopyConverted(2);
    }
    // It left the chain naming the window, which now heads it, as the one
    // after it: the window goes on all the same.
    ExpectCopyConverted(3);
    CloseWindow();
}

TEST_F(BrokenChain, ALaterViewerEndedWithoutLeaving)
{
    ASSERT_TRUE(StartWindow());
    const ViewerProcess viewer(L"pass");
    ASSERT_TRUE(viewer.Ready());
    ExpectCopyConverted(1);
    EXPECT_TRUE(AfterHeardOfTheLastChange());
    viewer.Kill();
    for (int copy = 2; copy <= 3; ++copy) {
        ExpectCopyConverted(copy);
        EXPECT_TRUE(AfterHeardOfTheLastChange()) << "copy " << copy;
    }
    CloseWindow();
}

TEST_F(BrokenChain, TheNextViewerHangs)
{
    // Joined before the window: the next viewer after it.
    const ViewerProcess hanging(L"pass");
    ASSERT_TRUE(hanging.Ready());
    ASSERT_TRUE(StartWindow());
    ExpectCopyConverted(1);
    EXPECT_TRUE(AfterHeardOfTheLastChange());

    hanging.Hang(4000);
    for (int copy = 2; copy <= 3; ++copy) {
        ExpectCopyConverted(copy);
    }
    // Awake again, it passes the next change on.
    ASSERT_TRUE(WaitFor([&] { return Answers(hanging.Window()); }));
    ExpectCopyConverted(4);
    EXPECT_TRUE(WaitFor([&] { return AfterHeardOfTheLastChange(); }));
    CloseWindow();
}

TEST_F(BrokenChain, AHeadThatHungThroughTheRepairStillLinksUp)
{
    // Joined before the window: the viewer just behind it.
    std::optional<TestViewer> behind(std::in_place);
    ASSERT_TRUE(behind->Ready());
    ASSERT_TRUE(StartWindow());
    // Joined after the window, it heads the chain; it hangs through a copy,
    // which the window converts and rejoins the chain at the head for.
    const ViewerProcess head(L"pass");
    ASSERT_TRUE(head.Ready());
    head.Hang(6000);
    ExpectCopyConverted(1);
    ASSERT_TRUE(WaitFor([&] { return Answers(head.Window()); }));
    // Its notice comes round the chain: had the head missed the window's
    // leaving its place, it would pass it back to the window and round again.
    behind.reset();
    ExpectCopyConverted(2);
    CloseWindow();
}

} // namespace
