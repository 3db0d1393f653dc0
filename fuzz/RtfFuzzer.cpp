// Renders arbitrary texts, face names, code pages and sizes into a buffer of
// exactly the announced length, then reads the document back: it must be
// 7-bit, well formed, and give back every input byte.
//
// Input: byte 0 flags (1: no face, 2: no text, 4: Unicode), bytes 1-4 the
// code page and 5-8 the size (little-endian), byte 9 the face length n, n
// face bytes, then the text. A zero byte ends the face or the text early, as
// it would in C. Unicode face and text are UTF-16 (little-endian, whole units
// only) in a made-up code page, compared with a plain rendering of the rules.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/CharSet.h"
#include "core/RtfRender.h"

namespace {

void Require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "RTF property broken: %s\n", what);
        std::abort();
    }
}

std::uint32_t ReadLittleEndian(const std::uint8_t* p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// Reads the document from the front, failing at the first unexpected byte.
class Reader {
public:
    explicit Reader(std::string_view doc) : m_rest(doc) {}

    void Expect(std::string_view piece, const char* what)
    {
        Require(m_rest.substr(0, piece.size()) == piece, what);
        m_rest.remove_prefix(piece.size());
    }
    bool Skip(std::string_view piece)
    {
        if (m_rest.substr(0, piece.size()) != piece) {
            return false;
        }
        m_rest.remove_prefix(piece.size());
        return true;
    }
    // A "\'xx" escape with lowercase digits: the byte it stands for.
    bool Escape(unsigned char& byte)
    {
        if (m_rest.size() < 4 || !m_rest.starts_with("\\'")) {
            return false;
        }
        const int high = HexValue(m_rest[2]);
        const int low = HexValue(m_rest[3]);
        Require(high >= 0 && low >= 0, "escape with two lowercase hexadecimal digits");
        byte = static_cast<unsigned char>(high << 4 | low);
        m_rest.remove_prefix(4);
        return true;
    }
    char Literal()
    {
        Require(!m_rest.empty(), "document ends early");
        const char c = m_rest.front();
        m_rest.remove_prefix(1);
        return c;
    }
    std::string_view Rest() const { return m_rest; }

private:
    std::string_view m_rest;
};

bool IsLiteralInFace(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == ' ';
}

std::string ReadFace(Reader& reader)
{
    std::string face;
    while (!reader.Skip(";}}\r\n")) {
        unsigned char byte = 0;
        if (reader.Escape(byte)) {
            Require(!IsLiteralInFace(byte), "letters, digits and spaces of a face stay literal");
        } else {
            byte = static_cast<unsigned char>(reader.Literal());
            Require(IsLiteralInFace(byte), "only letters, digits and spaces are literal in a face");
        }
        face += static_cast<char>(byte);
    }
    return face;
}

// The body with each line break as one LF; the text's breaks (CR LF, LF CR,
// a lone CR or LF) normalised the same way for comparison.
std::string ReadBody(Reader& reader)
{
    std::string body;
    while (reader.Rest() != "}\r\n") {
        unsigned char byte = 0;
        if (reader.Escape(byte)) {
            Require(byte != '\r' && byte != '\n' && byte != '\t', "breaks and tabs are never escaped");
            body += static_cast<char>(byte);
        } else if (reader.Skip("\\par\r\n")) {
            body += '\n';
        } else {
            reader.Expect("\\tab ", "body holds only escapes, \\par and \\tab");
            body += '\t';
        }
    }
    return body;
}

std::string NormalisedBreaks(std::string_view text)
{
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            result += c;
            continue;
        }
        result += '\n';
        const char partner = c == '\r' ? '\n' : '\r';
        if (i + 1 < text.size() && text[i + 1] == partner) {
            ++i;
        }
    }
    return result;
}

