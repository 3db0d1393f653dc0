// Renders arbitrary texts, face names, code pages and sizes into a buffer of
// exactly the announced length, then reads the document back: it must be
// 7-bit, well formed, and give back every input byte.
//
// Input: byte 0 flags (1: no face, 2: no text), bytes 1-4 the code page and
// 5-8 the size (little-endian), byte 9 the face length n, n face bytes, then
// the text. A zero byte ends the face or the text early, as it would in C.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

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
    const std::size_t faceLength = std::min<std::size_t>(data[9], size - kHeader);
    const auto* bytes = reinterpret_cast<const char*>(data + kHeader);
    const std::string faceStorage(bytes, faceLength);
    const std::string textStorage(bytes + faceLength, size - kHeader - faceLength);
    const char* face = noFace ? nullptr : faceStorage.c_str();
    const char* text = noText ? nullptr : textStorage.c_str();

    const std::size_t length = RtfLength(text, codePage, face, fontSize);
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
