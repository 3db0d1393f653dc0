// pelisan.exe started as a process of its own, as a user or a script would.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <tuple>
#include <vector>

#include "ProcessRunner.h"
#include "repair/MojibakeRepair.h"

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
    const std::tuple<const wchar_t*, int, const char*> cases[] = {
        {L"abc", 0, "converted"},       {L"\"\"", 0, "converted"},           {L"0", 0, "converted"},
        {L"12345", 12345, "converted"}, {L"xyz /r Arial 12", 0, "converted"}, {L"xyz /repair", 0, "repaired"}};
    for (const auto& [arguments, codePage, done] : cases) {
        SCOPED_TRACE(testing::Message() << arguments);
        PlaceFormats({{CF_TEXT, {'k', 'e', 'e', 'p', 0}}});
        ASSERT_EQ(Run(arguments), 1);
        // Under Wine the line ends as Linux lines do.
        EXPECT_EQ(stdError_, "pelisan: code page " + std::to_string(codePage) +
                                 " is not usable on this system; nothing was " + done + "\n");
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

namespace {

std::string Utf8(std::wstring_view text)
{
    std::string bytes(text.size() * 3, '\0');
    bytes.resize(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                                              bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                                              nullptr)));
    return bytes;
}

HANDLE InheritableFile(const std::wstring& path, DWORD access, DWORD disposition)
{
    SECURITY_ATTRIBUTES inherited{sizeof(inherited), nullptr, TRUE};
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ, &inherited, disposition, 0, nullptr);
}

// The filter run to its end on the two handles, which it closes; its exit
// status, -1 when it did not start.
int RunFilter(const std::wstring& workDir, HANDLE in, HANDLE out)
{
    const HANDLE process = StartProgramWithHandles(PelisanPath(), L"/repair -", workDir, {in, out, nullptr});
    CloseHandle(in);
    CloseHandle(out);
    if (process == nullptr) {
        return -1;
    }
    const int status = WaitForExit(process, 60000);
    CloseHandle(process);
    return status;
}

} // namespace

TEST_F(CommandLineRun, RepairFilterRepairsAThousandLinesAndKeepsEveryOtherByte)
{
    // Garbled lines of several kinds among lines to keep exactly: clean text,
    // ASCII, bytes that are not UTF-8, an empty line; CR LF and LF endings, a
    // byte order mark first, a line longer than several reads and a last
    // line without an ending.
    const std::string japanese = Utf8(L"\u65e5\u672c\u8a9e\u306e\u30c6\u30ad\u30b9\u30c8");
    const std::string russian = Utf8(L"\u041f\u0440\u0438\u0432\u0435\u0442, \u043c\u0438\u0440");
    std::wstring sjisAs1252, utf8As1252, cyrillicAs1252;
    ASSERT_TRUE(MisreadText(L"\u65e5\u672c\u8a9e\u306e\u30c6\u30ad\u30b9\u30c8", {932, 1252}, sjisAs1252));
    ASSERT_TRUE(MisreadText(L"\u65e5\u672c\u8a9e\u306e\u30c6\u30ad\u30b9\u30c8", {CP_UTF8, 1252}, utf8As1252));
    ASSERT_TRUE(MisreadText(L"\u041f\u0440\u0438\u0432\u0435\u0442, \u043c\u0438\u0440", {1251, 1252},
                            cyrillicAs1252));
    const std::pair<std::string, std::string> kinds[] = {
        {Utf8(sjisAs1252), japanese}, {Utf8(utf8As1252), japanese}, {Utf8(cyrillicAs1252), russian},
        {japanese, japanese},         {"plain ASCII", "plain ASCII"}, {"\xff\xfe\x80 not UTF-8 \xe6\x97", ""},
        {"", ""},                     {Utf8(L"Caf\u00e9 \u201cquoted\u201d"), ""},
    };
    std::string longLine, longRepaired;
    while (longLine.size() < 200000) {
        longLine += Utf8(utf8As1252) + " ";
        longRepaired += japanese + " ";
    }
    std::string input = "\xEF\xBB\xBF";
    std::string expected = "\xEF\xBB\xBF";
    for (int i = 0; i < 1000; ++i) {
        if (i == 500) {
            input += longLine + "\n";
            expected += longRepaired + "\n";
        }
        const auto& [line, repaired] = kinds[i % std::size(kinds)];
        const std::string ending = i == 999 ? "" : i % 3 == 0 ? "\r\n" : "\n";
        input += line + ending;
        expected += (repaired.empty() ? line : repaired) + ending;
    }
    const std::wstring inPath = workDir_ + L"\\in.txt";
    const std::wstring outPath = workDir_ + L"\\out.txt";
    HANDLE file = CreateFileW(inPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
    CloseHandle(file);
    PlaceFormats({{CF_TEXT, {'k', 'e', 'e', 'p', 0}}});

    EXPECT_EQ(RunFilter(workDir_, InheritableFile(inPath, GENERIC_READ, OPEN_EXISTING),
                        InheritableFile(outPath, GENERIC_WRITE, CREATE_ALWAYS)),
              0);

    file = CreateFileW(outPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    std::string output(input.size() * 2, '\0');
    DWORD got = 0;
    ReadFile(file, output.data(), static_cast<DWORD>(output.size()), &got, nullptr);
    CloseHandle(file);
    output.resize(got);
    EXPECT_EQ(output, expected);
    // Standard input only: the clipboard is not touched.
    EXPECT_FALSE(MarkerPresent());
    EXPECT_EQ(ReadText(CF_TEXT), "keep");
    EXPECT_FALSE(IniWritten());

    // Output whose reader has gone: the lines are lost, which is a failure.
    SECURITY_ATTRIBUTES inherited{sizeof(inherited), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, &inherited, 0));
    CloseHandle(readEnd);
    EXPECT_EQ(RunFilter(workDir_, InheritableFile(inPath, GENERIC_READ, OPEN_EXISTING), writeEnd), 2);
}

namespace {

Bytes UnicodeBytes(std::wstring_view text)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    Bytes block(bytes, bytes + text.size() * sizeof(wchar_t));
    block.insert(block.end(), sizeof(wchar_t), 0);
    return block;
}

} // namespace

