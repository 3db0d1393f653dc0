#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <numeric>

#include "ClipboardProbe.h"
#include "LateRenderer.h"
#include "core/ConversionPass.h"
#include "core/RepairPass.h"
#include "core/TextBlocks.h"
#include "repair/MojibakeRepair.h"

namespace {

constexpr UINT kClipboardBlock = GMEM_MOVEABLE | GMEM_DDESHARE;
constexpr UINT kPrivateBlock = GMEM_FIXED | GMEM_ZEROINIT;

bool StartsWith(const std::optional<std::string>& bytes, std::string_view start)
{
    return bytes && bytes->compare(0, start.size(), start) == 0;
}

class ConversionPassTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        EXPECT_TRUE(probe.ownedBlocks.empty()) << probe.ownedBlocks.size() << " blocks neither freed nor taken over";
        EXPECT_TRUE(probe.ownedHandles.empty()) << probe.ownedHandles.size() << " handles neither deleted nor taken over";
        EXPECT_EQ(probe.freesOfTakenBlocks, 0) << "freed a block the clipboard owns";
        EXPECT_EQ(probe.deletesOfTakenHandles, 0) << "deleted a handle the clipboard owns";
        EXPECT_EQ(probe.opens, probe.closes);
    }

    void Place(const std::vector<PlacedFormat>& formats) { ASSERT_TRUE(PlaceOnClipboard(formats)); }

    // One pass; the probe keeps its failures but forgets the last pass.
    PassResult Run(UINT codePage, BOOL addRtf = FALSE, const char* face = nullptr, int points = 0,
                   PassMode mode = PassMode::OnRequest)
    {
        probe.ForgetCalls();
        m_nCodePage = codePage;
        return ConversionPass(codePage, addRtf, face, points, mode);
    }

    void ExpectTexts(const std::string& unicode, const std::string& text)
    {
        EXPECT_EQ(probe.setFormats, Texts());
        EXPECT_EQ(ClipboardBytes(CF_UNICODETEXT), unicode);
        EXPECT_EQ(ClipboardBytes(CF_TEXT), text);
    }

    // What a pass on a copy of text alone writes: the marker, the record,
    // the texts and a locale of the last pass's code page where there is one.
    std::vector<UINT> Texts(std::vector<UINT> between = {}) const
    {
        std::vector<UINT> formats{MarkerFormatId(), SourceRecordFormatId()};
        formats.insert(formats.end(), between.begin(), between.end());
        formats.insert(formats.end(), {CF_UNICODETEXT, CF_TEXT});
        if (NamedByALocale(m_nCodePage)) {
            formats.push_back(CF_LOCALE);
        }
        return formats;
    }

    PlatformProbe probe;
    UINT m_nCodePage = 0;
};

TEST_F(ConversionPassTest, EightBitTextPlacedAloneIsDecodedAndItsBytesKept)
{
    // The platform offers a CF_UNICODETEXT of its own; were it read as data,
    // the 8-bit text would come back re-encoded, not byte for byte.
    const struct {
        UINT codePage;
        std::string bytes;
    } cases[] = {
        {932, "\x82\xa0\x82\xa2 abc"}, {936, "\xd6\xd0\xce\xc4"}, {949, "\xc7\xd1\xb1\xb9"},
        {1252, "caf\xe9"},             {GetACP(), "ASCII"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.codePage);
        Place({{CF_TEXT, WithZero(c.bytes)}});
        Run(c.codePage);
        ExpectTexts(DecodedText(c.codePage, c.bytes), WithZero(c.bytes));
    }
}

TEST_F(ConversionPassTest, UnicodeTextPlacedAloneSurvivesAndIsEncoded)
{
    const struct {
        UINT codePage;
        std::wstring text;
    } cases[] = {
        {936, L"中文文本"}, {949, L"한국어"}, {65001, L"emoji \U0001F600"}, {932, L"日本語"},
        {GetACP(), L"plain"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.codePage);
        Place({{CF_UNICODETEXT, WithZero(c.text)}});
        Run(c.codePage);
        ExpectTexts(WithZero(c.text), EncodedText(c.codePage, c.text));
    }
}

TEST_F(ConversionPassTest, CharactersTheCodePageCannotExpressBecomeItsDefaultCharacter)
{
    const std::wstring text = L"中\U0001F600é";
    CPINFO info{};
    ASSERT_TRUE(GetCPInfo(1252, &info));
    Place({{CF_UNICODETEXT, WithZero(text)}});
    Run(1252);
    const std::string expected = EncodedText(1252, text);
    ExpectTexts(WithZero(text), expected);
    EXPECT_EQ(expected[0], static_cast<char>(info.DefaultChar[0]));
}

TEST_F(ConversionPassTest, BothPlacedWithDifferentTextsAreBothConverted)
{
    const std::string bytes = "abc\xe9";
    const std::wstring text = L"中文x";
    for (const UINT codePage : {936u, GetACP()}) {
        for (const bool unicodeFirst : {false, true}) {
            SCOPED_TRACE(testing::Message() << codePage << (unicodeFirst ? " unicode first" : " text first"));
            const PlacedFormat eightBit{CF_TEXT, WithZero(bytes)};
            const PlacedFormat unicode{CF_UNICODETEXT, WithZero(text)};
            Place(unicodeFirst ? std::vector{unicode, eightBit} : std::vector{eightBit, unicode});
            Run(codePage);
            ExpectTexts(DecodedText(codePage, bytes), EncodedText(codePage, text));
        }
    }
}

TEST_F(ConversionPassTest, AnotherPassStartsFromWhatWasCopied)
{
    // Picked the wrong code page, the user picks another and converts again.
    const std::wstring text = L"日本語のテキスト";
    const std::string gbk = "\xd6\xd0\xce\xc4\xce\xc4\xb1\xbe"; // 中文文本 in code page 936
    const std::string bytes = "abc\xe9";
    const std::wstring other = L"中文x";
    const struct {
        const char* name;
        std::vector<PlacedFormat> placed;
        std::vector<UINT> codePages;
    } cases[] = {
        {"a Unicode copy", {{CF_UNICODETEXT, WithZero(text)}}, {932, 936, 1251}},
        {"an 8-bit copy", {{CF_TEXT, WithZero(gbk)}}, {932, 936}},
        {"both placed: each converted from the other", {{CF_TEXT, WithZero(bytes)}, {CF_UNICODETEXT, WithZero(other)}},
         {932, 936}},
    };
    for (const auto& c : cases) {
        Place(c.placed);
        std::optional<std::string> unicode = ClipboardBytes(CF_UNICODETEXT);
        std::optional<std::string> eightBit = ClipboardBytes(CF_TEXT);
        for (const UINT codePage : c.codePages) {
            SCOPED_TRACE(testing::Message() << c.name << ", then " << codePage);
            ASSERT_TRUE(unicode && eightBit);
            EXPECT_EQ(Run(codePage, TRUE), PassResult::Converted);
            const std::string before = *unicode;
            if (c.placed.size() == 2 || c.placed[0].format == CF_TEXT) {
                unicode = DecodedText(codePage, eightBit->substr(0, eightBit->find('\0')));
            }
            if (c.placed.size() == 2 || c.placed[0].format == CF_UNICODETEXT) {
                const std::wstring units(reinterpret_cast<const wchar_t*>(before.data()), before.size() / 2 - 1);
                eightBit = EncodedText(codePage, units);
            }
            EXPECT_EQ(ClipboardBytes(CF_UNICODETEXT), unicode);
            EXPECT_EQ(ClipboardBytes(CF_TEXT), eightBit);
            EXPECT_NE(ClipboardBytes(RtfFormatId()).value_or("").find("\\cpg" + std::to_string(codePage)),
                      std::string::npos)
                << "the RTF copy follows the code page";
        }
    }
}

