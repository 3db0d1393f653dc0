// Hundreds of copies in quick succession while the window converts
// automatically: each result is one conversion of one copy, the last copy
// ends converted, and the window neither hangs nor keeps what it used.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include <iostream>
#include <cwchar>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "PelisanWindow.h"
#include "ProcessRunner.h"
#include "TestViewer.h"
#include "unit/ClipboardProbe.h"

namespace {

constexpr int kCopies = 500;
// Copies converted one by one before the figures are first taken, so that
// whatever the window sets up on its first passes is in place.
constexpr int kWarmUpCopies = 10;
constexpr UINT kCodePage = 932; // the window's default
// Large enough that a block kept per pass shows in the figures: a pass moves
// two texts of about 32 KB and an RTF copy of about 64 KB.
constexpr std::size_t kTextUnits = 16000;
// A handle or a block kept per pass would exceed these within the dozen or
// so passes a storm gives (the window takes up the copies that arrive during
// a pass together, after it). The slack allows for what Wine's plumbing
// opens once on its own and for the pages the heap keeps; measured, the
// figures came back exactly.
constexpr DWORD kHandleSlack = 4;
constexpr SIZE_T kMemorySlack = 64 * 1024;

const std::wstring kCopyPrefix = L"写し ";

// Every copy differs; é and € have no form in code page 932, so converting a
// pass's own result once more would change its Unicode text.
std::wstring CopyText(int i)
{
    std::wstring text = kCopyPrefix + std::to_wstring(i) + L" é€ ";
    text.resize(kTextUnits, static_cast<wchar_t>(L'あ' + i % 80));
    return text;
}

// The copy whose text this is, if any.
std::optional<int> CopyIndex(const std::string& unicode)
{
    const std::wstring units(reinterpret_cast<const wchar_t*>(unicode.data()), unicode.size() / sizeof(wchar_t));
    if (units.rfind(kCopyPrefix, 0) != 0) {
        return std::nullopt;
    }
    const int i = _wtoi(units.c_str() + kCopyPrefix.size());
    return units == CopyText(i) + L'\0' ? std::optional(i) : std::nullopt;
}

// Copies as a Unicode program does, waiting out any other holder.
bool Copy(const std::wstring& text)
{
    return PlaceOnClipboard({{CF_UNICODETEXT, WithZero(text)}});
}

// What one opening of the clipboard shows.
struct Snapshot {
    DWORD sequence = 0;
    bool marked = false;
    std::string unicode; // read only when marked: then the window placed it
    std::string text;
};

Snapshot TakeSnapshot(HWND window)
{
    Snapshot snapshot;
    if (!OpenRealClipboard(window)) {
        return snapshot;
    }
    snapshot.sequence = GetClipboardSequenceNumber();
    snapshot.marked = IsClipboardFormatAvailable(MarkerFormatId()) != 0;
    if (snapshot.marked) {
        if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
            snapshot.unicode = BlockBytes(data);
        }
        if (HANDLE data = GetClipboardData(CF_TEXT)) {
            snapshot.text = BlockBytes(data);
        }
    }
    CloseClipboard();
    return snapshot;
}

// The handles a process holds. Wine answers GetProcessHandleCount with 0 for
// every process; its table of the system's handles is complete.
DWORD HandleCount(HANDLE process)
{
    DWORD count = 0;
    if (GetProcessHandleCount(process, &count) && count != 0) {
        return count;
    }
    using QueryProc = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<QueryProc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (query == nullptr) {
        return 0;
    }
    constexpr ULONG kSystemHandleInformation = 16;
    std::vector<unsigned char> table(1 << 16);
    ULONG needed = 0;
    LONG status;
    while ((status = query(kSystemHandleInformation, table.data(), static_cast<ULONG>(table.size()), &needed)) ==
           static_cast<LONG>(0xC0000004)) { // STATUS_INFO_LENGTH_MISMATCH
        table.resize(table.size() * 2);
    }
    if (status != 0) {
        return 0;
    }
    const auto* info = reinterpret_cast<const SYSTEM_HANDLE_INFORMATION*>(table.data());
    const DWORD processId = GetProcessId(process);
    for (ULONG i = 0; i < info->Count; ++i) {
        count += info->Handle[i].OwnerPid == processId ? 1 : 0;
    }
    return count;
}

struct ProcessFigures {
    DWORD handles = 0;
    SIZE_T privateBytes = 0;
};

