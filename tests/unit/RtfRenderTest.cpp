#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/CharSet.h"
#include "core/RtfRender.h"

namespace {

constexpr char kGuard = '\xCC';
constexpr std::size_t kGuardBytes = 64;

// Renders into a buffer of exactly RtfLength() + 1 bytes followed by a guard
// area, and fails the test when anything is written past that size.
std::string Render(const char* text, unsigned codePage, const char* face, int size)
{
    const std::size_t length = RtfLength(text, codePage, face, size);
    std::vector<char> buffer(length + 1 + kGuardBytes, kGuard);
    RenderRtf(buffer.data(), text, codePage, face, size);
    EXPECT_EQ(std::strlen(buffer.data()), length);
    EXPECT_EQ(std::string(buffer.begin() + static_cast<std::ptrdiff_t>(length) + 1, buffer.end()),
              std::string(kGuardBytes, kGuard))
        << "written beyond RtfLength() + 1";
    return std::string(buffer.data());
}

// Code page 0 has no character set: the header is fixed text only.
const std::string kPlainHeader = "{\\rtf1\\ansi{\\fonttbl{\\f1\\cpg0;}}\r\n\\f1 ";
const std::string kEnd = "}\r\n";

std::string RenderBody(const std::string& text) { return Render(text.c_str(), 0, nullptr, 0); }

// The body as the rules state it, byte by byte, for comparing generated texts.
std::string ReferenceBody(const std::string& text)
{
    std::string body;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            body += "\\par\r\n";
            if (i + 1 < text.size() && text[i + 1] == (c == '\r' ? '\n' : '\r'))
                ++i;
        } else if (c == '\t') {
            body += "\\tab ";
        } else {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\'%02x", static_cast<unsigned char>(c));
            body += escape;
        }
    }
    return body;
}

} // namespace

TEST(RtfRender, WorkedExamplesByteForByte)
{
    const char face932[] = "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E"; // "ＭＳ ゴシック"
    const std::string first = Render("A\r\n\tb", 932, face932, 24);
    EXPECT_EQ(first, "{\\rtf1\\ansi{\\fonttbl{\\f1\\cpg932\\fcharset128 \\'82l\\'82r \\'83S\\'83V\\'83b\\'83N;}}\r\n"
                     "\\f1\\fs24 \\'41\\par\r\n"
                     "\\tab \\'62}\r\n");
    EXPECT_EQ(first.size(), 111u);

    EXPECT_EQ(Render("x\n\ny\r\rz\n\r", 65001, nullptr, 0), "{\\rtf1\\ansi{\\fonttbl{\\f1\\cpg65001;}}\r\n"
                                                           "\\f1 \\'78\\par\r\n"
                                                           "\\par\r\n"
                                                           "\\'79\\par\r\n"
                                                           "\\par\r\n"
                                                           "\\'7a\\par\r\n"
                                                           "}\r\n");
}

TEST(RtfRender, FaceNameEscaping)
{
    const struct {
        const char* face;
        std::string written;
    } cases[] = {
        {"Arial Unicode MS 2", " Arial Unicode MS 2"},
        {"Foo-Bar", " Foo\\'2dBar"},
        {"a;b{c}d\\e.f'g", " a\\'3bb\\'7bc\\'7dd\\'5ce\\'2ef\\'27g"},
        {"\xE9\xC0\xFF\x80", " \\'e9\\'c0\\'ff\\'80"},
        {"\t\x01\x7F_", " \\'09\\'01\\'7f\\'5f"},
        {"", ""},
        {nullptr, ""},
    };
    for (const auto& c : cases) {
        const std::string face = c.face ? c.face : "(null)";
        EXPECT_EQ(Render("", 0, c.face, 0), "{\\rtf1\\ansi{\\fonttbl{\\f1\\cpg0" + c.written + ";}}\r\n\\f1 }\r\n")
            << face;
    }
}