TEST_F(ConversionPassTest, TheLocaleNamesTheCodePageOfThe8BitText)
{
    const LCID user = GetUserDefaultLCID();
    for (const UINT codePage : {932u, 936u, 949u, 1251u, 1252u, 65001u}) {
        SCOPED_TRACE(codePage);
        Place({{CF_UNICODETEXT, WithZero(L"text")}});
        const std::optional<std::string> platforms = ClipboardBytes(CF_LOCALE);
        Run(codePage);
        const std::optional<std::string> block = ClipboardBytes(CF_LOCALE);
        ASSERT_TRUE(block && block->size() == sizeof(LCID));
        LCID locale = 0;
        std::memcpy(&locale, block->data(), sizeof locale);
        if (!NamedByALocale(codePage)) {
            EXPECT_EQ(block, platforms) << "the platform's own stays";
        } else if (AnsiCodePageOfLocale(user) == codePage) {
            EXPECT_EQ(locale, user) << "the user's own";
        } else {
            EXPECT_EQ(AnsiCodePageOfLocale(locale), codePage);
        }
    }
}

TEST_F(ConversionPassTest, AnAutomaticPassWritesOnlyWhenItChangesWhatAPasterGets)
{
    using namespace std::string_literals;
    const UINT acp = GetACP();
    const UINT other = acp == 932 ? 1252 : 932;
    const UINT exclude = RegisterClipboardFormatA("ExcludeClipboardContentFromMonitorProcessing");
    const struct {
        const char* name;
        std::vector<PlacedFormat> placed;
        UINT codePage;
        BOOL addRtf;
        PassResult result;
    } cases[] = {
        {"Unicode text, the locale's code page", {{CF_UNICODETEXT, WithZero(L"plain")}}, acp, FALSE,
         PassResult::LeftAsItIs},
        {"8-bit text, the locale's code page", {{CF_TEXT, WithZero("caf\xe9")}}, acp, FALSE, PassResult::LeftAsItIs},
        {"both placed, each the other's conversion",
         {{CF_TEXT, WithZero("plain")}, {CF_UNICODETEXT, WithZero(L"plain")}}, acp, FALSE, PassResult::LeftAsItIs},
        {"an RTF copy is due", {{CF_UNICODETEXT, WithZero(L"caf\u00e9")}}, acp, TRUE, PassResult::Converted},
        // The same bytes in every ASCII-based code page, and nothing for an
        // RTF copy or a locale to add.
        {"plain ASCII, another code page, RTF on", {{CF_UNICODETEXT, WithZero(L"12.5\t-3")}}, other, TRUE,
         PassResult::LeftAsItIs},
        {"plain ASCII, a code page that is not ASCII-based", {{CF_UNICODETEXT, WithZero(L"a+b")}}, 65000, FALSE,
         PassResult::Converted},
        {"ASCII but for its last character, thousands in",
         {{CF_UNICODETEXT, WithZero(std::wstring(9000, L'a') + L"\u00e9")}}, other, TRUE, PassResult::Converted},
        {"the program's own RTF", {{CF_UNICODETEXT, WithZero(L"plain")}, {RtfFormatId(), WithZero("{\\rtf1 x}")}},
         acp, TRUE, PassResult::LeftAsItIs},
        {"another code page", {{CF_UNICODETEXT, WithZero(L"日本")}}, other, FALSE, PassResult::Converted},
        {"both placed, different", {{CF_TEXT, WithZero("abc")}, {CF_UNICODETEXT, WithZero(L"xyz")}}, acp, FALSE,
         PassResult::Converted},
        {"a password manager's", {{CF_UNICODETEXT, WithZero(L"pw")}, {exclude, "\0\0\0\0"s}}, other, TRUE,
         PassResult::LeftAsItIs},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Place(c.placed);
        const DWORD sequence = GetClipboardSequenceNumber();
        EXPECT_EQ(Run(c.codePage, c.addRtf, nullptr, 0, PassMode::Automatic), c.result);
        if (c.result == PassResult::LeftAsItIs) {
            EXPECT_EQ(GetClipboardSequenceNumber(), sequence);
            EXPECT_EQ(probe.opens, 1) << "read once, nothing converted or carried";
            // Asked by the user, the pass converts and keeps the marks.
            EXPECT_EQ(Run(c.codePage, c.addRtf), PassResult::Converted);
            for (const PlacedFormat& p : c.placed) {
                if (p.format != CF_TEXT && p.format != CF_UNICODETEXT) {
                    EXPECT_EQ(ClipboardBytes(p.format), p.bytes) << "format " << p.format;
                }
            }
        }
    }
}

