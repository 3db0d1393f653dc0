// Another program holds the clipboard open while a pass runs: the pass gives
// up after its retries and writes nothing, and the viewers after the window
// still hear of the copy.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <optional>
#include <string>

#include "PelisanWindow.h"
#include "ProcessRunner.h"
#include "TestViewer.h"
#include "unit/ClipboardProbe.h"

namespace {

// A copy with a format besides the text, which an emptied or rewritten
// clipboard would lose.
const std::wstring kText = L"保持中 é";
const std::string kExtra = "not text";

UINT ExtraFormat()
{
    return RegisterClipboardFormatA("PelisanTestExtra");
}

bool CopyWithExtra(const std::wstring& text)
{
    return PlaceOnClipboard({{CF_UNICODETEXT, WithZero(text)}, {ExtraFormat(), kExtra}});
}

// The copy is on the clipboard as it was placed, and nothing has changed since.
void ExpectUntouched(const std::wstring& text, DWORD sequence)
{
    EXPECT_EQ(GetClipboardSequenceNumber(), sequence);
    EXPECT_EQ(ClipboardBytes(CF_UNICODETEXT), WithZero(text));
    EXPECT_EQ(ClipboardBytes(ExtraFormat()), kExtra);
    EXPECT_FALSE(IsClipboardFormatAvailable(MarkerFormatId()));
}

TEST(Contention, APassThatCannotOpenTheClipboardWritesNothingAndTheChainHearsOfTheCopy)
{
    const std::wstring workDir = MakeTempDir();
    const TestClipboardWindow copier;
    ASSERT_TRUE(copier.Ready());
    ASSERT_TRUE(PlaceOnClipboard({}));
    TestViewer after; // joined first: after the window in the chain
    ASSERT_TRUE(after.Ready());
    PelisanWindow pelisan;
    ASSERT_TRUE(pelisan.Start(workDir));
    // Joined last, this viewer hears of a copy first and, while told to,
    // keeps the clipboard open until the window has handled the copy.
    std::atomic<bool> hold{false};
    std::atomic<int> held{0};
    std::optional<TestViewer> holder;
    holder.emplace([&](const std::function<void()>& passOn) {
        if (hold && OpenRealClipboard(holder->Window())) {
            ++held;
            passOn();
            CloseClipboard();
        } else {
            passOn();
        }
    });
    ASSERT_TRUE(holder->Ready());

    // An automatic pass while the clipboard is held.
    hold = true;
    ASSERT_TRUE(CopyWithExtra(kText));
    const DWORD copied = GetClipboardSequenceNumber();
    ASSERT_TRUE(WaitFor([&] {
        const std::vector<DWORD> notices = after.Notices();
        return !notices.empty() && notices.back() == copied;
    })) << "the viewer after the window did not hear of the copy";
    ASSERT_TRUE(WaitFor([&] { return held == 1; }));
    hold = false;
    ExpectUntouched(kText, copied);

    // A command-line pass while this test holds the clipboard.
    ASSERT_TRUE(OpenRealClipboard());
    std::string stdError;
    const int exitCode = RunPelisanReadingStdError(L"1252 /r", workDir, stdError);
    CloseClipboard();
    EXPECT_EQ(exitCode, 2) << "a pass that wrote nothing reported success";
    // Under Wine the line ends as Linux lines do.
    EXPECT_EQ(stdError, "pelisan: the clipboard could not be read or written, or changed meanwhile; "
                        "nothing was converted\n");
    ExpectUntouched(kText, copied);

    // Once the clipboard is free again, a copy is converted as usual.
    const std::wstring next = L"解放後";
    ASSERT_TRUE(CopyWithExtra(next));
    EXPECT_TRUE(WaitFor(MarkedAndWritten));
    EXPECT_EQ(ClipboardBytes(CF_UNICODETEXT), WithZero(next));
    EXPECT_TRUE(pelisan.Answers());
    EXPECT_EQ(pelisan.Close(), 0);
}

} // namespace
