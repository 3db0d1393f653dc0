// pelisan.exe started as a process of its own, as a user or a script would.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "ProcessRunner.h"

namespace {

using Bytes = std::vector<unsigned char>;

void PlaceFormats(const std::vector<std::pair<UINT, Bytes>>& formats)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    for (const auto& [format, bytes] : formats) {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
        memcpy(GlobalLock(block), bytes.data(), bytes.size());
        GlobalUnlock(block);
        SetClipboardData(format, block);
    }
    CloseClipboard();
}

Bytes ReadFormat(UINT format)
{
    Bytes bytes;
    if (!OpenClipboard(nullptr)) {
        return bytes;
    }
    if (HANDLE block = GetClipboardData(format)) {
        const auto* data = static_cast<const unsigned char*>(GlobalLock(block));
        bytes.assign(data, data + GlobalSize(block));
        GlobalUnlock(block);
    }
    CloseClipboard();
    return bytes;
}

std::wstring ReadUnicode()
{
    const Bytes bytes = ReadFormat(CF_UNICODETEXT);
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    return text.substr(0, text.find(L'\0'));
}

std::string ReadText(UINT format)
{
    const Bytes bytes = ReadFormat(format);
    std::string text(bytes.begin(), bytes.end());
    return text.substr(0, text.find('\0'));
}

bool MarkerPresent()
{
    return IsClipboardFormatAvailable(RegisterClipboardFormatA("CF_PELISAN")) != 0;
}

class CommandLineRun : public ::testing::Test {
protected:
    void SetUp() override { workDir_ = MakeTempDir(); }

    // The exit status; what the run wrote to standard error goes to stdError_.
    int Run(const std::wstring& arguments) { return RunPelisanReadingStdError(arguments, workDir_, stdError_); }
    bool IniWritten() const { return FileExists(workDir_ + L"\\Pelisan.ini"); }

    std::wstring workDir_;
    std::string stdError_;
};

} // namespace

TEST_F(CommandLineRun, ConvertsTheClipboardAndEndsWithoutAWindowOrSettings)
{
    // "caf" + e-acute in code page 1252, decoded to Unicode by the pass.
    PlaceFormats({{CF_TEXT, {'c', 'a', 'f', 0xE9, 0}}});
    ASSERT_EQ(Run(L"1252"), 0);
    EXPECT_EQ(stdError_, "");
    EXPECT_TRUE(MarkerPresent());
    EXPECT_EQ(ReadUnicode(), L"caf\u00e9");
    EXPECT_EQ(ReadText(CF_TEXT), "caf\xe9");
    EXPECT_EQ(ReadText(RegisterClipboardFormatA("Rich Text Format")), "");
    EXPECT_FALSE(IniWritten());
}

TEST_F(CommandLineRun, RtfFlagFaceAndSizeReachTheRichTextCopy)
{
    const wchar_t japanese[] = L"\u65e5\u672c";
    Bytes unicode(reinterpret_cast<const unsigned char*>(japanese),
                  reinterpret_cast<const unsigned char*>(japanese) + sizeof(japanese));
    PlaceFormats({{CF_UNICODETEXT, unicode}});
    ASSERT_EQ(Run(L"932 /r \"MS Gothic\" 12"), 0);
    EXPECT_EQ(ReadText(CF_TEXT), "\x93\xfa\x96\x7b");
    EXPECT_EQ(ReadText(RegisterClipboardFormatA("Rich Text Format")),
              "{\\rtf1\\ansi{\\fonttbl{\\f1\\cpg932\\fcharset128 MS Gothic;}}\r\n"
              "\\f1\\fs24 \\'93\\'fa\\'96\\'7b}\r\n");
}

TEST_F(CommandLineRun, AnUnusableCodePageLeavesTheClipboardUntouchedAndSaysSo)
{
    const std::pair<const wchar_t*, int> cases[] = {
        {L"abc", 0}, {L"\"\"", 0}, {L"0", 0}, {L"12345", 12345}, {L"xyz /r Arial 12", 0}};
    for (const auto& [arguments, codePage] : cases) {
        SCOPED_TRACE(testing::Message() << arguments);
        PlaceFormats({{CF_TEXT, {'k', 'e', 'e', 'p', 0}}});
        ASSERT_EQ(Run(arguments), 1);
        // Under Wine the line ends as Linux lines do.
        EXPECT_EQ(stdError_, "pelisan: code page " + std::to_string(codePage) +
                                 " is not usable on this system; nothing was converted\n");
        EXPECT_FALSE(MarkerPresent());
        EXPECT_EQ(ReadText(CF_TEXT), "keep");
    }
    EXPECT_FALSE(IniWritten());
}

TEST_F(CommandLineRun, NothingToConvertIsNoFailure)
{
    PlaceFormats({{CF_DIB, Bytes(sizeof(BITMAPINFOHEADER) + 4)}});
    EXPECT_EQ(Run(L"1252 /r"), 0);
    EXPECT_EQ(stdError_, "");
}

TEST_F(CommandLineRun, ASecondInteractiveStartEndsAtOnce)
{
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "PelisanInst");
    ASSERT_NE(mutex, nullptr);
    PlaceFormats({{CF_TEXT, {'s', 't', 'a', 'y', 0}}});
    EXPECT_EQ(RunPelisan(L"", workDir_, 10000), 0);
    EXPECT_FALSE(MarkerPresent());
    EXPECT_FALSE(IniWritten());
    CloseHandle(mutex);
}
