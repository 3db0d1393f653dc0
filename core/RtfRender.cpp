#include "core/RtfRender.h"

#include "core/CharSet.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace {

// Every body byte but TAB, CR and LF becomes a 4-byte escape, so the body is
// written 16 bytes at a time by loops of fixed length, which the compiler
// turns into vector code. Left to itself it would rather unroll them into 16
// scalar steps: "unroll 1" keeps each a loop for the vectoriser.
constexpr std::size_t kBlock = 16;

using Escape = std::array<char, 4>;

constexpr unsigned char HexDigit(unsigned n) { return static_cast<unsigned char>(n < 10 ? '0' + n : 'a' - 10 + n); }

// "\'xx" for every byte value, lowercase.
constexpr std::array<Escape, 256> MakeHexEscapes()
{
    std::array<Escape, 256> table{};
    for (unsigned n = 0; n < table.size(); ++n)
        table[n] = Escape{'\\', '\'', static_cast<char>(HexDigit(n >> 4)), static_cast<char>(HexDigit(n & 0xF))};
    return table;
}

constexpr std::array<Escape, 256> kHexEscapes = MakeHexEscapes();

// isalnum of the "C" locale, whatever locale the process runs in.
constexpr bool IsAsciiAlnum(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsBreakOrTab(unsigned char c)
{
    return c == '\t' || c == '\r' || c == '\n';
}

// Whether any of the 16 bytes at p is a TAB, CR or LF.
bool HasBreakOrTab(const unsigned char* p)
{
    unsigned char found = 0;
#pragma GCC unroll 1
    for (std::size_t i = 0; i < kBlock; ++i)
        found |= (p[i] == '\t') | (p[i] == '\r') | (p[i] == '\n');
    return found != 0;
}

// The document is composed once for counting and once for writing, so the
// length can never disagree with what is written. The count is 64 bits wide:
// six bytes out for each byte in would wrap a 32-bit size.
class Counter {
public:
    void Put(std::string_view s) { m_nLength += s.size(); }
    void Put(char) { ++m_nLength; }
    void PutEscape(unsigned char) { m_nLength += sizeof(Escape); }
    void PutEscapedBlock(const unsigned char*) { m_nLength += kBlock * sizeof(Escape); }
    void PutPiece(const char*, std::size_t nLength) { m_nLength += nLength; }
    std::uint64_t Length() const { return m_nLength; }

private:
    std::uint64_t m_nLength = 0;
};

class Writer {
public:
    explicit Writer(char* pOut) : m_pOut(pOut) {}
    void Put(std::string_view s)
    {
        std::memcpy(m_pOut, s.data(), s.size());
        m_pOut += s.size();
    }
    void Put(char c) { *m_pOut++ = c; }
    void PutEscape(unsigned char c)
    {
        std::memcpy(m_pOut, kHexEscapes[c].data(), sizeof(Escape));
        m_pOut += sizeof(Escape);
    }
    // The escapes of 16 bytes, each made whole in a 32-bit word.
    void PutEscapedBlock(const unsigned char* p)
    {
        static_assert(std::endian::native == std::endian::little);
        constexpr std::uint32_t kMarks = '\\' | '\'' << 8;
#pragma GCC unroll 1
        for (std::size_t i = 0; i < kBlock; ++i) {
            const std::uint32_t escape =
                kMarks | std::uint32_t{HexDigit(p[i] >> 4)} << 16 | std::uint32_t{HexDigit(p[i] & 0xF)} << 24;
            std::memcpy(m_pOut + sizeof escape * i, &escape, sizeof escape);
        }
        m_pOut += kBlock * sizeof(Escape);
    }
    // A character's text, 4 to 16 bytes (a 4-byte escape for each of its
    // bytes, or "\uN?"), as two copies of a fixed size that meet or overlap
    // within it.
    void PutPiece(const char* pPiece, std::size_t nLength)
    {
        if (nLength <= 8) {
            PutEnds<4>(pPiece, nLength);
        } else {
            PutEnds<8>(pPiece, nLength);
        }
        m_pOut += nLength;
    }
    void Terminate() { *m_pOut = '\0'; }

private:
    template <std::size_t N>
    void PutEnds(const char* pPiece, std::size_t nLength)
    {
        std::memcpy(m_pOut, pPiece, N);
        std::memcpy(m_pOut + nLength - N, pPiece + nLength - N, N);
    }

    char* m_pOut;
};

template <class Sink, class Number>
void PutDecimal(Sink& sink, Number n)
{
    char digits[16];
    const auto result = std::to_chars(digits, digits + sizeof digits, n);
    sink.Put(std::string_view(digits, static_cast<std::size_t>(result.ptr - digits)));
}

template <class Sink>
void PutFaceName(Sink& sink, std::string_view bytes)
{
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsAsciiAlnum(byte) || byte == ' ')
            sink.Put(c);
        else
            sink.PutEscape(byte);
    }
}

