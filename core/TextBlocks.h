// Global memory blocks of a conversion pass: private copies of the
// clipboard's text formats, and texts converted through a code page into
// blocks ready for the clipboard. Every platform call goes through g_platform.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string_view>
#include <type_traits>

// Blocks handed to the clipboard.
constexpr UINT kClipboardBlockFlags = GMEM_MOVEABLE | GMEM_DDESHARE;
// Private scratch blocks; fixed, so the handle is the address.
constexpr UINT kPrivateBlockFlags = GMEM_FIXED | GMEM_ZEROINIT;

void FreeBlock(HGLOBAL hBlock);

// A clipboard block holding exactly nSize bytes copied from pData, or null.
HGLOBAL NewClipboardBlock(const void* pData, SIZE_T nSize);

// A clipboard block holding a byte-for-byte copy of hSource, or null.
HGLOBAL DuplicateBlock(HGLOBAL hSource);

// The unit the other text format is made of: CF_TEXT bytes become UTF-16
// units and back.
template <typename From>
using ConvertedChar = std::conditional_t<std::is_same_v<From, char>, wchar_t, char>;

struct ConvertedBlock {
    HGLOBAL hBlock = nullptr; // zero-terminated; null when nothing could be made
    int nLength = 0;          // units before the terminator
};

// text converted through nCodePage into a zero-terminated clipboard block.
// An empty text gives a block holding only the terminator.
ConvertedBlock ConvertToBlock(UINT nCodePage, std::string_view text);
ConvertedBlock ConvertToBlock(UINT nCodePage, std::wstring_view text);

// Whether converting source through nCodePage gives exactly expected. Made
// piece by piece in a small buffer and stopped at the first difference, so
// it holds for code pages without shift states, as every ANSI code page is.
bool ConvertsTo(UINT nCodePage, std::string_view source, std::wstring_view expected);
bool ConvertsTo(UINT nCodePage, std::wstring_view source, std::string_view expected);

// Whether the 8-bit text holds only ASCII and the Unicode text the same
// characters.
bool AreSameAscii(std::string_view text, std::wstring_view unicode);

// Whether the code page gives ASCII text the same bytes, both ways.
bool IsAsciiBased(UINT nCodePage);

class CopyReader;

// A private, zero-terminated copy of one text format of the clipboard.
class FormatCopy {
public:
    explicit FormatCopy(UINT nFormat) : m_nFormat(nFormat) {}
    ~FormatCopy() { FreeBlock(m_hCopy); }
    FormatCopy(const FormatCopy&) = delete;
    FormatCopy& operator=(const FormatCopy&) = delete;

    // Copies the format from the open clipboard, asked for through the
    // reader. A block with more units than one conversion call takes is
    // noted but not copied. False when the format's data was given but
    // cannot be copied.
    bool Read(CopyReader& reader);

    UINT Format() const { return m_nFormat; }
    bool IsOffered() const { return m_hCopy != nullptr || m_bTooLong; }
    bool IsCopied() const { return m_hCopy != nullptr; }
    // Treats the format as absent from now on.
    void Drop();
    // The copy (GlobalSize of the clipboard block plus a zero byte), now the
    // caller's to free.
    HGLOBAL Release();
    // The private copy itself, still this object's; null when there is none.
    HGLOBAL Block() const { return m_hCopy; }
    // A clipboard block with the copied data byte for byte, or null.
    HGLOBAL Duplicate() const { return NewClipboardBlock(m_hCopy, m_nSize); }

    // The text up to its first zero unit, never past the copied data. Char
    // is the format's unit: wchar_t for CF_UNICODETEXT, char otherwise.
    template <typename Char>
    std::basic_string_view<Char> Text() const
    {
        return {static_cast<const Char*>(m_hCopy), m_nTextLength};
    }

private:
    template <typename Char>
    SIZE_T UnitsBeforeZero() const
    {
        const std::basic_string_view<Char> data(static_cast<const Char*>(m_hCopy), m_nSize / sizeof(Char));
        return std::min(data.find(Char{}), data.size());
    }

    UINT m_nFormat;
    HGLOBAL m_hCopy = nullptr;
    SIZE_T m_nSize = 0;       // the clipboard block's size
    SIZE_T m_nTextLength = 0; // measured once: the texts are long and read several times
    bool m_bTooLong = false;
};
