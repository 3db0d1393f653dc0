// pelisan.exe started with command lines at the platform's limits: the
// arguments still reach the grammar whole and in order.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>

#include "ProcessRunner.h"
#include "core/RtfRender.h"
#include "framework/Cp932.h"
#include "unit/ClipboardProbe.h"

namespace {

// A command line holds at most 32767 characters, its zero included.
constexpr std::size_t kMaxCommandLine = 32766;

// The document a pass over the 8-bit text "abc" adds.
std::string RtfOfAbc(unsigned codePage, const std::string& face, int points)
{
    std::string document(RtfLength("abc", codePage, face.c_str(), 2 * points), '\0');
    RenderRtf(document.data(), "abc", codePage, face.c_str(), 2 * points);
    return WithZero(document);
}

class CommandLineLimits : public ::testing::Test {
protected:
    void SetUp() override { m_workDir = MakeTempDir(); }

    // Runs a pass over "abc" and gives the RTF copy it left.
    std::optional<std::string> RtfAfterRun(const std::wstring& arguments)
    {
        EXPECT_LE(CommandLineLength(arguments), kMaxCommandLine);
        EXPECT_TRUE(PlaceOnClipboard({{CF_TEXT, WithZero("abc")}}));
        EXPECT_EQ(RunPelisan(arguments, m_workDir), 0);
        EXPECT_EQ(ClipboardBytes(CF_UNICODETEXT), WithZero(L"abc"));
        return ClipboardBytes(RtfFormatId());
    }

    // The length the runner gives the command line: the quoted path, a blank, the arguments.
    static std::size_t CommandLineLength(const std::wstring& arguments)
    {
        return PelisanPath().size() + 3 + arguments.size();
    }

    std::wstring m_workDir;
};

TEST_F(CommandLineLimits, AnArgumentAsLongAsTheCommandLineAllows)
{
    const std::wstring before = L"1252 /r ";
    const std::wstring after = L" 12";
    const std::size_t faceLength = kMaxCommandLine - CommandLineLength(before + after);
    const std::wstring face(faceLength, L'F');
    EXPECT_EQ(RtfAfterRun(before + face + after), RtfOfAbc(1252, ToCp932(face), 12));
}

TEST_F(CommandLineLimits, ThousandsOfArgumentsAndAFaceOutsideCodePage932)
{
    std::wstring arguments;
    for (int i = 0; i < 9000; ++i) {
        arguments += L"/x ";
    }
    // Hangul and an emoji: code page 932 has neither.
    const std::wstring face = L"\ub9d1\uc740 \uace0\ub515\U0001F600";
    arguments += L"1252 /r \"" + face + L"\" 9";
    EXPECT_EQ(RtfAfterRun(arguments), RtfOfAbc(1252, ToCp932(face), 9));
}

} // namespace
