#include "core/TextBlocks.h"

#include <climits>
#include <cstdint>
#include <cstring>

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
    const bool converted = ConvertInto(nCodePage, text, units, length);
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

int ConvertedLength(UINT nCodePage, std::string_view text)
{
    return MeasureConversion(nCodePage, text);
}

int ConvertedLength(UINT nCodePage, std::wstring_view text)
{
    return MeasureConversion(nCodePage, text);
}

bool ConvertInto(UINT nCodePage, std::string_view text, wchar_t* pOut, int nLength)
{
    return nLength == 0 || Convert(nCodePage, text, pOut, nLength) == nLength;
}

bool ConvertInto(UINT nCodePage, std::wstring_view text, char* pOut, int nLength)
{
    return nLength == 0 || Convert(nCodePage, text, pOut, nLength) == nLength;
}

ConvertedBlock ConvertToBlock(UINT nCodePage, std::string_view text)
{
    return ConvertTextToBlock(nCodePage, text);
}

ConvertedBlock ConvertToBlock(UINT nCodePage, std::wstring_view text)
{
    return ConvertTextToBlock(nCodePage, text);
}

bool FormatCopy::Read()
{
    HANDLE data = g_platform.GetClipboardData(m_nFormat);
    if (data == nullptr) {
        return true;
    }
    const SIZE_T size = g_platform.GlobalSize(data);
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
    return copy;
}