TEST_F(CommandLineRun, RepairWritesTheRepairedTextWithThePicturesOrLeavesEveryByteAndSaysWhy)
{
    const std::wstring japanese = L"\u65e5\u672c\u8a9e\u306e\u30c6\u30ad\u30b9\u30c8";
    std::wstring garbled;
    ASSERT_TRUE(MisreadText(japanese, {CP_UTF8, 1252}, garbled));
    const UINT html = RegisterClipboardFormatA("HTML Format");
    const Bytes htmlBytes = {'<', 'p', '>', 0xC3, 0xA6, '<', '/', 'p', '>', 0};
    Bytes picture(sizeof(BITMAPINFOHEADER) + 4, 0x40);
    reinterpret_cast<BITMAPINFOHEADER*>(picture.data())[0] = {sizeof(BITMAPINFOHEADER), 1, 1, 1, 32, BI_RGB, 0, 0,
                                                              0, 0, 0};
    PlaceFormats({{html, htmlBytes}, {CF_UNICODETEXT, UnicodeBytes(garbled)}, {CF_DIB, picture}});
    ASSERT_EQ(Run(L"932 /repair /r"), 0);
    EXPECT_EQ(stdError_, "pelisan: repaired mojibake (UTF-8 read as 1252)\n");
    EXPECT_TRUE(MarkerPresent());
    EXPECT_EQ(ReadUnicode(), japanese);
    EXPECT_EQ(ReadText(CF_TEXT), "\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x83\x65\x83\x4c\x83\x58\x83\x67");
    EXPECT_NE(ReadText(RegisterClipboardFormatA("Rich Text Format")).find("\\cpg932"), std::string::npos);
    EXPECT_FALSE(IsClipboardFormatAvailable(html)) << "the HTML held the garbled text";
    EXPECT_EQ(ReadFormat(CF_DIB), picture);

    // Nothing to repair: every format stays byte for byte, and the clipboard
    // is not even rewritten.
    const std::pair<std::vector<std::pair<UINT, Bytes>>, std::string> unchanged[] = {
        {{{html, htmlBytes}, {CF_UNICODETEXT, UnicodeBytes(japanese)}, {CF_DIB, picture}},
         "pelisan: found no mojibake in the clipboard's text that it can repair for sure; the clipboard is unchanged\n"},
        {{{CF_DIB, picture}}, "pelisan: the clipboard holds no text; nothing was repaired\n"},
    };
    for (const auto& [formats, line] : unchanged) {
        SCOPED_TRACE(line);
        PlaceFormats(formats);
        const DWORD sequence = GetClipboardSequenceNumber();
        EXPECT_EQ(Run(L"1252 /repair"), 3);
        EXPECT_EQ(stdError_, line);
        EXPECT_EQ(GetClipboardSequenceNumber(), sequence);
        for (const auto& [format, bytes] : formats) {
            EXPECT_EQ(ReadFormat(format), bytes) << "format " << format;
        }
    }
}
