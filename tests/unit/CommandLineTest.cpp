#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "framework/Cp932.h"

namespace {

struct GrammarCase {
    std::vector<std::string> args;
    int convertMode;
    int codePage;
    int rtf;
    std::string face;
    int size;
    int repair = 0;
    int standardInput = 0;
};

CConverterCommandLineInfo Parse(const std::vector<std::string>& args)
{
    CConverterCommandLineInfo info;
    DispatchArguments(args, info);
    return info;
}

void ExpectParsedAs(const GrammarCase& c)
{
    const CConverterCommandLineInfo info = Parse(c.args);
    EXPECT_EQ(info.m_bConvertMode, c.convertMode);
    EXPECT_EQ(info.m_nCodePage, c.codePage);
    EXPECT_EQ(info.m_bRtf, c.rtf);
    EXPECT_EQ(info.m_strFaceName, c.face);
    EXPECT_EQ(info.m_nFontSize, c.size);
    EXPECT_EQ(info.m_bRepair, c.repair);
    EXPECT_EQ(info.m_bStandardInput, c.standardInput);
}

} // namespace

TEST(CommandLineGrammar, EveryConsequenceOfTheGrammar)
{
    const GrammarCase cases[] = {
        {{}, 0, 932, 0, "", 0},
        {{""}, 1, 0, 0, "", 0},
        {{"/x"}, 1, 932, 0, "", 0},
        {{"-help"}, 1, 932, 0, "", 0},
        {{"/"}, 1, 932, 0, "", 0, 0, 1},
        {{"/r"}, 1, 932, 1, "", 0},
        {{"-R"}, 1, 932, 1, "", 0},
        {{"/rtf"}, 1, 932, 1, "", 0},
        {{"/Rich"}, 1, 932, 1, "", 0},
        {{"936", "950"}, 1, 950, 0, "", 0},
        {{"936", "/r", "12"}, 1, 936, 1, "", 12},
        {{"936", "/r", "Arial", "12"}, 1, 936, 1, "Arial", 12},
        {{"936", "/r", "12", "Arial"}, 1, 936, 1, "Arial", 0},
        {{"/r", "936", "Arial"}, 1, 932, 1, "Arial", 0},
        {{"/r", "936"}, 1, 932, 1, "", 936},
        {{"936abc"}, 1, 936, 0, "", 0},
        {{"12.5"}, 1, 12, 0, "", 0},
        {{"abc"}, 1, 0, 0, "", 0},
        {{"  -7"}, 1, -7, 0, "", 0},
        {{"/r", "Arial", "3D"}, 1, 932, 1, "Arial", 3},
        {{"/r", "0"}, 1, 932, 1, "0", 0},
        {{"/r", "MS Gothic"}, 1, 932, 1, "MS Gothic", 0},
        {{"99999999999999999999"}, 1, 2147483647, 0, "", 0},
        {{"-99999999999999999999"}, 1, 932, 0, "", 0},
        {{"/r", "-99999999999999999999"}, 1, 932, 1, "", 0},
        {{"1252", "/x", "/r", "Courier New", "/q", "10"}, 1, 1252, 1, "Courier New", 10},
        // The one whole word among the flags; every other r-word still means RTF.
        {{"/repair", "-"}, 1, 932, 0, "", 0, 1, 1},
        {{"936", "-REPAIR", "/r", "12"}, 1, 936, 1, "", 12, 1, 0},
        {{"/Repair", "1252"}, 1, 1252, 0, "", 0, 1, 0},
        {{"/repairs"}, 1, 932, 1, "", 0, 0, 0},
        {{"/repai"}, 1, 932, 1, "", 0, 0, 0},
        {{"-"}, 1, 932, 0, "", 0, 0, 1},
    };
    for (const GrammarCase& c : cases) {
        std::string shown;
        for (const std::string& a : c.args) {
            shown += "[" + a + "]";
        }
        SCOPED_TRACE(shown);
        ExpectParsedAs(c);
    }
}

TEST(CommandLineGrammar, FlagsArriveWithoutTheirMarkAndTheLastIsFlagged)
{
    struct Recorder : CCommandLineInfo {
        void ParseParam(const char* p, int f, int l) override { seen.push_back(std::string(p) + (f ? "|f" : "") + (l ? "|l" : "")); }
        std::vector<std::string> seen;
    } recorder;
    DispatchArguments({"/r", "-x", "12", "", "a/b"}, recorder);
    EXPECT_EQ(recorder.seen, (std::vector<std::string>{"r|f", "x|f", "12", "", "a/b|l"}));
}

TEST(CommandLineGrammar, HugeArgumentsAndBytesOutsideTheCodePageFollowTheRules)
{
    const std::string k100 = std::string(100 * 1024, 'F');
    const std::string nines(100 * 1024, '9');
    const std::string leadingZeros = std::string(100 * 1024, '0') + "936";
    const std::string blanks = std::string(100 * 1024, ' ') + "1252";
    // Characters that code page 932 lacks arrive as whatever the platform
    // makes of them; none of that may read as a flag or a number.
    const std::string hangulAndEmoji = ToCp932(L"\ub9d1\uc740 \uace0\ub515\U0001F600");
    const std::string notShiftJis = "\x80\xa0\xfd\xfe\xff\x82";
    const GrammarCase cases[] = {
        {{nines}, 1, 2147483647, 0, "", 0},
        {{"-" + nines}, 1, 932, 0, "", 0},
        {{leadingZeros}, 1, 936, 0, "", 0},
        {{blanks}, 1, 1252, 0, "", 0},
        {{"/r" + k100}, 1, 932, 1, "", 0},
        {{"936", "/r", k100}, 1, 936, 1, k100, 0},
        {{"936", "/r", k100, nines}, 1, 936, 1, k100, 2147483647},
        {{"/r", hangulAndEmoji}, 1, 932, 1, hangulAndEmoji, 0},
        {{hangulAndEmoji, "/r", "12"}, 1, 0, 1, "", 12},
        {{"950", "/r", notShiftJis}, 1, 950, 1, notShiftJis, 0},
        {{"\x82\x4f\x82\x50"}, 1, 0, 0, "", 0}, // fullwidth digits are no number
    };
    for (const GrammarCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.args.size() << " arguments, the first " << c.args.front().size()
                                        << " bytes: " << c.args.front().substr(0, 8));
        ExpectParsedAs(c);
    }

    // Thousands of arguments: the last code page before the flag, then the
    // last face and the size after it.
    std::vector<std::string> many;
    for (int i = 1; i <= 5000; ++i) {
        many.push_back(std::to_string(i));
    }
    many.push_back("/R");
    for (int i = 1; i <= 5000; ++i) {
        many.push_back("Face" + std::to_string(i));
        many.push_back(std::to_string(i));
    }
    many.insert(many.end(), 10000, "/x");
    const CConverterCommandLineInfo info = Parse(many);
    EXPECT_EQ(info.m_nCodePage, 5000);
    EXPECT_EQ(info.m_bRtf, 1);
    EXPECT_EQ(info.m_strFaceName, "Face5000");
    EXPECT_EQ(info.m_nFontSize, 5000);
    EXPECT_EQ(Parse(std::vector<std::string>(20000, "/x")).m_nCodePage, 932);
}