// Writes the body byte at p, with the LF or CR that pairs with it; returns the
// next byte. Declared inline so that the compiler keeps it in the body's loops,
// with the sink's position in a register.
template <class Sink>
inline const unsigned char* PutBodyByte(Sink& sink, const unsigned char* p, const unsigned char* end)
{
    switch (*p) {
    case '\r':
    case '\n': {
        sink.Put(std::string_view("\\par\r\n"));
        const unsigned char partner = *p == '\r' ? '\n' : '\r';
        return p + 1 != end && p[1] == partner ? p + 2 : p + 1;
    }
    case '\t':
        sink.Put(std::string_view("\\tab "));
        return p + 1;
    default:
        sink.PutEscape(*p);
        return p + 1;
    }
}

template <class Sink>
void PutBody(Sink& out, const unsigned char* p, const unsigned char* end)
{
    // A local copy of the sink lets the compiler keep its position in a
    // register: stores through char* could otherwise alias it.
    Sink sink = out;
    while (p != end) {
        const std::size_t nLeft = static_cast<std::size_t>(end - p);
        if (nLeft >= kBlock && !HasBreakOrTab(p)) {
            sink.PutEscapedBlock(p);
            p += kBlock;
            continue;
        }
        // A block with a TAB or a line break, and the last few bytes, go one by one.
        for (const unsigned char* stop = p + std::min(nLeft, kBlock); p < stop;)
            p = PutBodyByte(sink, p, end);
    }
    out = sink;
}

// "\uN?": the UTF-16 unit as a signed number, then the character that
// readers without Unicode show instead.
template <class Sink>
void PutUnicodeEscape(Sink& sink, char16_t unit)
{
    sink.Put(std::string_view("\\u"));
    PutDecimal(sink, static_cast<std::int16_t>(unit));
    sink.Put('?');
}

bool IsHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Runs put(bytes, count) for the character at units[i] when the code page
// expresses it, else writes it as "\uN?" per unit; gives the index after it.
template <class Sink, class PutBytes>
std::size_t PutCharacter(Sink& sink, std::u16string_view units, std::size_t i, RtfCharacters& characters,
                         PutBytes put)
{
    if (IsHighSurrogate(units[i]) && i + 1 < units.size() && IsLowSurrogate(units[i + 1])) {
        unsigned char bytes[RtfCharacters::kMaxBytes];
        const std::size_t count = characters.EncodePair(&units[i], bytes);
        if (count != 0) {
            put(bytes, count);
        } else {
            PutUnicodeEscape(sink, units[i]);
            PutUnicodeEscape(sink, units[i + 1]);
        }
        return i + 2;
    }
    const RtfCharacters::Entry& entry = characters.Of(units[i]);
    if (entry.nBytes != 0) {
        put(entry.bytes, entry.nBytes);
    } else {
        PutUnicodeEscape(sink, units[i]);
    }
    return i + 1;
}

template <class Sink>
void PutFaceName(Sink& sink, std::u16string_view units, RtfCharacters& characters)
{
    for (std::size_t i = 0; i < units.size();) {
        i = PutCharacter(sink, units, i, characters, [&](const unsigned char* bytes, std::size_t count) {
            const std::string_view piece(reinterpret_cast<const char*>(bytes), count);
            PutFaceName(sink, piece);
        });
    }
}

template <class Sink>
void PutUnicodeBody(Sink& out, std::u16string_view units, RtfCharacters& characters)
{
    Sink sink = out;
    for (std::size_t i = 0; i < units.size();) {
        const RtfCharacters::Entry& entry = characters.Of(units[i]);
        if (entry.nWritten != 0) {
            sink.PutPiece(entry.text, entry.nWritten);
            ++i;
            continue;
        }
        const auto putBytes = [&](const unsigned char* bytes, std::size_t count) {
            for (const unsigned char* p = bytes; p != bytes + count;)
                p = PutBodyByte(sink, p, bytes + count);
        };
        const std::size_t next = PutCharacter(sink, units, i, characters, putBytes);
        // A line break that is a character of its own pairs with the next
        // character when that is its partner byte alone, as in the 8-bit text.
        const unsigned char last = entry.bytes[0];
        if (next == i + 1 && entry.nBytes == 1 && (last == '\r' || last == '\n') && next < units.size()) {
            const RtfCharacters::Entry& after = characters.Of(units[next]);
            const unsigned char partner = last == '\r' ? '\n' : '\r';
            i = after.nBytes == 1 && after.bytes[0] == partner ? next + 1 : next;
            continue;
        }
        i = next;
    }
    out = sink;
}

