#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <functional>
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
std::string RenderChecked(std::uint64_t length, const std::function<void(char*)>& render)
{
    std::vector<char> buffer(length + 1 + kGuardBytes, kGuard);
    render(buffer.data());
    EXPECT_EQ(std::strlen(buffer.data()), length);
    EXPECT_EQ(std::string(buffer.begin() + static_cast<std::ptrdiff_t>(length) + 1, buffer.end()),
              std::string(kGuardBytes, kGuard))
        << "written beyond RtfLength() + 1";
    return std::string(buffer.data());
}

std::string Render(const char* text, unsigned codePage, const char* face, int size)
{
    return RenderChecked(RtfLength(text, codePage, face, size),
                         [&](char* out) { RenderRtf(out, text, codePage, face, size); });
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

namespace {

// A code page of the test's own: Latin-1 but for its C1 controls, "あ" as two
// bytes, and one character outside the BMP as four.
std::size_t EncodeTestCodePage(void*, const char16_t* units, std::size_t count, unsigned char* bytes)
{
    if (count == 2) {
        if (units[0] != 0xD83D || units[1] != 0xDE00) {
            return 0;
        }
        std::memcpy(bytes, "\xF0\x9F\x98\x80", 4);
        return 4;
    }
    if (units[0] == u'あ') {
        std::memcpy(bytes, "\x82\xA0", 2);
        return 2;
    }
    if (units[0] < 0x100 && (units[0] < 0x80 || units[0] > 0x9F)) {
        bytes[0] = static_cast<unsigned char>(units[0]);
        return 1;
    }
    return 0;
}

struct UnicodeRender {
    std::vector<char> table = std::vector<char>(RtfCharacters::kTableBytes, '\0');
    RtfCharacters characters{&EncodeTestCodePage, nullptr, table.data()};

    std::string operator()(std::u16string_view text, const RtfText& face, int size = 0)
    {
        const RtfText body = RtfText::Unicode(text, characters);
        return RenderChecked(RtfLength(body, 1252, face, size),
                             [&](char* out) { RenderRtf(out, body, 1252, face, size); });
    }
};

const std::string kHeader1252 = "{\\rtf1\\ansi{\\fonttbl{\\f1\\cpg1252\\fcharset0;}}\r\n\\f1 ";

} // namespace

TEST(RtfRender, UnicodeTextGoesInAsBytesOrAsUnicodeEscapes)
{
    const struct {
        std::u16string text;
        std::string body;
    } cases[] = {
        {u"a\u00e9\u3042", "\\'61\\'e9\\'82\\'a0"},
        {u"\u65e5\u20ac\uffff\u0080", "\\u26085?\\u8364?\\u-1?\\u128?"},
        {u"\U0001F600\U0001F601", "\\'f0\\'9f\\'98\\'80\\u-10179?\\u-8703?"},
        {u"\xD83D" u"x\xDE00", "\\u-10179?\\'78\\u-8704?"}, // surrogates alone
        {u"\r\n\n\r\r\r\t", "\\par\r\n\\par\r\n\\par\r\n\\par\r\n\\tab "},
        {u"\r\u65e5\n", "\\par\r\n\\u26085?\\par\r\n"},
        {u"", ""},
    };
    UnicodeRender render;
    for (const auto& c : cases) {
        EXPECT_EQ(render(c.text, RtfText::Bytes(nullptr)), kHeader1252 + c.body + kEnd);
    }

    const std::u16string face = u"\uff2d\uff33 Go-\u3042";
    EXPECT_EQ(render(u"", RtfText::Unicode(face, render.characters), 24),
              "{\\rtf1\\ansi{\\fonttbl{\\f1\\cpg1252\\fcharset0 \\u-211?\\u-205? Go\\'2d\\'82\\'a0;}}\r\n\\f1\\fs24 }\r\n");
}

TEST(RtfRender, UnicodeTextTheCodePageExpressesGivesTheEightBitTextsDocument)
{
    // Long runs pass the padded copies; breaks and tabs fall everywhere.
    const std::u16string alphabet = u"ab\u00e9\u3042\r\n\t Z\u00ff";
    std::mt19937 random(11);
    UnicodeRender render;
    for (int round = 0; round < 500; ++round) {
        std::u16string text(random() % 90, u'\0');
        std::string bytes;
        for (char16_t& unit : text) {
            unit = alphabet[random() % alphabet.size()];
            unsigned char encoded[RtfCharacters::kMaxBytes];
            bytes.append(reinterpret_cast<const char*>(encoded), EncodeTestCodePage(nullptr, &unit, 1, encoded));
        }
        ASSERT_EQ(render(text, RtfText::Bytes("F")), Render(bytes.c_str(), 1252, "F", 0))
            << testing::PrintToString(bytes);
    }
}
