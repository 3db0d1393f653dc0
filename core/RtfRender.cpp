#include "core/RtfRender.h"

#include "core/CharSet.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace {

// Every body byte but TAB, CR and LF becomes a 4-byte escape, so the body is
// written 16 bytes at a time with vector operations (GCC and Clang vector
// extensions; portable code where the target has no vector unit). Blocks are
// passed by reference only, so no calling convention depends on a vector unit.
constexpr std::size_t kBlock = 16;
using Block = unsigned char __attribute__((vector_size(kBlock)));

using Escape = std::array<char, 4>;

constexpr char HexDigit(unsigned n) { return static_cast<char>(n < 10 ? '0' + n : 'a' - 10 + n); }

// "\'xx" for every byte value, lowercase.
constexpr std::array<Escape, 256> MakeHexEscapes()
{
    std::array<Escape, 256> table{};
    for (unsigned n = 0; n < table.size(); ++n)
        table[n] = Escape{'\\', '\'', HexDigit(n >> 4), HexDigit(n & 0xF)};
    return table;
}

constexpr std::array<Escape, 256> kHexEscapes = MakeHexEscapes();

// isalnum of the "C" locale, whatever locale the process runs in.
constexpr bool IsAsciiAlnum(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Whether any of the 16 bytes at p is a TAB, CR or LF.
bool HasBreakOrTab(const unsigned char* p)
{
    Block x;
    std::memcpy(&x, p, kBlock);
    const auto special = (x == '\t') | (x == '\n') | (x == '\r');
    std::uint64_t halves[2];
    std::memcpy(halves, &special, sizeof halves);
    return (halves[0] | halves[1]) != 0;
}

// The document is composed once for counting and once for writing, so the
// length can never disagree with what is written.
class Counter {
public:
    void Put(std::string_view s) { m_nLength += s.size(); }
    void Put(char) { ++m_nLength; }
    void PutEscape(unsigned char) { m_nLength += sizeof(Escape); }
    void PutEscapedBlock(const unsigned char*) { m_nLength += kBlock * sizeof(Escape); }
    std::size_t Length() const { return m_nLength; }

private:
    std::size_t m_nLength = 0;
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
    // The hex digits of 16 bytes, interleaved with the "\'" that leads each pair.
    void PutEscapedBlock(const unsigned char* p)
    {
        Block high;
        std::memcpy(&high, p, kBlock);
        Block low = high & 0xF;
        high >>= 4;
        ToHexDigits(high);
        ToHexDigits(low);
        const Block first = __builtin_shufflevector(high, low, 0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23);
        const Block second = __builtin_shufflevector(high, low, 8, 24, 9, 25, 10, 26, 11, 27, 12, 28, 13, 29, 14, 30, 15, 31);
        PutWithMarks(first);
        PutWithMarks(second);
    }
    void Terminate() { *m_pOut = '\0'; }

private:
    static void ToHexDigits(Block& nibbles)
    {
        const Block letter = nibbles > 9;
        nibbles += '0' + (letter & ('a' - '0' - 10));
    }
    // Eight digit pairs become eight "\'xx" escapes.
    void PutWithMarks(const Block& pairs)
    {
        const Block marks = {'\\', '\'', '\\', '\'', '\\', '\'', '\\', '\'', '\\', '\'', '\\', '\'', '\\', '\'', '\\', '\''};
        const Block first = __builtin_shufflevector(marks, pairs, 0, 1, 16, 17, 2, 3, 18, 19, 4, 5, 20, 21, 6, 7, 22, 23);
        const Block second = __builtin_shufflevector(marks, pairs, 8, 9, 24, 25, 10, 11, 26, 27, 12, 13, 28, 29, 14, 15, 30, 31);
        std::memcpy(m_pOut, &first, kBlock);
        std::memcpy(m_pOut + kBlock, &second, kBlock);
        m_pOut += 2 * kBlock;
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
void PutFaceName(Sink& sink, const unsigned char* p)
{
    for (; *p; ++p) {
        if (IsAsciiAlnum(*p) || *p == ' ')
            sink.Put(static_cast<char>(*p));
        else
            sink.PutEscape(*p);
    }
}

// Writes the body byte at p, with the LF or CR that pairs with it; returns the next byte.
template <class Sink>
const unsigned char* PutBodyByte(Sink& sink, const unsigned char* p, const unsigned char* end)
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

template <class Sink>
void Compose(Sink& sink, const char* pszText, unsigned nCodePage, const char* pszFaceName, int nSize)
{
    sink.Put(std::string_view("{\\rtf1\\ansi{\\fonttbl{\\f1\\cpg"));
    PutDecimal(sink, nCodePage);
    unsigned nCharSet = 0;
    if (CharSetOfCodePage(nCodePage, &nCharSet)) {
        sink.Put(std::string_view("\\fcharset"));
        PutDecimal(sink, nCharSet);
    }
    if (pszFaceName && *pszFaceName) {
        sink.Put(' ');
        PutFaceName(sink, reinterpret_cast<const unsigned char*>(pszFaceName));
    }
    sink.Put(std::string_view(";}}\r\n\\f1"));
    if (nSize != 0) {
        sink.Put(std::string_view("\\fs"));
        PutDecimal(sink, nSize);
    }
    sink.Put(' ');
    if (pszText) {
        const auto* text = reinterpret_cast<const unsigned char*>(pszText);
        PutBody(sink, text, text + std::strlen(pszText));
    }
    sink.Put(std::string_view("}\r\n"));
}

} // namespace

std::size_t RtfLength(const char* pszText, unsigned nCodePage, const char* pszFaceName, int nSize)
{
    Counter counter;
    Compose(counter, pszText, nCodePage, pszFaceName, nSize);
    return counter.Length();
}

void RenderRtf(char* pszOut, const char* pszText, unsigned nCodePage, const char* pszFaceName, int nSize)
{
    Writer writer(pszOut);
    Compose(writer, pszText, nCodePage, pszFaceName, nSize);
    writer.Terminate();
}