void CheckDocument(std::string_view doc, const char* text, unsigned codePage, const char* face, int size)
{
    for (const char c : doc) {
        Require(c != '\0' && static_cast<unsigned char>(c) < 0x80, "7-bit text without zero bytes");
    }
    Require(doc.ends_with("}\r\n"), "ends with }\\r\\n");
    Reader reader(doc);
    reader.Expect("{\\rtf1\\ansi{\\fonttbl{\\f1\\cpg" + std::to_string(codePage), "header with the code page");
    unsigned charSet = 0;
    if (CharSetOfCodePage(codePage, &charSet)) {
        reader.Expect("\\fcharset" + std::to_string(charSet), "character set of the code page");
    }
    const bool hasFace = face != nullptr && *face != '\0';
    if (hasFace) {
        reader.Expect(" ", "space before the face");
    }
    Require(ReadFace(reader) == (hasFace ? face : ""), "face name read back");
    reader.Expect("\\f1", "font selected");
    if (size != 0) {
        reader.Expect("\\fs" + std::to_string(size), "size");
    }
    reader.Expect(" ", "space before the body");
    Require(ReadBody(reader) == NormalisedBreaks(text != nullptr ? text : ""), "body read back");
}

// The made-up code page: ASCII as itself; two bytes for two in three units up
// to U+37FF, trail bytes from 0 to 0x7F (breaks and tabs among them); four
// bytes for characters outside the BMP with an even code point.
std::size_t EncodeMadeUp(void*, const char16_t* units, std::size_t count, unsigned char* bytes)
{
    if (count == 2) {
        const std::uint32_t point = 0x10000 + ((units[0] - 0xD800u) << 10) + (units[1] - 0xDC00u);
        if (point % 2 != 0) {
            return 0;
        }
        bytes[0] = 0xF0;
        bytes[1] = static_cast<unsigned char>(point >> 16);
        bytes[2] = static_cast<unsigned char>(point >> 8);
        bytes[3] = static_cast<unsigned char>(point);
        return 4;
    }
    const char16_t unit = units[0];
    if (unit < 0x80) {
        bytes[0] = static_cast<unsigned char>(unit);
        return 1;
    }
    if (unit < 0x3800 && unit % 3 != 0) {
        bytes[0] = static_cast<unsigned char>(0x80 | unit >> 7);
        bytes[1] = static_cast<unsigned char>(unit & 0x7F);
        return 2;
    }
    return 0;
}

bool IsPair(std::u16string_view units, std::size_t i)
{
    return units[i] >= 0xD800 && units[i] <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
           units[i + 1] <= 0xDFFF;
}

// The characters of units, each as its bytes or, when the code page does not
// express it, as an empty string standing for its units.
struct Character {
    std::string bytes;
    std::u16string units;
};

std::vector<Character> Characters(std::u16string_view units)
{
    std::vector<Character> characters;
    for (std::size_t i = 0; i < units.size();) {
        const std::size_t count = IsPair(units, i) ? 2 : 1;
        unsigned char bytes[RtfCharacters::kMaxBytes];
        const std::size_t length = EncodeMadeUp(nullptr, &units[i], count, bytes);
        characters.push_back({std::string(reinterpret_cast<const char*>(bytes), length),
                              std::u16string(units.substr(i, count))});
        i += count;
    }
    return characters;
}

std::string UnicodeEscapes(const std::u16string& units)
{
    std::string out;
    for (const char16_t unit : units) {
        out += "\\u" + std::to_string(static_cast<std::int16_t>(unit)) + "?";
    }
    return out;
}

std::string HexEscape(unsigned char byte)
{
    char escape[5];
    std::snprintf(escape, sizeof escape, "\\'%02x", byte);
    return escape;
}

std::string PlainFace(std::u16string_view units)
{
    std::string out;
    for (const Character& c : Characters(units)) {
        if (c.bytes.empty()) {
            out += UnicodeEscapes(c.units);
            continue;
        }
        for (const char byte : c.bytes) {
            out += IsLiteralInFace(static_cast<unsigned char>(byte)) ? std::string(1, byte)
                                                                     : HexEscape(static_cast<unsigned char>(byte));
        }
    }
    return out;
}

// Breaks pair within a character's bytes, and a break that is a character of
// its own with a next character that is its partner byte alone.
std::string PlainBody(std::u16string_view units)
{
    const std::vector<Character> characters = Characters(units);
    std::string out;
    for (std::size_t n = 0; n < characters.size(); ++n) {
        const std::string& bytes = characters[n].bytes;
        if (bytes.empty()) {
            out += UnicodeEscapes(characters[n].units);
            continue;
        }
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const char c = bytes[i];
            if (c == '\t') {
                out += "\\tab ";
            } else if (c == '\r' || c == '\n') {
                out += "\\par\r\n";
                const char partner = c == '\r' ? '\n' : '\r';
                if (i + 1 < bytes.size() && bytes[i + 1] == partner) {
                    ++i;
                } else if (bytes.size() == 1 && n + 1 < characters.size() &&
                           characters[n + 1].bytes == std::string(1, partner)) {
                    ++n;
                }
            } else {
                out += HexEscape(static_cast<unsigned char>(c));
            }
        }
    }
    return out;
}