template <class Sink>
void PutFace(Sink& sink, const RtfText& face)
{
    if (face.pCharacters != nullptr) {
        PutFaceName(sink, face.units, *face.pCharacters);
    } else {
        PutFaceName(sink, std::string_view(face.pszBytes));
    }
}

bool IsEmpty(const RtfText& text)
{
    return text.pCharacters != nullptr ? text.units.empty() : text.pszBytes == nullptr || *text.pszBytes == '\0';
}

template <class Sink>
void Compose(Sink& sink, const RtfText& text, unsigned nCodePage, const RtfText& face, int nSize)
{
    sink.Put(std::string_view("{\\rtf1\\ansi{\\fonttbl{\\f1\\cpg"));
    PutDecimal(sink, nCodePage);
    unsigned nCharSet = 0;
    if (CharSetOfCodePage(nCodePage, &nCharSet)) {
        sink.Put(std::string_view("\\fcharset"));
        PutDecimal(sink, nCharSet);
    }
    if (!IsEmpty(face)) {
        sink.Put(' ');
        PutFace(sink, face);
    }
    sink.Put(std::string_view(";}}\r\n\\f1"));
    if (nSize != 0) {
        sink.Put(std::string_view("\\fs"));
        PutDecimal(sink, nSize);
    }
    sink.Put(' ');
    if (text.pCharacters != nullptr) {
        PutUnicodeBody(sink, text.units, *text.pCharacters);
    } else if (text.pszBytes != nullptr) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(text.pszBytes);
        PutBody(sink, bytes, bytes + std::strlen(text.pszBytes));
    }
    sink.Put(std::string_view("}\r\n"));
}

// The body's text for a character the code page writes as these bytes.
void FillText(RtfCharacters::Entry& entry)
{
    char* out = entry.text;
    for (std::size_t n = 0; n < entry.nBytes; ++n) {
        if (IsBreakOrTab(entry.bytes[n])) {
            entry.nWritten = 0;
            return;
        }
        std::memcpy(out, kHexEscapes[entry.bytes[n]].data(), sizeof(Escape));
        out += sizeof(Escape);
    }
    entry.nWritten = static_cast<std::uint8_t>(out - entry.text);
}

} // namespace

const RtfCharacters::Entry& RtfCharacters::Ask(char16_t unit)
{
    Entry& entry = m_pTable[unit];
    entry.bAsked = 1;
    entry.nBytes = static_cast<std::uint8_t>(m_pfnEncode(m_pContext, &unit, 1, entry.bytes));
    if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
        // Written one by one: half of a pair, or alone.
        entry.nWritten = 0;
    } else if (entry.nBytes != 0) {
        FillText(entry);
    } else {
        Counter counter;
        PutUnicodeEscape(counter, unit);
        Writer writer(entry.text);
        PutUnicodeEscape(writer, unit);
        entry.nWritten = static_cast<std::uint8_t>(counter.Length());
    }
    return entry;
}

std::uint64_t RtfLength(const RtfText& text, unsigned nCodePage, const RtfText& face, int nSize)
{
    Counter counter;
    Compose(counter, text, nCodePage, face, nSize);
    return counter.Length();
}

std::uint64_t RtfLength(const char* pszText, unsigned nCodePage, const char* pszFaceName, int nSize)
{
    return RtfLength(RtfText::Bytes(pszText), nCodePage, RtfText::Bytes(pszFaceName), nSize);
}

void RenderRtf(char* pszOut, const RtfText& text, unsigned nCodePage, const RtfText& face, int nSize)
{
    Writer writer(pszOut);
    Compose(writer, text, nCodePage, face, nSize);
    writer.Terminate();
}

void RenderRtf(char* pszOut, const char* pszText, unsigned nCodePage, const char* pszFaceName, int nSize)
{
    RenderRtf(pszOut, RtfText::Bytes(pszText), nCodePage, RtfText::Bytes(pszFaceName), nSize);
}
