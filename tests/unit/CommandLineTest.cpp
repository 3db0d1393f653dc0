#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CommandLine.h"

namespace {

struct GrammarCase {
    std::vector<std::string> args;
    int convertMode;
    int codePage;
    int rtf;
    std::string face;
    int size;
};

CConverterCommandLineInfo Parse(const std::vector<std::string>& args)
{
    CConverterCommandLineInfo info;
    DispatchArguments(args, info);
    return info;
}

} // namespace

TEST(CommandLineGrammar, EveryConsequenceOfTheGrammar)
{
    const GrammarCase cases[] = {
        {{}, 0, 932, 0, "", 0},
        {{""}, 1, 0, 0, "", 0},
        {{"/x"}, 1, 932, 0, "", 0},
        {{"-help"}, 1, 932, 0, "", 0},
        {{"/"}, 1, 932, 0, "", 0},
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
    };
    for (const GrammarCase& c : cases) {
        std::string shown;
        for (const std::string& a : c.args) {
            shown += "[" + a + "]";
        }
        SCOPED_TRACE(shown);
        const CConverterCommandLineInfo info = Parse(c.args);
        EXPECT_EQ(info.m_bConvertMode, c.convertMode);
        EXPECT_EQ(info.m_nCodePage, c.codePage);
        EXPECT_EQ(info.m_bRtf, c.rtf);
        EXPECT_EQ(info.m_strFaceName, c.face);
        EXPECT_EQ(info.m_nFontSize, c.size);
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
