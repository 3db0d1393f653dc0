#include "core/TextBlocks.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

#include "core/CopyReader.h"
#include "core/Platform.h"

namespace {

// The conversion calls take lengths as int.
constexpr SIZE_T kMaxConvertibleUnits = INT_MAX;

int Convert(UINT nCodePage, std::string_view text, wchar_t* pOut, int nCapacity)
{
    return g_platform.MultiByteToWideChar(nCodePage, 0, text.data(), static_cast<int>(text.size()), pOut,
                                          nCapacity);
}

int Convert(UINT nCodePage, std::wstring_view text, char* pOut, int nCapacity)
{
    return g_platform.WideCharToMultiByte(nCodePage, 0, text.data(), static_cast<int>(text.size()), pOut,
                                          nCapacity, nullptr, nullptr);
}

// Units the conversion of text gives; -1 when the platform cannot convert it
// or it is longer than one conversion call takes.
template <typename From>
int MeasureConversion(UINT nCodePage, std::basic_string_view<From> text)
{
    if (text.empty()) {
        return 0;
    }
    if (text.size() > kMaxConvertibleUnits) {
        return -1;
    }
    const int length = Convert(nCodePage, text, static_cast<ConvertedChar<From>*>(nullptr), 0);
    return length > 0 ? length : -1;
}

template <typename From>
ConvertedBlock ConvertTextToBlock(UINT nCodePage, std::basic_string_view<From> text)
{
    using To = ConvertedChar<From>;
    const int length = MeasureConversion(nCodePage, text);
    // The second test only matters where SIZE_T is 32 bits wide.
    if (length < 0 || static_cast<SIZE_T>(length) >= SIZE_MAX / sizeof(To)) {
        return {};
    }
    HGLOBAL block = g_platform.GlobalAlloc(kClipboardBlockFlags, (static_cast<SIZE_T>(length) + 1) * sizeof(To));
    if (block == nullptr) {
        return {};
    }
    auto* units = static_cast<To*>(g_platform.GlobalLock(block));
    if (units == nullptr) {
        g_platform.GlobalFree(block);
        return {};
    }
    const bool converted = length == 0 || Convert(nCodePage, text, units, length) == length;
    units[length] = To{};
    g_platform.GlobalUnlock(block);
    if (!converted) {
        g_platform.GlobalFree(block);
        return {};
    }
    return {block, length};
}

// The largest clipboard block of a format that one conversion call can take.
SIZE_T MaxConvertibleSize(UINT nFormat)
{
    return kMaxConvertibleUnits * (nFormat == CF_UNICODETEXT ? sizeof(wchar_t) : 1);
}

// Pieces of a text compared by ConvertsTo, in units of the source.
constexpr std::size_t kPieceUnits = 16384;

// Where the piece of source from nStart ends. An 8-bit piece ends after a
// byte below 0x30 (a control character, the space or ASCII punctuation),
// which no character of a code page without shift states continues past; if
// none comes within kPieceUnits, it ends after the next one or with the text.
std::size_t PieceEnd(std::string_view source, std::size_t nStart)
{
    const auto breaksAfter = [&](std::size_t i) { return static_cast<unsigned char>(source[i]) < 0x30; };
    const std::size_t limit = std::min(source.size(), nStart + kPieceUnits);
    if (limit == source.size()) {
        return limit;
    }
    for (std::size_t end = limit; end > nStart; --end) {
        if (breaksAfter(end - 1)) {
            return end;
        }
    }
    for (std::size_t end = limit; end < source.size(); ++end) {
        if (breaksAfter(end)) {
            return end + 1;
        }
    }
    return source.size();
}

// A UTF-16 piece keeps a surrogate pair whole.
std::size_t PieceEnd(std::wstring_view source, std::size_t nStart)
{
    std::size_t end = std::min(source.size(), nStart + kPieceUnits);
    if (end < source.size() && IS_HIGH_SURROGATE(source[end - 1])) {
        ++end;
    }
    return end;
}

// At most this many units come out of one unit of source: one UTF-16 unit
// per byte, four bytes per UTF-16 unit (GB 18030).
template <typename From>
constexpr std::size_t kMostConvertedPerUnit = std::is_same_v<From, char> ? 1 : 4;

// A private scratch block that grows on demand.
template <typename T>
class Scratch {
public:
    Scratch() = default;
    ~Scratch() { FreeBlock(m_hBlock); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    T* Reserve(std::size_t nCount)
    {
        if (nCount > m_nCapacity) {
            FreeBlock(m_hBlock);
            m_hBlock = g_platform.GlobalAlloc(kPrivateBlockFlags, nCount * sizeof(T));
            m_nCapacity = m_hBlock != nullptr ? nCount : 0;
        }
        return static_cast<T*>(m_hBlock);
    }

private:
    HGLOBAL m_hBlock = nullptr;
    std::size_t m_nCapacity = 0;
};

template <typename From>
bool ConvertsPiecewiseTo(UINT nCodePage, std::basic_string_view<From> source,
                         std::basic_string_view<ConvertedChar<From>> expected)
{
    using To = ConvertedChar<From>;
    Scratch<To> buffer;
    std::size_t matched = 0;
    for (std::size_t start = 0; start < source.size();) {
        const std::size_t end = PieceEnd(source, start);
        const std::basic_string_view<From> piece = source.substr(start, end - start);
        const std::size_t capacity = piece.size() * kMostConvertedPerUnit<From>;
        To* units = capacity <= kMaxConvertibleUnits ? buffer.Reserve(capacity) : nullptr;
        if (units == nullptr) {
            return false;
        }
        const int length = Convert(nCodePage, piece, units, static_cast<int>(capacity));
        if (length <= 0 || expected.substr(matched, static_cast<std::size_t>(length)) !=
                               std::basic_string_view<To>(units, static_cast<std::size_t>(length))) {
            return false;
        }
        matched += static_cast<std::size_t>(length);
        start = end;
    }
    return matched == expected.size();
}

} // namespace

void FreeBlock(HGLOBAL hBlock)
{
    if (hBlock != nullptr) {
        g_platform.GlobalFree(hBlock);
    }
}

HGLOBAL NewClipboardBlock(const void* pData, SIZE_T nSize)
{
    HGLOBAL block = g_platform.GlobalAlloc(kClipboardBlockFlags, nSize);
    if (block == nullptr || nSize == 0) {
        return block;
    }
    void* bytes = g_platform.GlobalLock(block);
    if (bytes == nullptr) {
        g_platform.GlobalFree(block);
        return nullptr;
    }
    std::memcpy(bytes, pData, nSize);
    g_platform.GlobalUnlock(block);
    return block;
}

HGLOBAL DuplicateBlock(HGLOBAL hSource)
{
    const SIZE_T size = g_platform.GlobalSize(hSource);
    if (size == 0) {
        return NewClipboardBlock(nullptr, 0);
    }
    const void* bytes = g_platform.GlobalLock(hSource);
    if (bytes == nullptr) {
        return nullptr;
    }
    HGLOBAL copy = NewClipboardBlock(bytes, size);
    g_platform.GlobalUnlock(hSource);
    return copy;
}

ConvertedBlock ConvertToBlock(UINT nCodePage, std::string_view text)
{
    return ConvertTextToBlock(nCodePage, text);
}

ConvertedBlock ConvertToBlock(UINT nCodePage, std::wstring_view text)
{
    return ConvertTextToBlock(nCodePage, text);
}

bool ConvertsTo(UINT nCodePage, std::string_view source, std::wstring_view expected)
{
    return ConvertsPiecewiseTo(nCodePage, source, expected);
}

bool ConvertsTo(UINT nCodePage, std::wstring_view source, std::string_view expected)
{
    return ConvertsPiecewiseTo(nCodePage, source, expected);
}

bool AreSameAscii(std::string_view text, std::wstring_view unicode)
{
    if (text.size() != unicode.size()) {
        return false;
    }
    // Piece by piece, each a plain loop the compiler vectorises: a byte
    // outside ASCII or a unit unlike it leaves a bit set.
    constexpr std::size_t kPiece = 4096;
    for (std::size_t start = 0; start < text.size(); start += kPiece) {
        const std::size_t end = std::min(text.size(), start + kPiece);
        unsigned differ = 0;
        for (std::size_t i = start; i < end; ++i) {
            const auto byte = static_cast<unsigned char>(text[i]);
            differ |= (byte & 0x80U) | (static_cast<unsigned>(unicode[i]) ^ byte);
        }
        if (differ != 0) {
            return false;
        }
    }
    return true;
}

bool IsAsciiBased(UINT nCodePage)
{
    char bytes[0x7F];
    wchar_t units[0x7F];
    for (int i = 0; i < 0x7F; ++i) {
        bytes[i] = static_cast<char>(i + 1);
        units[i] = static_cast<wchar_t>(i + 1);
    }
    const std::string_view text(bytes, sizeof bytes);
    const std::wstring_view unicode(units, sizeof units / sizeof units[0]);
    return ConvertsTo(nCodePage, text, unicode) && ConvertsTo(nCodePage, unicode, text);
}

bool FormatCopy::Read(CopyReader& reader)
{
    HANDLE data = reader.Ask(m_nFormat);
    if (data == nullptr) {
        return true;
    }
    const SIZE_T size = g_platform.GlobalSize(data);
    if (m_nFormat == CF_UNICODETEXT) {
        reader.NoteTextLength(size / sizeof(wchar_t));
    }
    if (size > MaxConvertibleSize(m_nFormat)) {
        m_bTooLong = true;
        return true;
    }
    m_hCopy = g_platform.GlobalAlloc(kPrivateBlockFlags, size + 1);
    if (m_hCopy == nullptr) {
        return false;
    }
    m_nSize = size;
    if (size == 0) {
        return true;
    }
    const void* bytes = g_platform.GlobalLock(data);
    if (bytes == nullptr) {
        Drop();
        return false;
    }
    std::memcpy(m_hCopy, bytes, size);
    g_platform.GlobalUnlock(data);
    m_nTextLength = m_nFormat == CF_UNICODETEXT ? UnitsBeforeZero<wchar_t>() : UnitsBeforeZero<char>();
    return true;
}

void FormatCopy::Drop()
{
    FreeBlock(Release());
    m_bTooLong = false;
}

HGLOBAL FormatCopy::Release()
{
    HGLOBAL copy = m_hCopy;
    m_hCopy = nullptr;
    m_nSize = 0;
    m_nTextLength = 0;
    return copy;
}
