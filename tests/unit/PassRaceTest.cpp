// Another program at the clipboard while a pass runs: what it holds or
// copies then is never replaced by what the pass read before.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "ClipboardProbe.h"
#include "core/ConversionPass.h"
#include "core/RepairPass.h"
#include "repair/MojibakeRepair.h"

namespace {

const std::wstring kOlder = L"先の写し";
const std::wstring kNewer = L"後の写し";

TEST(PassRace, ACopyMadeBetweenTheReadingAndTheWritingIsKept)
{
    ASSERT_TRUE(PlaceOnClipboard({{CF_UNICODETEXT, WithZero(kOlder)}}));
    PlatformProbe probe;
    probe.Reset();
    // The pass opens the clipboard to read it, then to write: in between,
    // another program copies.
    int opening = 0;
    probe.failOpen = [&] {
        if (++opening == 2) {
            PlaceOnClipboard({{CF_UNICODETEXT, WithZero(kNewer)}});
        }
        return false;
    };
    EXPECT_EQ(ConversionPass(932, TRUE, "", 0), PassResult::ClipboardFailed);
    EXPECT_EQ(probe.opens, 2);
    EXPECT_EQ(ClipboardBytes(CF_UNICODETEXT), WithZero(kNewer));
    EXPECT_FALSE(IsClipboardFormatAvailable(MarkerFormatId()));
    EXPECT_TRUE(probe.setFormats.empty());
    EXPECT_TRUE(probe.ownedBlocks.empty()) << "a block of the pass was neither handed over nor freed";
}

TEST(PassRace, ACopyMadeWhileARepairReadsOrDecidesIsKept)
{
    std::wstring garbled;
    ASSERT_TRUE(MisreadText(L"日本語のテキスト", {CP_UTF8, 1252}, garbled));
    // A repair opens the clipboard to read the text, to read the pictures
    // once it has decided, and to write: another program copies before the
    // second or the third.
    for (const int copyAt : {2, 3}) {
        SCOPED_TRACE(copyAt);
        ASSERT_TRUE(PlaceOnClipboard({{CF_UNICODETEXT, WithZero(garbled)}}));
        PlatformProbe probe;
        probe.Reset();
        int opening = 0;
        probe.failOpen = [&] {
            if (++opening == copyAt) {
                PlaceOnClipboard({{CF_UNICODETEXT, WithZero(kNewer)}});
            }
            return false;
        };
        EXPECT_EQ(RepairPass(932, TRUE, "", 0).outcome, RepairOutcome::ClipboardFailed);
        EXPECT_EQ(probe.opens, copyAt);
        EXPECT_EQ(ClipboardBytes(CF_UNICODETEXT), WithZero(kNewer));
        EXPECT_TRUE(probe.setFormats.empty());
        EXPECT_TRUE(probe.ownedBlocks.empty()) << "a block of the repair was neither handed over nor freed";
    }
}

TEST(PassRace, AReadingThatCouldNotOpenWritesNothingThoughTheClipboardIsFreeAgain)
{
    ASSERT_TRUE(PlaceOnClipboard({{CF_UNICODETEXT, WithZero(kOlder)}}));
    const DWORD before = GetClipboardSequenceNumber();
    PlatformProbe probe;
    probe.Reset();
    // Held by another program for every attempt of the reading and free from
    // the next opening on: an opening that follows a refused one with no
    // wait between them is the pass's next step.
    bool held = true;
    bool refusedLast = false;
    std::size_t waitsAtLast = 0;
    probe.failOpen = [&] {
        held = held && !(refusedLast && probe.waits.size() == waitsAtLast);
        refusedLast = held;
        waitsAtLast = probe.waits.size();
        return held;
    };
    EXPECT_EQ(ConversionPass(932, TRUE, "", 0), PassResult::ClipboardFailed);
    EXPECT_FALSE(probe.waits.empty()) << "the reading did not wait for the clipboard";
    EXPECT_EQ(probe.opens, 0) << "the pass went on after a reading that did not happen";
    EXPECT_EQ(GetClipboardSequenceNumber(), before);
    EXPECT_EQ(ClipboardBytes(CF_UNICODETEXT), WithZero(kOlder));
}

} // namespace
