#include "core/RtfRender.h"

#include "core/CharSet.h"

#include <array>
#include <charconv>
#include <cstring>
#include <string_view>

namespace {

using Escape = std::array<char, 4>;

// "\'xx" for every byte value, lowercase, so the body costs one 4-byte copy per byte.
constexpr std::array<Escape, 256> MakeHexEscapes()
{
    constexpr char kDigits[] = "0123456789abcdef";
    std::array<Escape, 256> table{};
    for (unsigned n = 0; n < table.size(); ++n)
        table[n] = Escape{'\\', '\'', kDigits[n >> 4], kDigits[n & 0xF]};
    return table;
}

constexpr std::array<Escape, 256> kHexEscapes = MakeHexEscapes();

// isalnum of the "C" locale, whatever locale the process runs in.
constexpr bool IsAsciiAlnum(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The document is composed once for counting and once for writing, so the
// length can never disagree with what is written.
class Counter {
public:
    void Put(std::string_view s) { m_nLength += s.size(); }
    void Put(const Escape& e) { m_nLength += e.size(); }
    void Put(char) { ++m_nLength; }
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
    void Put(const Escape& e)
    {
        std::memcpy(m_pOut, e.data(), e.size());
        m_pOut += e.size();
    }
    void Put(char c) { *m_pOut++ = c; }
    void Terminate() { *m_pOut = '\0'; }

private:
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
            sink.Put(kHexEscapes[*p]);
    }
}

template <class Sink>
void PutBody(Sink& out, const unsigned char* p)
{
    // A local copy of the sink lets the compiler keep its position in a
    // register: stores through char* could otherwise alias it.
    Sink sink = out;
    for (; *p; ++p) {
        switch (*p) {
        case '\r':
        case '\n': {
            sink.Put(std::string_view("\\par\r\n"));
            // CR LF and LF CR are one line break; the zero byte ends any pairing.
            const unsigned char partner = *p == '\r' ? '\n' : '\r';
            if (p[1] == partner)
                ++p;
            break;
        }
        case '\t':
            sink.Put(std::string_view("\\tab "));
            break;
        default:
            sink.Put(kHexEscapes[*p]);
            break;
        }
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
    if (pszText)
        PutBody(sink, reinterpret_cast<const unsigned char*>(pszText));
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