TEST(RtfRender, BodyBreaksTabsAndEscapes)
{
    const struct {
        std::string text;
        std::string body;
    } cases[] = {
        {"", ""},
        {"\r\n", "\\par\r\n"},
        {"\n\r", "\\par\r\n"},
        {"\r\r", "\\par\r\n\\par\r\n"},
        {"\n\n", "\\par\r\n\\par\r\n"},
        {"\r", "\\par\r\n"},
        {"\n", "\\par\r\n"},
        {"\r\n\r", "\\par\r\n\\par\r\n"},
        {"\n\r\n", "\\par\r\n\\par\r\n"},
        {"\r\n\n\r", "\\par\r\n\\par\r\n"},
        {"\t", "\\tab "},
        {"\t\r\n\t", "\\tab \\par\r\n\\tab "},
        {"aZ 9", "\\'61\\'5a\\'20\\'39"},
        {"\x80\xE9\xFF\x0B\x0C", "\\'80\\'e9\\'ff\\'0b\\'0c"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RenderBody(c.text), kPlainHeader + c.body + kEnd) << testing::PrintToString(c.text);

    EXPECT_EQ(Render(nullptr, 0, nullptr, 0), kPlainHeader + kEnd);
}

TEST(RtfRender, SizeAndCodePageNumbers)
{
    EXPECT_EQ(Render("", 0, nullptr, 24), "{\\rtf1\\ansi{\\fonttbl{\\f1\\cpg0;}}\r\n\\f1\\fs24 }\r\n");
    EXPECT_EQ(Render("", 0, nullptr, 0), "{\\rtf1\\ansi{\\fonttbl{\\f1\\cpg0;}}\r\n\\f1 }\r\n");
    EXPECT_EQ(Render("", 0, nullptr, -24), "{\\rtf1\\ansi{\\fonttbl{\\f1\\cpg0;}}\r\n\\f1\\fs-24 }\r\n");
    EXPECT_EQ(Render("", 0, nullptr, INT_MIN), "{\\rtf1\\ansi{\\fonttbl{\\f1\\cpg0;}}\r\n\\f1\\fs-2147483648 }\r\n");
    EXPECT_EQ(Render("", 4294967295u, "A", 2147483647),
              "{\\rtf1\\ansi{\\fonttbl{\\f1\\cpg4294967295 A;}}\r\n\\f1\\fs2147483647 }\r\n");
}

TEST(RtfRender, CharacterSetTable)
{
    const struct {
        unsigned codePage;
        unsigned charSet;
    } rows[] = {
        {1252, 0},   {1250, 238}, {1251, 204}, {1253, 161}, {1254, 162}, {1255, 177},
        {1256, 178}, {1257, 186}, {1258, 163}, {874, 222},  {932, 128},  {936, 134},
        {949, 129},  {950, 136},  {1361, 130}, {42, 2},
    };
    for (const auto& row : rows) {
        unsigned charSet = 9999;
        EXPECT_TRUE(CharSetOfCodePage(row.codePage, &charSet)) << row.codePage;
        EXPECT_EQ(charSet, row.charSet) << row.codePage;
        const std::string number = std::to_string(row.codePage);
        EXPECT_EQ(Render("", row.codePage, nullptr, 0),
                  "{\\rtf1\\ansi{\\fonttbl{\\f1\\cpg" + number + "\\fcharset" + std::to_string(row.charSet) +
                      ";}}\r\n\\f1 }\r\n");
    }

    for (const unsigned codePage : {0u, 437u, 1200u, 20127u, 65000u, 65001u, 4294967295u}) {
        unsigned charSet = 9999;
        EXPECT_FALSE(CharSetOfCodePage(codePage, &charSet)) << codePage;
        EXPECT_EQ(Render("", codePage, nullptr, 0).find("\\fcharset"), std::string::npos) << codePage;
    }
}

TEST(RtfRender, OnlyLineBreaksTakeSixBytesEach)
{
    for (const char* unit : {"\r", "\n"}) {
        for (const std::size_t count : {1u, 2u, 15u, 16u, 17u, 31u, 33u, 1000u}) {
            const std::string text(count, unit[0]);
            const std::string document = RenderBody(text);
            EXPECT_EQ(document.size(), kPlainHeader.size() + kEnd.size() + 6 * count);
            EXPECT_EQ(document, kPlainHeader + ReferenceBody(text) + kEnd);
        }
    }
}

TEST(RtfRender, GeneratedTextsMatchTheRules)
{
    // Lengths around the 16-byte blocks, texts from mixed alphabets, so that
    // breaks and tabs fall at every position of a block and across its end.
    const std::string alphabets[] = {
        std::string("\r\n\t a\x80\xff", 7),
        std::string("\r\n", 2),
        "abcdefghijklmnopqrstuvwxyz\r\n\t",
        std::string("\x81\x40\x82\xA0\xE9\x09\x0A\x0D\x0B\x0C\x01", 11),
    };
    std::mt19937 random(2026);
    for (int round = 0; round < 3000; ++round) {
        const std::string& alphabet = alphabets[round % std::size(alphabets)];
        std::string text(random() % 70, '\0');
        for (char& c : text)
            c = alphabet[random() % alphabet.size()];
        ASSERT_EQ(RenderBody(text), kPlainHeader + ReferenceBody(text) + kEnd) << testing::PrintToString(text);
    }
}
