// The Rich Text Format copy of a pass's 8-bit text. Free of Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// What a code page makes of single characters, asked once for each UTF-16
// unit and kept in a table of the caller's.
class RtfCharacters {
public:
    static constexpr std::size_t kMaxBytes = 4;
    // The code page's bytes for one character (one UTF-16 unit or a
    // surrogate pair) when it expresses it exactly; 0 when it does not.
    using Encode = std::size_t (*)(void* pContext, const char16_t* pUnits, std::size_t nUnits, unsigned char* pBytes);

    struct Entry {
        std::uint8_t bAsked;
        std::uint8_t nBytes;   // 0: the code page does not express it
        std::uint8_t nWritten; // length of text; 0 when a TAB or a line break is among the bytes
        unsigned char bytes[kMaxBytes];
        char text[16]; // the body's text for it: escapes of its bytes, or "\uN?"
    };
    static constexpr std::size_t kTableBytes = sizeof(Entry) << 16;

    // pTable: kTableBytes of zero-filled memory that outlives this object.
    RtfCharacters(Encode pfnEncode, void* pContext, void* pTable)
        : m_pfnEncode(pfnEncode), m_pContext(pContext), m_pTable(static_cast<Entry*>(pTable))
    {
    }

    const Entry& Of(char16_t unit)
    {
        const Entry& entry = m_pTable[unit];
        return entry.bAsked ? entry : Ask(unit);
    }
    // A surrogate pair, asked each time: such characters are rare.
    std::size_t EncodePair(const char16_t* pUnits, unsigned char* pBytes) const
    {
        return m_pfnEncode(m_pContext, pUnits, 2, pBytes);
    }

private:
    const Entry& Ask(char16_t unit);

    Encode m_pfnEncode;
    void* m_pContext;
    Entry* m_pTable;
};

// A text of the document: 8-bit bytes of the document's code page, written
// byte by byte; or Unicode text, whose characters go in as the code page's
// bytes where it expresses them exactly and as "\uN?" where it does not.
struct RtfText {
    const char* pszBytes = nullptr; // zero-terminated; null is empty
    std::u16string_view units;
    RtfCharacters* pCharacters = nullptr; // set for Unicode text

    static RtfText Bytes(const char* psz) { return {psz, {}, nullptr}; }
    static RtfText Unicode(std::u16string_view units, RtfCharacters& characters)
    {
        return {nullptr, units, &characters};
    }
};

// Length in bytes, zero byte excluded, of what RenderRtf writes for these
// inputs. Counted in 64 bits: on a 32-bit system it may exceed what memory holds.
std::uint64_t RtfLength(const RtfText& text, unsigned nCodePage, const RtfText& face, int nSize);
std::uint64_t RtfLength(const char* pszText, unsigned nCodePage, const char* pszFaceName, int nSize);

// Writes the document and its zero byte to pszOut, which must hold at least
// RtfLength(...) + 1 bytes. nSize is in half-points; 0 writes no size. A null
// or empty face name writes no face.
void RenderRtf(char* pszOut, const RtfText& text, unsigned nCodePage, const RtfText& face, int nSize);
void RenderRtf(char* pszOut, const char* pszText, unsigned nCodePage, const char* pszFaceName, int nSize);