std::u16string Units(const std::uint8_t* data, std::size_t size)
{
    std::u16string units;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const char16_t unit = static_cast<char16_t>(data[i] | data[i + 1] << 8);
        if (unit == 0) {
            break;
        }
        units += unit;
    }
    return units;
}

void CheckUnicode(const std::uint8_t* data, std::size_t size, unsigned codePage, int fontSize, bool noFace)
{
    const std::size_t faceLength = std::min<std::size_t>(data[9], size - 10);
    const std::u16string face = noFace ? std::u16string() : Units(data + 10, faceLength);
    const std::u16string text = Units(data + 10 + faceLength, size - 10 - faceLength);
    // One table for every run, its asked entries cleared after each: a fresh
    // table would cost more than the rendering.
    static std::vector<RtfCharacters::Entry> table(RtfCharacters::kTableBytes / sizeof(RtfCharacters::Entry));
    RtfCharacters characters(&EncodeMadeUp, nullptr, table.data());
    const RtfText faceText = RtfText::Unicode(face, characters);
    const RtfText bodyText = RtfText::Unicode(text, characters);
    const std::uint64_t length = RtfLength(bodyText, codePage, faceText, fontSize);
    char* out = static_cast<char*>(std::malloc(length + 1));
    RenderRtf(out, bodyText, codePage, faceText, fontSize);
    Require(out[length] == '\0', "zero byte at RtfLength");
    const std::string_view doc(out, length);
    for (const char c : doc) {
        Require(c != '\0' && static_cast<unsigned char>(c) < 0x80, "7-bit text without zero bytes");
    }
    Reader reader(doc);
    reader.Expect("{\\rtf1\\ansi{\\fonttbl{\\f1\\cpg" + std::to_string(codePage), "header with the code page");
    unsigned charSet = 0;
    if (CharSetOfCodePage(codePage, &charSet)) {
        reader.Expect("\\fcharset" + std::to_string(charSet), "character set of the code page");
    }
    const std::string expected = (face.empty() ? "" : " " + PlainFace(face)) + ";}}\r\n\\f1" +
                                 (fontSize != 0 ? "\\fs" + std::to_string(fontSize) : "") + " " + PlainBody(text) +
                                 "}\r\n";
    Require(reader.Rest() == expected, "Unicode face and body as the rules give them");
    std::free(out);
    for (const std::u16string* units : {&face, &text}) {
        for (const char16_t unit : *units) {
            table[unit] = {};
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    constexpr std::size_t kHeader = 10;
    if (size < kHeader) {
        return 0;
    }
    const bool noFace = (data[0] & 1) != 0;
    const bool noText = (data[0] & 2) != 0;
    const unsigned codePage = ReadLittleEndian(data + 1);
    const int fontSize = static_cast<int>(ReadLittleEndian(data + 5));
    if ((data[0] & 4) != 0) {
        CheckUnicode(data, size, codePage, fontSize, noFace);
        return 0;
    }
    const std::size_t faceLength = std::min<std::size_t>(data[9], size - kHeader);
    const auto* bytes = reinterpret_cast<const char*>(data + kHeader);
    const std::string faceStorage(bytes, faceLength);
    const std::string textStorage(bytes + faceLength, size - kHeader - faceLength);
    const char* face = noFace ? nullptr : faceStorage.c_str();
    const char* text = noText ? nullptr : textStorage.c_str();

    const std::uint64_t length = RtfLength(text, codePage, face, fontSize);
    // Counted fixed text, numbers and zero byte stay under 80 bytes.
    Require(length + 1 < 6 * std::strlen(text != nullptr ? text : "") + 4 * std::strlen(face != nullptr ? face : "") + 80,
            "length within the documented bound");
    // Exactly the announced size, so that a byte written past it is caught.
    char* out = static_cast<char*>(std::malloc(length + 1));
    RenderRtf(out, text, codePage, face, fontSize);
    Require(out[length] == '\0', "zero byte at RtfLength");
    CheckDocument(std::string_view(out, length), text, codePage, face, fontSize);
    std::free(out);
    return 0;
}
