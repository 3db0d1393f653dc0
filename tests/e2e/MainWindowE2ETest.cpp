// pelisan.exe started without arguments, as a user starts it: its window as a
// process of its own, beside copies and command-line runs made from here.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "PelisanWindow.h"
#include "ProcessRunner.h"
#include "TestViewer.h"
#include "framework/Cp932.h"
#include "repair/MojibakeRepair.h"
#include "res/resource.h"
#include "unit/ClipboardProbe.h"
#include "unit/TestSupport.h"

namespace {

std::vector<std::string> IniLines(const std::wstring& path)
{
    std::vector<std::string> lines;
    std::istringstream in(ReadFileBytes(ToCp932(path)));
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

// The balloon the window shows its notices in: its text, empty while none shows.
std::wstring Notice(HWND hWindow)
{
    const HWND balloon = FindTopLevelWindow(0, [&](HWND hWnd) {
        wchar_t className[32] = L"";
        GetClassNameW(hWnd, className, 32);
        return GetWindow(hWnd, GW_OWNER) == hWindow && std::wstring_view(className) == TOOLTIPS_CLASSW &&
               (GetWindowLongW(hWnd, GWL_STYLE) & TTS_BALLOON) != 0 && IsWindowVisible(hWnd);
    });
    wchar_t text[256] = L"";
    if (balloon != nullptr) {
        SendMessageW(balloon, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
    }
    return text;
}

class MainWindowRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        workDir_ = MakeTempDir();
        ASSERT_TRUE(copier_.Ready());
        ASSERT_TRUE(PlaceOnClipboard({}));
        ASSERT_TRUE(pelisan_.Start(workDir_)) << "no window with the property";
        window_ = pelisan_.Window();
    }

    // Closes the window as the user does; the process's exit code, -1 when it hangs.
    int Close(UINT message, WPARAM wParam) { return pelisan_.Close(message, wParam); }

    std::wstring Ini() const { return workDir_ + L"\\Pelisan.ini"; }

    const TestClipboardWindow copier_;
    std::wstring workDir_;
    PelisanWindow pelisan_;
    HWND window_ = nullptr;
};

TEST_F(MainWindowRun, CopyIsConvertedOnceAndACommandLineRunIsLeftAlone)
{
    const std::wstring text = L"日本語";
    ASSERT_TRUE(PlaceOnClipboard({{CF_UNICODETEXT, WithZero(text)}}));
    ASSERT_TRUE(WaitFor(MarkedAndWritten)) << "the copy was not converted";
    // Saved defaults: code page 932 with the RTF copy.
    EXPECT_EQ(ClipboardBytes(CF_TEXT), EncodedText(932, text));
    EXPECT_NE(ClipboardBytes(RtfFormatId()).value_or("").find("\\cpg932"), std::string::npos);
    EXPECT_TRUE(ClipboardStaysUnchanged()) << "the window converted its own result";

    // A run of its own: code page 1252, no RTF copy. Converted again by the
    // window, the clipboard would have its RTF copy back.
    ASSERT_EQ(RunPelisan(L"1252", workDir_), 0);
    EXPECT_TRUE(ClipboardStaysUnchanged());
    EXPECT_EQ(ClipboardBytes(CF_TEXT), EncodedText(1252, text));
    EXPECT_EQ(ClipboardBytes(RtfFormatId()), std::nullopt);
    EXPECT_TRUE(IsClipboardFormatAvailable(MarkerFormatId()));

    EXPECT_EQ(Close(WM_CLOSE, 0), 0);
}

TEST_F(MainWindowRun, RepairButtonRepairsTheCopyAndSaysWhatItUndid)
{
    const std::wstring japanese = L"日本語のテキスト";
    std::wstring garbled;
    ASSERT_TRUE(MisreadText(japanese, {932, 1252}, garbled));
    const UINT html = RegisterClipboardFormatA("HTML Format");
    // Converted at once, as every copy: the garbled text stays as copied.
    ASSERT_TRUE(PlaceOnClipboard({{html, WithZero("<p>mojibake</p>")},
                                  {CF_UNICODETEXT, WithZero(garbled)}}));
    ASSERT_TRUE(WaitFor(MarkedAndWritten));
    ASSERT_TRUE(ClipboardStaysUnchanged());

    PostMessageW(GetDlgItem(window_, IDC_REPAIR), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return ClipboardBytes(CF_UNICODETEXT) == WithZero(japanese); }));
    EXPECT_TRUE(ClipboardStaysUnchanged()) << "the window converted the repaired copy";
    EXPECT_EQ(Notice(window_), L"「932 ANSI/OEM - 日本語 Shift-JIS」を「1252 ANSI - ラテン I」で読んだ文字化けを修復しました。");
    // The saved defaults: code page 932 with the RTF copy.
    EXPECT_EQ(ClipboardBytes(CF_TEXT), EncodedText(932, japanese));
    EXPECT_NE(ClipboardBytes(RtfFormatId()).value_or("").find("\\cpg932"), std::string::npos);
    EXPECT_EQ(ClipboardBytes(html), std::nullopt);

    // Again, by its access key: the repaired text is no mojibake.
    const DWORD sequence = GetClipboardSequenceNumber();
    PostMessageW(window_, WM_SYSCHAR, L'r', LPARAM{1} << 29);
    EXPECT_TRUE(WaitFor([&] { return Notice(window_) == L"修復できる文字化けは見つかりませんでした。クリップボードはそのままです。"; }));
    EXPECT_EQ(GetClipboardSequenceNumber(), sequence);
    EXPECT_EQ(ClipboardBytes(CF_UNICODETEXT), WithZero(japanese));

    EXPECT_EQ(Close(WM_CLOSE, 0), 0);
}

TEST_F(MainWindowRun, SecondStartRaisesTheFirstAndClosingWritesTheSettings)
{
    PostMessageW(window_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitFor([&] { return IsIconic(window_) != 0; }));

    EXPECT_EQ(RunPelisan(L"", workDir_, 10000), 0) << "the second start did not end";
    EXPECT_TRUE(WaitFor([&] { return IsIconic(window_) == 0; })) << "the running window stayed minimised";
    EXPECT_EQ(GetForegroundWindow(), window_);
    EXPECT_FALSE(FileExists(Ini())) << "the second start wrote settings";

    EXPECT_EQ(Close(WM_SYSCOMMAND, SC_CLOSE), 0);
    const std::vector<std::string> lines = IniLines(Ini());
    const std::vector<std::string> settings = {"[SET]",  "CDPG=932", "XPOS=100",  "YPOS=100",  "AUTO=1", "MSLP=1",
                                               "TOPM=0", "ARTF=1",   "HKCV=1877", "HKRP=1874", "[FNAM]"};
    ASSERT_GE(lines.size(), settings.size());
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + settings.size()), settings);
    const auto at = [&](const std::string& line) { return std::find(lines.begin(), lines.end(), line); };
    // The rows of the font table: face names, then sizes.
    EXPECT_LT(at("[FNAM]"), at("FONT00932="));
    EXPECT_LT(at("FONT00932="), at("[FSIZ]"));
    EXPECT_LT(at("[FSIZ]"), at("FONT00932=0"));
    EXPECT_NE(at("FONT00932=0"), lines.end());
}

} // namespace