ProcessFigures Measure(HANDLE process)
{
    ProcessFigures figures;
    figures.handles = HandleCount(process);
    PROCESS_MEMORY_COUNTERS counters{};
    // The commit charge: the private bytes (Wine leaves PrivateUsage at 0).
    if (GetProcessMemoryInfo(process, &counters, sizeof(counters))) {
        figures.privateBytes = counters.PagefileUsage;
    }
    return figures;
}

// The clipboard comes to hold this copy converted and marked.
bool BecomesConverted(const std::wstring& text)
{
    return WaitFor([&] {
        return IsClipboardFormatAvailable(MarkerFormatId()) && ClipboardBytes(CF_UNICODETEXT) == WithZero(text);
    });
}

TEST(CopyStorm, EveryResultIsOneConversionOfOneCopyAndTheWindowKeepsNothing)
{
    const std::wstring workDir = MakeTempDir();
    const TestClipboardWindow copier;
    ASSERT_TRUE(copier.Ready());
    ASSERT_TRUE(PlaceOnClipboard({}));
    // Joined first, the viewer comes after the window in the chain. It looks
    // at the clipboard at every notification the window passes on.
    std::vector<Snapshot> seen;
    std::optional<TestViewer> viewer;
    viewer.emplace([&](const std::function<void()>& passOn) {
        seen.push_back(TakeSnapshot(viewer->Window()));
        passOn();
    });
    ASSERT_TRUE(viewer->Ready());
    PelisanWindow pelisan;
    ASSERT_TRUE(pelisan.Start(workDir));
    // What is observed below relies on a second conversion changing the text.
    ASSERT_NE(DecodedUnits(kCodePage, EncodedText(kCodePage, CopyText(0)).c_str()), CopyText(0));

    for (int i = 0; i < kWarmUpCopies; ++i) {
        ASSERT_TRUE(Copy(CopyText(kCopies + i)));
        ASSERT_TRUE(BecomesConverted(CopyText(kCopies + i)));
    }
    ASSERT_TRUE(ClipboardStaysUnchanged());
    const ProcessFigures before = Measure(pelisan.Process());
    ASSERT_NE(before.handles, 0u);
    ASSERT_NE(before.privateBytes, 0u);

    for (int i = 0; i < kCopies; ++i) {
        ASSERT_TRUE(Copy(CopyText(i))) << "copy " << i;
    }
    const std::wstring last = CopyText(kCopies - 1);
    ASSERT_TRUE(BecomesConverted(last)) << "the last copy was not converted";
    EXPECT_TRUE(ClipboardStaysUnchanged()) << "the window went on converting";
    EXPECT_TRUE(pelisan.Answers());
    EXPECT_TRUE(ClipboardBytes(CF_TEXT) == EncodedText(kCodePage, last));
    EXPECT_NE(ClipboardBytes(RtfFormatId()).value_or("").find("\\cpg932"), std::string::npos);
    const ProcessFigures after = Measure(pelisan.Process());
    const DWORD finalChange = GetClipboardSequenceNumber();

    EXPECT_EQ(pelisan.Close(), 0);
    const std::vector<DWORD> notices = viewer->Notices();
    viewer.reset();
    ASSERT_FALSE(notices.empty());
    EXPECT_EQ(notices.back(), finalChange) << "the viewer after the window missed the last change";

    // Every converted state the viewer saw is one copy converted once: that
    // copy's own Unicode text and its text in code page 932. A pass over a
    // pass's result would have changed the Unicode text; a copy converted
    // twice would show in two different changes.
    std::map<int, std::set<DWORD>> changesOf;
    for (const Snapshot& snapshot : seen) {
        if (!snapshot.marked) {
            continue;
        }
        const std::optional<int> copy = CopyIndex(snapshot.unicode);
        ASSERT_TRUE(copy) << "a converted text that no copy held, at change " << snapshot.sequence;
        EXPECT_TRUE(snapshot.text == EncodedText(kCodePage, CopyText(*copy)))
            << "copy " << *copy << " converted through another code page, at change " << snapshot.sequence;
        changesOf[*copy].insert(snapshot.sequence);
    }
    for (const auto& [copy, changes] : changesOf) {
        EXPECT_EQ(changes.size(), 1u) << "copy " << copy << " was converted more than once";
    }
    std::cout << "[ figures  ] " << kCopies << " copies; the viewer after the window heard " << notices.size()
              << " changes and saw " << changesOf.size() << " copies converted; handles " << before.handles
              << " -> " << after.handles << ", private bytes " << before.privateBytes << " -> "
              << after.privateBytes << "\n";
    EXPECT_LE(after.handles, before.handles + kHandleSlack);
    EXPECT_LE(after.privateBytes, before.privateBytes + kMemorySlack);
}

} // namespace