TEST_F(ConversionPassTest, AnAutomaticPassWritesOnlyACopyItReadWholeInTime)
{
    const UINT html = RegisterClipboardFormatA("HTML Format");
    const UINT data = RegisterClipboardFormatA("Pelisan test data");
    // The program is asked in the order of the formats' numbers.
    const UINT first = std::min(html, data);
    const UINT second = std::max(html, data);
    const std::wstring ascii = L"12.5\t-3";
    const std::wstring japanese = L"caf\u00e9 \u65e5\u672c";
    const UINT other = GetACP() == 932 ? 1252 : 932;
    const struct {
        const char* name;
        std::wstring text;
        std::function<void(LateRenderer&)> arm;
        PassResult result;
        std::map<UINT, int> requests;
    } cases[] = {
        {"plain ASCII: the text alone is asked for", ascii, [](LateRenderer&) {}, PassResult::LeftAsItIs,
         {{CF_UNICODETEXT, 1}}},
        {"a pass asks for each format once", japanese, [](LateRenderer&) {}, PassResult::Converted,
         {{CF_UNICODETEXT, 1}, {first, 1}, {second, 1}}},
        {"a format that fails: nothing more is asked, nothing written", japanese,
         [&](LateRenderer& r) { r.failing.insert(first); }, PassResult::GivenUp, {{CF_UNICODETEXT, 1}, {first, 1}}},
        // The platform asks for the Unicode text to make the 8-bit one.
        {"the text fails: asked for once, nothing written", japanese,
         [](LateRenderer& r) { r.failing.insert(CF_UNICODETEXT); }, PassResult::GivenUp, {{CF_UNICODETEXT, 1}}},
        {"a format slower than the bound: nothing more is asked, nothing written", japanese,
         [&](LateRenderer& r) { r.renderingMs[first] = 1500; }, PassResult::GivenUp,
         {{CF_UNICODETEXT, 1}, {first, 1}}},
        // Every further format would take as long as the text did.
        {"a text slow to come: nothing more is asked", japanese,
         [](LateRenderer& r) { r.renderingMs[CF_UNICODETEXT] = 400; }, PassResult::GivenUp, {{CF_UNICODETEXT, 1}}},
        // Its richer formats would take longer than the bound to render.
        {"a long text: nothing more is asked", std::wstring(600000, L'\u65e5'), [](LateRenderer&) {},
         PassResult::GivenUp, {{CF_UNICODETEXT, 1}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::map<UINT, std::string> formats{
            {CF_UNICODETEXT, WithZero(c.text)}, {html, WithZero("<b>text</b>")}, {data, std::string(1000, 'd')}};
        LateRenderer renderer(formats);
        c.arm(renderer);
        ASSERT_TRUE(renderer.Copy());
        const DWORD sequence = GetClipboardSequenceNumber();
        EXPECT_EQ(Run(other, TRUE, nullptr, 0, PassMode::Automatic), c.result);
        EXPECT_EQ(renderer.requests, c.requests);
        if (c.result != PassResult::Converted) {
            EXPECT_EQ(GetClipboardSequenceNumber(), sequence);
            continue;
        }
        for (const auto& [format, bytes] : formats) {
            EXPECT_EQ(ClipboardBytes(format), bytes) << "format " << format;
        }
    }
    // Asked by the user, the pass converts, leaves out what fails and says so.
    const std::map<UINT, std::string> formats{
        {CF_UNICODETEXT, WithZero(japanese)}, {html, WithZero("<b>text</b>")}, {data, std::string(1000, 'd')}};
    LateRenderer renderer(formats);
    renderer.failing.insert(first);
    ASSERT_TRUE(renderer.Copy());
    PassReport report;
    // Nothing written, nothing left out.
    probe.failEmpty = true;
    EXPECT_EQ(ConversionPass(other, TRUE, nullptr, 0, PassMode::OnRequest, &report), PassResult::ClipboardFailed);
    EXPECT_TRUE(report.leftOut.empty());
    probe.failEmpty = false;
    EXPECT_EQ(ConversionPass(other, TRUE, nullptr, 0, PassMode::OnRequest, &report), PassResult::Converted);
    EXPECT_EQ(report.leftOut, std::vector<UINT>{first});
    EXPECT_EQ(ClipboardBytes(second), formats.at(second));
    EXPECT_EQ(ClipboardBytes(first), std::nullopt);
    EXPECT_EQ(ClipboardBytes(CF_TEXT), EncodedText(other, japanese));
}

TEST_F(ConversionPassTest, TextThatIsOnlyThePlatformsConversionOfThePlacedOneCountsAsAbsent)
{
    const std::wstring text = L"Ü中b";
    const std::string bytes = "\x82\xa0z";
    const std::wstring korean = L"가b";
    const LCID korea = MAKELCID(MAKELANGID(LANG_KOREAN, SUBLANG_KOREAN), SORT_DEFAULT);
    const std::string koreaBlock(reinterpret_cast<const char*>(&korea), sizeof korea);
    const UINT acp = GetACP();
    const struct {
        const char* name;
        std::vector<PlacedFormat> placed;
        bool hideLocale;
        UINT synthesisCodePage;
        bool otherOffered;
    } cases[] = {
        {"unicode placed, 8-bit its conversion",
         {{CF_UNICODETEXT, WithZero(text)}, {CF_TEXT, EncodedText(acp, text)}}, false, acp, false},
        {"8-bit placed, unicode its conversion",
         {{CF_TEXT, WithZero(bytes)}, {CF_UNICODETEXT, DecodedText(acp, bytes)}}, false, acp, false},
        {"conversion through the clipboard's locale",
         {{CF_UNICODETEXT, WithZero(korean)}, {CF_LOCALE, koreaBlock}, {CF_TEXT, EncodedText(949, korean)}}, false,
         949, false},
        {"a locale whose conversion differs",
         {{CF_UNICODETEXT, WithZero(korean)}, {CF_LOCALE, koreaBlock}, {CF_TEXT, EncodedText(acp, korean)}}, false,
         949, true},
        {"no locale: the ANSI code page",
         {{CF_UNICODETEXT, WithZero(text)}, {CF_TEXT, EncodedText(acp, text)}}, true, acp, false},
    };
    for (const auto& c : cases) {
        for (const UINT codePage : {936u, acp}) {
            SCOPED_TRACE(testing::Message() << c.name << ", code page " << codePage);
            Place(c.placed);
            probe.hideFormat = [&](UINT format) { return c.hideLocale && format == CF_LOCALE; };
            Run(codePage);
            const PlacedFormat& first = c.placed.front();
            const PlacedFormat& other = c.placed.back();
            const PlacedFormat& unicode = first.format == CF_UNICODETEXT ? first : other;
            const PlacedFormat& eightBit = first.format == CF_TEXT ? first : other;
            const std::wstring unicodeText(reinterpret_cast<const wchar_t*>(unicode.bytes.data()),
                                           unicode.bytes.size() / 2 - 1);
            const std::string eightBitText = eightBit.bytes.substr(0, eightBit.bytes.size() - 1);
            if (c.otherOffered) {
                ExpectTexts(DecodedText(codePage, eightBitText), EncodedText(codePage, unicodeText));
                continue;
            }
            if (first.format == CF_UNICODETEXT) {
                ExpectTexts(unicode.bytes, EncodedText(codePage, unicodeText));
            } else {
                ExpectTexts(DecodedText(codePage, eightBitText), eightBit.bytes);
            }
            // Telling the other text apart costs one conversion at most, none
            // when the pass converts through the same code page.
            EXPECT_LE(probe.conversions.size(), codePage == c.synthesisCodePage ? 2u : 4u);
        }
    }
}

TEST_F(ConversionPassTest, LongTextsAreToldApartPieceByPiece)
{
    // Longer than one piece of the comparison, which must not split a
    // character: neither a double-byte one nor a surrogate pair.
    std::string spaced;
    std::string unbroken = "a"; // puts the double-byte characters at odd offsets
    std::wstring pairs = L"a";
    for (int i = 0; i < 12000; ++i) {
        spaced += i % 50 == 49 ? "\x82\xa0 " : "\x82\xa0";
        unbroken += "\x82\xa0\x82\xa2\x82\xa4";
        pairs += L"\U0001F600";
    }
    const UINT codePage = 936;
    for (const std::string& bytes : {spaced, unbroken}) {
        Place({{CF_TEXT, WithZero(bytes)}});
        Run(codePage);
        ExpectTexts(DecodedText(codePage, bytes), WithZero(bytes));
    }
    Place({{CF_UNICODETEXT, WithZero(pairs)}});
    Run(codePage);
    ExpectTexts(WithZero(pairs), EncodedText(codePage, pairs));
}

TEST_F(ConversionPassTest, WithoutTextNothingIsWritten)
{
    const UINT html = RegisterClipboardFormatA("HTML Format");
    const struct {
        const char* name;
        std::vector<PlacedFormat> placed;
    } cases[] = {
        {"a picture", {{CF_BITMAP, "", TestBitmap(4, 3)}}},
        {"HTML alone", {{html, WithZero("<b>bold</b>")}}},
        {"data of a program's own", {{RegisterClipboardFormatA("Pelisan test data"), "data"}}},
        {"nothing", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Place(c.placed);
        const std::vector<UINT> before = ClipboardFormats();
        const DWORD sequence = GetClipboardSequenceNumber();
        EXPECT_EQ(Run(932, TRUE, "Arial", 12), PassResult::NothingToConvert);
        EXPECT_EQ(GetClipboardSequenceNumber(), sequence);
        EXPECT_EQ(ClipboardFormats(), before);
        EXPECT_TRUE(probe.allocations.empty());
    }
}

TEST_F(ConversionPassTest, EveryOtherFormatIsCarriedOverInItsOrder)
{
    using namespace std::string_literals;
    const UINT html = RegisterClipboardFormatA("HTML Format");
    const UINT data = RegisterClipboardFormatA("Pelisan test data");
    const std::string htmlBytes = WithZero("Version:0.9\r\n<b>Caf\xc3\xa9</b>");
    const std::string dataBytes = "\x01\x00\xff private"s;
    const std::string programRtf = WithZero("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\b Caf\\'e9\\b0}");
    const std::string passRtf = WithZero("{\\rtf1\\ansi{\\fonttbl{\\f1\\cpg1252\\fcharset0;}}\r\n\\f1 \\'78}\r\n");
    const std::wstring text = L"Caf\u00e9 \u65e5\u672c";
    const UINT marker = MarkerFormatId();
    const UINT record = SourceRecordFormatId();
    const UINT rtf = RtfFormatId();
    const struct {
        const char* name;
        std::vector<PlacedFormat> placed;
        BOOL addRtf;
        std::vector<UINT> set;
        std::optional<std::string> rtfWritten; // by the pass, when not the program's
    } cases[] = {
        {"a rich copy keeps the program's RTF, all in their order",
         {{html, htmlBytes}, {rtf, programRtf}, {CF_UNICODETEXT, WithZero(text)}, {data, dataBytes}}, TRUE,
         {marker, record, html, rtf, CF_UNICODETEXT, CF_TEXT, CF_LOCALE, data}, std::nullopt},
        {"without an RTF copy asked for",
         {{data, dataBytes}, {CF_UNICODETEXT, WithZero(text)}, {html, htmlBytes}}, FALSE,
         {marker, record, data, CF_UNICODETEXT, CF_TEXT, CF_LOCALE, html}, std::nullopt},
        {"an RTF copy of the pass's own goes just before the texts",
         {{html, htmlBytes}, {CF_UNICODETEXT, WithZero(text)}}, TRUE,
         {marker, record, html, rtf, CF_UNICODETEXT, CF_TEXT, CF_LOCALE}, "{\\rtf1\\ansi{\\fonttbl{\\f1\\cpg932"},
        {"an earlier pass's RTF is replaced",
         {{marker, "PELIS"s + '\0'}, {CF_UNICODETEXT, WithZero(text)}, {rtf, passRtf},
          {html, htmlBytes}},
         TRUE, {marker, record, rtf, CF_UNICODETEXT, CF_TEXT, CF_LOCALE, html},
         "{\\rtf1\\ansi{\\fonttbl{\\f1\\cpg932"},
        {"and dropped when no RTF copy is asked for",
         {{marker, "PELIS"s + '\0'}, {CF_UNICODETEXT, WithZero(text)}, {rtf, passRtf}, {html, htmlBytes}}, FALSE,
         {marker, record, CF_UNICODETEXT, CF_TEXT, CF_LOCALE, html}, std::nullopt},
        {"a program's RTF kept by an earlier pass stays",
         {{marker, "PELIS"s + '\0'}, {CF_UNICODETEXT, WithZero(text)}, {rtf, programRtf}}, TRUE,
         {marker, record, CF_UNICODETEXT, CF_TEXT, CF_LOCALE, rtf}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Place(c.placed);
        EXPECT_EQ(Run(932, c.addRtf, "Arial", 12), PassResult::Converted);
        EXPECT_EQ(probe.setFormats, c.set);
        EXPECT_EQ(ClipboardBytes(CF_UNICODETEXT), WithZero(text));
        EXPECT_EQ(ClipboardBytes(CF_TEXT), EncodedText(932, text));
        for (const PlacedFormat& p : c.placed) {
            const bool carried = p.format != CF_UNICODETEXT && p.format != CF_TEXT && p.format != marker &&
                                 (p.format != rtf || p.bytes == programRtf);
            if (carried) {
                EXPECT_EQ(ClipboardBytes(p.format), p.bytes) << "format " << p.format << " byte for byte";
            }
        }
        if (c.rtfWritten) {
            EXPECT_TRUE(StartsWith(ClipboardBytes(rtf), *c.rtfWritten));
        }
    }
}

TEST_F(ConversionPassTest, PicturesAreCarriedOverAndDrawTheSame)
{
    const std::string dib = [] {
        BITMAPINFOHEADER header{sizeof header, 3, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
        std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
        for (int i = 0; i < 2 * 12; ++i) {
            bytes += static_cast<char>(i * 11);
        }
        return bytes;
    }();
    // A picture with transparency: 32 bits with an alpha mask.
    const std::string dibV5 = [] {
        BITMAPV5HEADER header{};
        header.bV5Size = sizeof header;
        header.bV5Width = 2;
        header.bV5Height = 2;
        header.bV5Planes = 1;
        header.bV5BitCount = 32;
        header.bV5Compression = BI_BITFIELDS;
        header.bV5RedMask = 0x00FF0000;
        header.bV5GreenMask = 0x0000FF00;
        header.bV5BlueMask = 0x000000FF;
        header.bV5AlphaMask = 0xFF000000;
        header.bV5CSType = LCS_CALIBRATED_RGB;
        const std::string pixels("\x10\x20\x30\x00\x40\x50\x60\x80\x70\x80\x90\xc0\xa0\xb0\xc0\xff", 16);
        return std::string(reinterpret_cast<const char*>(&header), sizeof header) + pixels;
    }();
    const struct {
        const char* name;
        std::vector<PlacedFormat> placed;
        std::vector<UINT> before; // set before the texts
        std::vector<UINT> after;  // a synthesised picture is left for the platform to make again
    } cases[] = {
        {"an 8-bit text with a DIB", {{CF_TEXT, WithZero("caption")}, {CF_DIB, dib}}, {}, {CF_DIB}},
        {"bitmap and enhanced metafile handles",
         {{CF_UNICODETEXT, WithZero(L"caption")}, {CF_BITMAP, "", TestBitmap(5, 3)},
          {CF_ENHMETAFILE, "", TestEnhMetaFile()}},
         {}, {CF_BITMAP, CF_ENHMETAFILE}},
        {"a metafile picture, a bitmap and its palette",
         {{CF_METAFILEPICT, "", TestMetaFilePict()}, {CF_UNICODETEXT, WithZero(L"caption")},
          {CF_BITMAP, "", TestBitmap(2, 7)}, {CF_PALETTE, "", TestPalette()}},
         {CF_METAFILEPICT}, {CF_BITMAP, CF_PALETTE}},
        {"a transparent DIBV5 beside its DIB",
         {{CF_UNICODETEXT, WithZero(L"caption")}, {CF_DIB, dib}, {CF_DIBV5, dibV5}}, {}, {CF_DIB, CF_DIBV5}},
        {"a DIB of the program's own after its bitmap",
         {{CF_BITMAP, "", TestBitmap(5, 3)}, {CF_DIB, dib}, {CF_UNICODETEXT, WithZero(L"caption")}},
         {CF_BITMAP, CF_DIB}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Place(c.placed);
        std::map<UINT, std::optional<std::string>> before;
        for (const UINT format : {CF_DIB, CF_DIBV5, CF_BITMAP, CF_ENHMETAFILE, CF_METAFILEPICT, CF_PALETTE}) {
            before[format] = ClipboardDrawing(format);
        }
        EXPECT_EQ(Run(1252), PassResult::Converted);
        std::vector<UINT> set = Texts(c.before);
        set.insert(set.end(), c.after.begin(), c.after.end());
        EXPECT_EQ(probe.setFormats, set);
        for (const auto& [format, drawing] : before) {
            EXPECT_EQ(ClipboardDrawing(format), drawing) << "format " << format;
        }
    }
}

TEST_F(ConversionPassTest, WhatCannotBeCarriedOverIsLeftOutAndTheTextsStillWritten)
{
    const UINT html = RegisterClipboardFormatA("HTML Format");
    const UINT data = RegisterClipboardFormatA("Pelisan test data");
    const std::string htmlBytes = WithZero("<i>kept</i>");
    auto& p = probe;
    const struct {
        const char* name;
        PlacedFormat other;
        std::function<void()> arm;
    } cases[] = {
        {"a handle private to its owner", {CF_PRIVATEFIRST + 5, "private"}, [] {}},
        {"a GDI object of unknown kind", {CF_GDIOBJFIRST + 5, "gdi"}, [] {}},
        {"a format that cannot be read", {data, "unread"}, [&] { p.hideFormat = [=](UINT f) { return f == data; }; }},
        {"a block that cannot be copied", {data, std::string(777, 'x')},
         [&] { p.failAlloc = [](UINT, SIZE_T size) { return size == 777; }; }},
        {"a picture that cannot be copied", {CF_ENHMETAFILE, "", TestEnhMetaFile()},
         [&] { p.failCopy = [] { return true; }; }},
        {"a palette that cannot be made", {CF_PALETTE, "", TestPalette()}, [&] { p.failCopy = [] { return true; }; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Place({{CF_UNICODETEXT, WithZero(L"text")}, c.other, {html, htmlBytes}});
        c.arm();
        EXPECT_EQ(Run(1252), PassResult::Converted);
        std::vector<UINT> set = Texts();
        set.push_back(html);
        EXPECT_EQ(probe.setFormats, set);
        EXPECT_EQ(ClipboardBytes(html), htmlBytes);
        EXPECT_EQ(ClipboardBytes(CF_TEXT), WithZero("text"));
        probe.Reset();
    }
}

TEST_F(ConversionPassTest, TheRtfCopyOfUnicodeTextKeepsEveryCharacter)
{
    const std::string msGothic = "\x82l\x82r \x83S\x83V\x83""b\x83N"; // ＭＳ ゴシック in code page 932
    const struct {
        UINT codePage;
        std::wstring text;
        const char* face;
        std::string body;
        std::string faceWritten;
    } cases[] = {
        // é has a best-fit "e" in 932, € none: both would be lost.
        {932, L"\u65e5\u00e9\u20ac", nullptr, "\\'93\\'fa\\u233?\\u8364?", ""},
        {1252, L"\u00e9\u65e5\r\nx", msGothic.c_str(), "\\'e9\\u26085?\\par\r\n\\'78",
         " \\u-211?\\u-205? \\u12468?\\u12471?\\u12483?\\u12463?"},
        {65001, L"\U0001F600\u00e9", "Arial-X", "\\'f0\\'9f\\'98\\'80\\'c3\\'a9", " Arial\\'2dX"},
        {1251, L"\u0416\U0001F600\u00e9", nullptr, "\\'c6\\u-10179?\\u-8704?\\u233?", ""},
        {932, L"x", msGothic.c_str(), "\\'78", " \\'82l\\'82r \\'83S\\'83V\\'83b\\'83N"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.codePage);
        Place({{CF_UNICODETEXT, WithZero(c.text)}});
        EXPECT_EQ(Run(c.codePage, TRUE, c.face, 0), PassResult::Converted);
        EXPECT_EQ(ClipboardBytes(CF_TEXT), EncodedText(c.codePage, c.text)) << "the platform's own 8-bit text";
        const std::optional<std::string> rtf = ClipboardBytes(RtfFormatId());
        ASSERT_TRUE(rtf);
        EXPECT_NE(rtf->find(c.faceWritten + ";}}\r\n\\f1 " + c.body + "}\r\n"), std::string::npos) << *rtf;
    }
}

TEST_F(ConversionPassTest, EmptyTextsAndBytesAfterTheFirstZero)
{
    using namespace std::string_literals;
    const UINT codePage = 936;
    const struct {
        const char* name;
        std::vector<PlacedFormat> placed;
        std::string unicode;
        std::string text;
    } cases[] = {
        {"empty 8-bit text", {{CF_TEXT, "\0"s}}, WithZero(L""), "\0"s},
        {"empty 8-bit text beside a unicode text",
         {{CF_UNICODETEXT, WithZero(L"abc")}, {CF_TEXT, "\0"s}}, WithZero(L""), EncodedText(codePage, L"abc")},
        {"8-bit bytes after a zero", {{CF_TEXT, "ab\0cd\0"s}}, DecodedText(codePage, "ab"), "ab\0cd\0"s},
        {"unicode units after a zero",
         {{CF_UNICODETEXT, WithZero(L"ab\0cd"s)}}, WithZero(L"ab\0cd"s), EncodedText(codePage, L"ab")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Place(c.placed);
        Run(codePage);
        ExpectTexts(c.unicode, c.text);
    }
}

TEST_F(ConversionPassTest, BlocksOfOddSizeOrWithoutZeroAreReadOnlyAsFarAsTheyGo)
{
    // Wine ends every text block it is given with a zero unit, so such blocks
    // reach the pass only from another platform: the probe hands them over.
    const UINT codePage = 936;
    const struct {
        const char* name;
        UINT format;
        std::string bytes;
        std::string converted; // what the other format's conversion gives
    } cases[] = {
        {"unicode without zero", CF_UNICODETEXT, Utf16Bytes(L"ab"), EncodedText(codePage, L"ab")},
        {"unicode, odd size, zero byte last", CF_UNICODETEXT, Utf16Bytes(L"ab") + '\0', EncodedText(codePage, L"ab")},
        {"unicode, odd size, no zero", CF_UNICODETEXT, Utf16Bytes(L"ab") + 'X', EncodedText(codePage, L"ab")},
        {"unicode of a single byte", CF_UNICODETEXT, "A", EncodedText(codePage, L"")},
        {"unicode double-byte character without zero", CF_UNICODETEXT, Utf16Bytes(L"中"),
         EncodedText(codePage, L"中")},
        {"8-bit text without zero", CF_TEXT, "abc", DecodedText(codePage, "abc")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const UINT other = c.format == CF_TEXT ? CF_UNICODETEXT : CF_TEXT;
        Place({{c.format, WithZero("placed")}});
        HGLOBAL block = NewBlock(c.bytes);
        probe.injectedData[c.format] = block;
        probe.hideFormat = [=](UINT format) { return format == other; };
        Run(codePage);
        EXPECT_EQ(probe.setFormats, Texts());
        EXPECT_EQ(probe.handedBytes[c.format], c.bytes) << "copied across byte for byte";
        EXPECT_EQ(probe.handedBytes[other], c.converted);
        probe.Reset();
        GlobalFree(block);
    }
}

TEST_F(ConversionPassTest, RtfCopyGoesJustBeforeTheTexts)
{
    const std::string face = "\x82l\x82r \x83S\x83V\x83""b\x83N"; // ＭＳ ゴシック
    Place({{CF_TEXT, WithZero("A\r\nb")}});
    Run(932, TRUE, face.c_str(), 12);
    const std::vector<UINT> expected = Texts({RtfFormatId()});
    EXPECT_EQ(probe.setFormats, expected);
    const std::vector<UINT> offered = ClipboardFormats();
    ASSERT_GE(offered.size(), expected.size());
    EXPECT_EQ(std::vector<UINT>(offered.begin(), offered.begin() + static_cast<std::ptrdiff_t>(expected.size())),
              expected);
    const std::optional<std::string> rtf = ClipboardBytes(RtfFormatId());
    EXPECT_TRUE(StartsWith(rtf, "{\\rtf1\\ansi{\\fonttbl{\\f1\\cpg932\\fcharset128 \\'82l\\'82r"));
    ASSERT_TRUE(rtf);
    EXPECT_NE(rtf->find("\\f1\\fs24 \\'41\\par\r\n\\'62}\r\n"), std::string::npos);
    EXPECT_EQ(rtf->size(), rtf->find('\0') + 1) << "one zero byte, at the end";

    // An 8-bit text copied across without its zero byte (and refused, so that
    // Wine does not terminate it in place) is rendered only as far as it goes.
    Place({{CF_TEXT, WithZero("placed")}});
    HGLOBAL unterminated = NewBlock("abc");
    probe.injectedData[CF_TEXT] = unterminated;
    probe.hideFormat = [](UINT format) { return format == CF_UNICODETEXT; };
    probe.refuseSet = [](UINT format) { return format == CF_TEXT; };
    Run(1252, TRUE, nullptr, INT_MAX);
    EXPECT_TRUE(StartsWith(ClipboardBytes(RtfFormatId()),
                           "{\\rtf1\\ansi{\\fonttbl{\\f1\\cpg1252\\fcharset0;}}\r\n\\f1\\fs2147483647 \\'61\\'62\\'63}"));
    probe.Reset();
    GlobalFree(unterminated);
}

TEST_F(ConversionPassTest, BlocksAreAllocatedAsTheTableGives)
{
    Place({{CF_TEXT, WithZero("xyz")}});
    Run(1252, TRUE, nullptr, 0);
    const std::optional<std::string> rtf = ClipboardBytes(RtfFormatId());
    ASSERT_TRUE(rtf);
    const struct {
        const char* name;
        UINT flags;
        SIZE_T size;
    } blocks[] = {
        {"private copy of CF_TEXT", kPrivateBlock, 5},
        {"Unicode result", kClipboardBlock, 2 * 3 + 2},
        {"fallback copy of CF_TEXT", kClipboardBlock, 4},
        {"marker", kClipboardBlock, 6},
        {"RTF block", kClipboardBlock, rtf->size()},
    };
    for (const auto& b : blocks) {
        EXPECT_TRUE(probe.Allocated(b.flags, b.size)) << b.name;
    }
}

TEST_F(ConversionPassTest, EveryFailureOfThePlatformEndsSilentlyWithEveryBlockFreed)
{
    const std::string bytes = "abcd";
    const std::wstring text = L"中文字";
    const UINT codePage = 936;
    const SIZE_T unicodeResultSize = 2 * 4 + 2; // "abcd" decoded
    const SIZE_T unicodeFallbackSize = 8;       // the placed text
    const UINT marker = MarkerFormatId();
    const UINT record = SourceRecordFormatId();
    const UINT rtf = RtfFormatId();
    auto& p = probe;
    enum class Outcome { kUnchanged, kEmpty, kWritten };
    const struct {
        const char* name;
        std::function<void()> arm;
        Outcome outcome;
        std::vector<UINT> set;
        bool unicodeCopiedAcross;
    } cases[] = {
        {"read cannot open", [&] { p.failOpen = [] { return true; }; }, Outcome::kUnchanged, {}, false},
        {"read waits for the clipboard",
         [&] { p.failOpen = [n = 0]() mutable { return ++n <= 3; }; }, Outcome::kWritten,
         {marker, record, rtf, CF_UNICODETEXT, CF_TEXT, CF_LOCALE}, false},
        {"private copy not allocated", [&] { p.failAlloc = [&](UINT f, SIZE_T) { return f == kPrivateBlock; }; },
         Outcome::kUnchanged, {}, false},
        {"other formats cannot be read", [&] { p.failOpen = [&] { return p.opens == 1; }; }, Outcome::kUnchanged, {},
         false},
        {"write cannot open", [&] { p.failOpen = [&] { return p.opens >= 2; }; }, Outcome::kUnchanged, {}, false},
        {"EmptyClipboard fails", [&] { p.failEmpty = true; }, Outcome::kUnchanged, {}, false},
        {"marker not registered", [&] { p.failRegister = [](std::string_view n) { return n == "CF_PELISAN"; }; },
         Outcome::kWritten, {record, rtf, CF_UNICODETEXT, CF_TEXT, CF_LOCALE}, false},
        {"marker block not allocated",
         [&] { p.failAlloc = [](UINT f, SIZE_T s) { return f == kClipboardBlock && s == 6; }; }, Outcome::kWritten,
         {record, rtf, CF_UNICODETEXT, CF_TEXT, CF_LOCALE}, false},
        {"marker refused", [&] { p.refuseSet = [=](UINT f) { return f == marker; }; }, Outcome::kEmpty, {}, false},
        {"record refused", [&] { p.refuseSet = [=](UINT f) { return f == record; }; }, Outcome::kWritten,
         {marker, rtf, CF_UNICODETEXT, CF_TEXT, CF_LOCALE}, false},
        {"Unicode text refused", [&] { p.refuseSet = [](UINT f) { return f == CF_UNICODETEXT; }; },
         Outcome::kWritten, {marker, record, rtf, CF_TEXT, CF_LOCALE}, false},
        {"8-bit text refused: no locale for it", [&] { p.refuseSet = [](UINT f) { return f == CF_TEXT; }; },
         Outcome::kWritten, {marker, record, rtf, CF_UNICODETEXT}, false},
        {"locale refused", [&] { p.refuseSet = [](UINT f) { return f == CF_LOCALE; }; }, Outcome::kWritten,
         {marker, record, rtf, CF_UNICODETEXT, CF_TEXT}, false},
        // Of the pass's clipboard blocks, only the RTF copy is this large.
        {"RTF block not allocated",
         [&] { p.failAlloc = [=](UINT f, SIZE_T s) { return f == kClipboardBlock && s > 16; }; },
         Outcome::kWritten, {marker, record, CF_UNICODETEXT, CF_TEXT, CF_LOCALE}, false},
        {"RTF not registered",
         [&] { p.failRegister = [](std::string_view n) { return n == "Rich Text Format"; }; }, Outcome::kWritten,
         {marker, record, CF_UNICODETEXT, CF_TEXT, CF_LOCALE}, false},
        {"Unicode result not allocated: copied across",
         [&] { p.failAlloc = [=](UINT f, SIZE_T s) { return f == kClipboardBlock && s == unicodeResultSize; }; },
         Outcome::kWritten, {marker, record, rtf, CF_UNICODETEXT, CF_TEXT, CF_LOCALE}, true},
        {"nor its copy across",
         [&] {
             p.failAlloc = [=](UINT f, SIZE_T s) {
                 return f == kClipboardBlock && (s == unicodeResultSize || s == unicodeFallbackSize);
             };
         },
         Outcome::kUnchanged, {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<PlacedFormat> placed{{CF_UNICODETEXT, WithZero(text)}, {CF_TEXT, WithZero(bytes)}};
        Place(placed);
        probe.Reset();
        c.arm();
        const PassResult result = Run(codePage, TRUE);
        EXPECT_EQ(result, c.outcome == Outcome::kWritten ? PassResult::Converted : PassResult::ClipboardFailed);
        switch (c.outcome) {
        case Outcome::kUnchanged:
            EXPECT_TRUE(probe.setFormats.empty());
            EXPECT_EQ(ClipboardBytes(CF_UNICODETEXT), placed[0].bytes);
            EXPECT_EQ(ClipboardBytes(CF_TEXT), placed[1].bytes);
            EXPECT_FALSE(ClipboardBytes(marker));
            break;
        case Outcome::kEmpty:
            EXPECT_TRUE(probe.setFormats.empty());
            EXPECT_TRUE(ClipboardFormats().empty());
            break;
        case Outcome::kWritten:
            EXPECT_EQ(probe.setFormats, c.set);
            for (const UINT format : c.set) {
                const std::optional<std::string> written = ClipboardBytes(format);
                if (format == CF_UNICODETEXT) {
                    EXPECT_EQ(written, c.unicodeCopiedAcross ? placed[0].bytes : DecodedText(codePage, bytes));
                } else if (format == CF_TEXT) {
                    EXPECT_EQ(written, EncodedText(codePage, text));
                } else if (format == rtf) {
                    EXPECT_TRUE(StartsWith(written, "{\\rtf1\\ansi{\\fonttbl{\\f1\\cpg936"));
                }
            }
            break;
        }
        // Opening is retried a bounded number of times, for a quarter second at most.
        EXPECT_LE(probe.waits.size(), 2 * 5u);
        EXPECT_LE(std::accumulate(probe.waits.begin(), probe.waits.end(), DWORD{0}), 2 * 250u);
        probe.Reset();
    }
}

TEST_F(ConversionPassTest, OpeningWaitsForAProgramThatHoldsTheClipboard)
{
    Place({{CF_UNICODETEXT, WithZero(L"held")}});
    // Wine lets two threads of one process open the clipboard with the same
    // (null) owner, so the holder opens it with a window of its own.
    struct Holder {
        HANDLE opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        static DWORD WINAPI Hold(void* self)
        {
            HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
            OpenClipboard(owner);
            SetEvent(static_cast<Holder*>(self)->opened);
            Sleep(60);
            CloseClipboard();
            DestroyWindow(owner);
            return 0;
        }
    } holder;
    HANDLE thread = CreateThread(nullptr, 0, &Holder::Hold, &holder, 0, nullptr);
    WaitForSingleObject(holder.opened, INFINITE);
    Run(1252);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    CloseHandle(holder.opened);
    EXPECT_FALSE(probe.waits.empty());
    ExpectTexts(WithZero(L"held"), WithZero("held"));
}

TEST_F(ConversionPassTest, AFailedConversionKeepsTheTextThatWasThere)
{
    using namespace std::string_literals;
    const UINT codePage = 936;
    const std::wstring text = L"中文";
    auto failing = [](bool toUnicode) {
        return [=](const PlatformProbe::Conversion& c) { return c.toUnicode == toUnicode && c.codePage == 936; };
    };
    const struct {
        const char* name;
        std::string bytes;
        std::function<bool(const PlatformProbe::Conversion&)> fail;
        std::string unicode;
        std::string eightBit;
    } cases[] = {
        {"decoding fails", "abc", failing(true), WithZero(text), EncodedText(codePage, text)},
        {"encoding fails", "abc", failing(false), DecodedText(codePage, "abc"), WithZero("abc")},
        {"an empty text needs no conversion", "", failing(true), WithZero(L""), EncodedText(codePage, text)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Place({{CF_UNICODETEXT, WithZero(text)}, {CF_TEXT, WithZero(c.bytes)}});
        probe.failConversion = c.fail;
        Run(codePage);
        ExpectTexts(c.unicode, c.eightBit);
    }
    probe.failConversion = nullptr;

    // A code page the platform cannot convert with keeps both texts.
    Place({{CF_UNICODETEXT, WithZero(text)}, {CF_TEXT, WithZero("abc")}});
    Run(12345);
    ExpectTexts(WithZero(text), WithZero("abc"));
    Place({{CF_TEXT, WithZero("abc")}});
    Run(12345);
    EXPECT_EQ(probe.setFormats, (std::vector<UINT>{MarkerFormatId(), SourceRecordFormatId(), CF_TEXT}));
    EXPECT_EQ(ClipboardBytes(CF_TEXT), WithZero("abc"));
}

TEST_F(ConversionPassTest, ATextTooLongForTheConversionCallsIsLeftUnconverted)
{
    const UINT codePage = 936;
    const std::wstring text = L"中文";
    const SIZE_T tooLongText = SIZE_T{INT_MAX} + 1;
    auto noHugeWork = [&] {
        for (const auto& a : probe.allocations) {
            EXPECT_LT(a.size, 4096u);
        }
        for (const auto& c : probe.conversions) {
            EXPECT_LT(c.length, 4096);
        }
    };

    Place({{CF_UNICODETEXT, WithZero(text)}, {CF_TEXT, WithZero("abc")}});
    probe.blockSize = [&](UINT f) { return f == CF_TEXT ? std::optional(tooLongText) : std::nullopt; };
    Run(codePage);
    ExpectTexts(WithZero(text), EncodedText(codePage, text));
    noHugeWork();

    if constexpr (sizeof(SIZE_T) > 4) {
        const SIZE_T tooLongUnicode = 2 * SIZE_T{INT_MAX} + 2;
        Place({{CF_TEXT, WithZero("abc")}, {CF_UNICODETEXT, WithZero(text)}});
        probe.blockSize = [&](UINT f) { return f == CF_UNICODETEXT ? std::optional(tooLongUnicode) : std::nullopt; };
        Run(codePage);
        ExpectTexts(DecodedText(codePage, "abc"), WithZero("abc"));
        noHugeWork();
    }

    // Alone on the clipboard, such a text is copied across from the clipboard itself.
    Place({{CF_TEXT, WithZero("abc")}});
    probe.blockSize = [&](UINT f) {
        return f == CF_TEXT && probe.opens == 1 ? std::optional(tooLongText) : std::nullopt;
    };
    probe.hideFormat = [](UINT f) { return f == CF_UNICODETEXT; };
    Run(codePage);
    EXPECT_EQ(probe.setFormats, (std::vector<UINT>{MarkerFormatId(), SourceRecordFormatId(), CF_TEXT, CF_LOCALE}));
    EXPECT_EQ(ClipboardBytes(CF_TEXT), WithZero("abc"));
    noHugeWork();
}

TEST_F(ConversionPassTest, StepsOneByOne)
{
    using namespace std::string_literals;
    const std::string bytes = "ab\0c\0"s;
    const std::wstring text = L"x中";
    Place({{CF_TEXT, bytes}, {CF_UNICODETEXT, WithZero(text)}});

    HGLOBAL copy = ReadFormatCopy(CF_TEXT);
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(probe.Allocated(kPrivateBlock, bytes.size() + 1));
    EXPECT_EQ(BlockBytes(copy).substr(0, bytes.size() + 1), bytes + '\0');
    g_platform.GlobalFree(copy);

    const struct {
        const char* name;
        HGLOBAL block;
        UINT flags;
        std::string content;
    } steps[] = {
        {"duplicate", DuplicateFormatBlock(CF_TEXT), kClipboardBlock, bytes},
        {"decode", DecodeClipboardText(936), kClipboardBlock, DecodedText(936, "ab")},
        {"encode", EncodeClipboardUnicode(936), kClipboardBlock, EncodedText(936, text)},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.name);
        ASSERT_NE(s.block, nullptr);
        EXPECT_TRUE(probe.Allocated(s.flags, s.content.size()));
        EXPECT_EQ(BlockBytes(s.block), s.content);
        g_platform.GlobalFree(s.block);
    }

    Place({{RegisterClipboardFormatA("Pelisan test data"), "data"}});
    EXPECT_EQ(ReadFormatCopy(CF_TEXT), nullptr);
    EXPECT_EQ(DuplicateFormatBlock(CF_TEXT), nullptr);
    EXPECT_EQ(DecodeClipboardText(936), nullptr);
    EXPECT_EQ(EncodeClipboardUnicode(936), nullptr);
}

// A repair writes a whole new copy of the repaired text or nothing at all:
// what it drops cannot be had back, so every failure leaves the copy as it was.
TEST_F(ConversionPassTest, ARepairWritesANewCopyKeepingOnlyPicturesAndMarksOrLeavesTheCopyAsItWas)
{
    using namespace std::string_literals;
    const std::wstring japanese = L"日本語のテキスト";
    std::wstring garbled;
    ASSERT_TRUE(MisreadText(japanese, {CP_UTF8, 1252}, garbled));
    const UINT html = RegisterClipboardFormatA("HTML Format");
    const std::string dib = [] {
        BITMAPINFOHEADER header{sizeof header, 1, 1, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        return std::string(reinterpret_cast<const char*>(&header), sizeof header) + "\x10\x20\x30\x40";
    }();
    const std::vector<PlacedFormat> mojibake{{html, WithZero("<p>\xc3\xa6\xe2\x80\x94\xc2\xa5</p>")},
                                             {CF_UNICODETEXT, WithZero(garbled)},
                                             {CF_TEXT, EncodedText(1252, garbled)},
                                             {CF_DIB, dib}};
    const SIZE_T repairedSize = (japanese.size() + 1) * sizeof(wchar_t);
    // A password manager's marks stay where they were, as a conversion keeps them.
    const UINT ignore = RegisterClipboardFormatA("Clipboard Viewer Ignore");
    const UINT exclude = RegisterClipboardFormatA("ExcludeClipboardContentFromMonitorProcessing");
    const UINT hint = RegisterClipboardFormatA("x-kde-passwordManagerHint");
    std::vector<PlacedFormat> marked{{ignore, "\0\0\0\0"s}};
    marked.insert(marked.end(), mojibake.begin(), mojibake.end());
    marked.insert(marked.end(), {{exclude, "\0\0\0\0"s}, {hint, "secret"}});
    auto& p = probe;
    const struct {
        const char* name;
        std::vector<PlacedFormat> placed;
        std::function<void()> arm;
        RepairOutcome outcome;
        std::vector<UINT> keptBefore = {}; // of the old copy, before the texts
        std::vector<UINT> keptAfter = {CF_DIB};
    } cases[] = {
        {"repaired", mojibake, [] {}, RepairOutcome::Repaired},
        {"a password manager's copy", marked, [] {}, RepairOutcome::Repaired, {ignore}, {CF_DIB, exclude, hint}},
        {"clean text", {{CF_UNICODETEXT, WithZero(japanese)}, {CF_DIB, dib}}, [] {}, RepairOutcome::NothingToRepair},
        {"no text", {{CF_DIB, dib}}, [] {}, RepairOutcome::NoText},
        {"the text is not given", mojibake, [&] { p.hideFormat = [](UINT f) { return f == CF_UNICODETEXT; }; },
         RepairOutcome::TextUnreadable},
        {"read cannot open", mojibake, [&] { p.failOpen = [] { return true; }; }, RepairOutcome::ClipboardFailed},
        {"repaired text not allocated",
         mojibake, [&] { p.failAlloc = [=](UINT f, SIZE_T s) { return f == kClipboardBlock && s == repairedSize; }; },
         RepairOutcome::ClipboardFailed},
        {"pictures cannot be read", mojibake, [&] { p.failOpen = [&] { return p.opens == 1; }; },
         RepairOutcome::ClipboardFailed},
        {"write cannot open", mojibake, [&] { p.failOpen = [&] { return p.opens >= 2; }; },
         RepairOutcome::ClipboardFailed},
        {"EmptyClipboard fails", mojibake, [&] { p.failEmpty = true; }, RepairOutcome::ClipboardFailed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Place(c.placed);
        const std::vector<UINT> formats = ClipboardFormats();
        std::map<UINT, std::optional<std::string>> before;
        for (const UINT format : formats) {
            before[format] = ClipboardBytes(format);
        }
        probe.Reset();
        c.arm();
        m_nCodePage = 1252;
        const ClipboardRepair repair = RepairPass(1252, TRUE, "Arial", 12);
        EXPECT_EQ(repair.outcome, c.outcome);
        if (c.outcome != RepairOutcome::Repaired) {
            EXPECT_TRUE(repair.steps.empty());
            EXPECT_EQ(ClipboardFormats(), formats);
            for (const auto& [format, bytes] : before) {
                EXPECT_EQ(ClipboardBytes(format), bytes) << "format " << format;
            }
            continue;
        }
        EXPECT_EQ(repair.steps, (std::vector<RepairStep>{{CP_UTF8, 1252}}));
        // The HTML, the 8-bit text and the locale held the garbled text; the
        // picture and the marks stay where they were.
        std::vector<UINT> set = c.keptBefore;
        set.push_back(RtfFormatId());
        set = Texts(set);
        set.insert(set.end(), c.keptAfter.begin(), c.keptAfter.end());
        EXPECT_EQ(probe.setFormats, set);
        EXPECT_EQ(ClipboardBytes(CF_UNICODETEXT), WithZero(japanese));
        EXPECT_EQ(ClipboardBytes(CF_TEXT), EncodedText(1252, japanese));
        EXPECT_EQ(ClipboardBytes(SourceRecordFormatId()), std::string("\x0d\0\0\0", 4));
        for (const PlacedFormat& placed : c.placed) {
            if (placed.format != html && placed.format != CF_UNICODETEXT && placed.format != CF_TEXT) {
                EXPECT_EQ(ClipboardBytes(placed.format), placed.bytes) << "format " << placed.format;
            }
        }
        // Every character of the repaired text is in the RTF copy, also those
        // the code page has no bytes for.
        const std::string rtf = ClipboardBytes(RtfFormatId()).value_or("");
        EXPECT_TRUE(rtf.starts_with("{\\rtf1\\ansi{\\fonttbl{\\f1\\cpg1252\\fcharset0 Arial;}}")) << rtf;
        EXPECT_NE(rtf.find("\\u26085?\\u26412?\\u-30050?"), std::string::npos) << rtf;
    }
}

TEST(TextComparison, ConvertsToComparesEveryPieceAndKeepsCharactersWhole)
{
    std::wstring pairs = L"a"; // surrogate pairs straddling every even offset
    std::string dbcs = "a";    // double-byte characters at odd offsets, no break between them
    for (int i = 0; i < 20000; ++i) {
        pairs += L"\U0001F600";
        dbcs += "\x82\xa0";
    }
    const std::string utf8 = EncodedText(CP_UTF8, pairs);
    const std::wstring decoded = DecodedUnits(932, dbcs);
    EXPECT_TRUE(ConvertsTo(CP_UTF8, pairs, std::string_view(utf8).substr(0, utf8.size() - 1)));
    EXPECT_TRUE(ConvertsTo(932, dbcs, decoded));
    EXPECT_FALSE(ConvertsTo(932, dbcs, decoded.substr(0, decoded.size() - 1) + L"x")) << "differs at the end";
    EXPECT_FALSE(ConvertsTo(932, dbcs, decoded + L"x")) << "longer";
    EXPECT_FALSE(ConvertsTo(932, dbcs, std::wstring_view(decoded).substr(1))) << "shorter";
    EXPECT_TRUE(ConvertsTo(932, "", L""));
    EXPECT_FALSE(ConvertsTo(12345, "abc", L"abc")) << "a code page the platform cannot convert with";
}

} // namespace
