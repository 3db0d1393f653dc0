#include "core/RtfCopy.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>

#include "core/Platform.h"
#include "core/RtfRender.h"
#include "core/TextBlocks.h"

namespace {

// The header every RTF copy begins with.
constexpr char kRtfCopyStart[] = "{\\rtf1\\ansi{\\fonttbl{\\f1\\cpg";

// Face names are code page 932 bytes, in the settings and on the command line.
constexpr UINT kFaceCodePage = 932;

// The face name as Unicode text when the document's code page is not the
// face's own, whose bytes a reader would take for characters of the
// document's code page; empty when it is, or when the bytes do not decode.
std::u16string FaceUnits(const char* pszFaceName, UINT nCodePage)
{
    if (nCodePage == kFaceCodePage || pszFaceName == nullptr || *pszFaceName == '\0') {
        return {};
    }
    const int length = static_cast<int>(std::min<std::size_t>(std::strlen(pszFaceName), INT_MAX));
    const int count =
        g_platform.MultiByteToWideChar(kFaceCodePage, MB_ERR_INVALID_CHARS, pszFaceName, length, nullptr, 0);
    std::u16string units(static_cast<std::size_t>(std::max(count, 0)), u'\0');
    if (count <= 0 || g_platform.MultiByteToWideChar(kFaceCodePage, MB_ERR_INVALID_CHARS, pszFaceName, length,
                                                     reinterpret_cast<wchar_t*>(units.data()), count) != count) {
        return {};
    }
    return units;
}

// RTF sizes count half-points; a size beyond int's range is held at its edge.
int HalfPoints(int nPointSize)
{
    return static_cast<int>(std::clamp<long long>(2LL * nPointSize, INT_MIN, INT_MAX));
}

// The document rendered straight into a clipboard block that a counting pass
// sized exactly: a working copy would double the largest block of the pass
// (six bytes per byte of a text of line breaks). Null when the block cannot
// be allocated or locked, or its size cannot even be expressed.
HGLOBAL RenderBlock(const RtfText& text, UINT nCodePage, const RtfText& face, int nHalfPoints)
{
    const std::uint64_t length = RtfLength(text, nCodePage, face, nHalfPoints);
    if (length >= SIZE_MAX) {
        return nullptr;
    }
    HGLOBAL block = g_platform.GlobalAlloc(kClipboardBlockFlags, static_cast<SIZE_T>(length) + 1);
    if (block == nullptr) {
        return nullptr;
    }
    auto* out = static_cast<char*>(g_platform.GlobalLock(block));
    if (out == nullptr) {
        FreeBlock(block);
        return nullptr;
    }
    RenderRtf(out, text, nCodePage, face, nHalfPoints);
    g_platform.GlobalUnlock(block);
    return block;
}

// bytes as a zero-terminated string: themselves when a zero byte ends them
// within nSize, else a private terminated copy left in hCopy for the caller
// to free. Null when that copy cannot be made.
const char* TerminatedText(const char* bytes, SIZE_T nSize, HGLOBAL& hCopy)
{
    if (std::memchr(bytes, 0, nSize) != nullptr) {
        return bytes;
    }
    hCopy = g_platform.GlobalAlloc(kPrivateBlockFlags, nSize + 1);
    if (hCopy != nullptr) {
        std::memcpy(hCopy, bytes, nSize);
    }
    return static_cast<const char*>(hCopy);
}

// The copy of the 8-bit text itself, byte by byte.
HGLOBAL RenderBytes(HGLOBAL hText, UINT nCodePage, const RtfText& face, int nHalfPoints)
{
    const auto* bytes = static_cast<const char*>(g_platform.GlobalLock(hText));
    if (bytes == nullptr) {
        return nullptr;
    }
    // A text copied across unchanged need not end in a zero byte.
    HGLOBAL terminatedCopy = nullptr;
    const char* text = TerminatedText(bytes, g_platform.GlobalSize(hText), terminatedCopy);
    HGLOBAL rtf = text != nullptr ? RenderBlock(RtfText::Bytes(text), nCodePage, face, nHalfPoints) : nullptr;
    FreeBlock(terminatedCopy);
    g_platform.GlobalUnlock(hText);
    return rtf;
}

} // namespace

// The code page's bytes for a character only when they decode back to it:
// the platform's conversion also gives best-fit bytes (é becomes e in code
// page 932) and the default character, both of which would lose it. UTF-7
// needs more than four bytes for any character outside ASCII; such a
// character goes in as "\uN?", which readers take whatever the code page.
std::size_t EncodeExactly(void* pCodePage, const char16_t* pUnits, std::size_t nUnits, unsigned char* pBytes)
{
    const UINT codePage = *static_cast<const UINT*>(pCodePage);
    const auto* units = reinterpret_cast<const wchar_t*>(pUnits);
    auto* bytes = reinterpret_cast<char*>(pBytes);
    const int length = g_platform.WideCharToMultiByte(codePage, 0, units, static_cast<int>(nUnits), bytes,
                                                      RtfCharacters::kMaxBytes, nullptr, nullptr);
    if (length <= 0) {
        return 0;
    }
    wchar_t decoded[2];
    const int count = g_platform.MultiByteToWideChar(codePage, 0, bytes, length, decoded, 2);
    return count == static_cast<int>(nUnits) && std::equal(units, units + nUnits, decoded)
               ? static_cast<std::size_t>(length)
               : 0;
}

HGLOBAL MakeRtfCopy(HGLOBAL hText, std::optional<std::wstring_view> source, UINT nCodePage, const char* pszFaceName,
                    int nPointSize)
{
    const int halfPoints = HalfPoints(nPointSize);
    const std::u16string faceUnits = FaceUnits(pszFaceName, nCodePage);
    if (!source && faceUnits.empty()) {
        return RenderBytes(hText, nCodePage, RtfText::Bytes(pszFaceName), halfPoints);
    }
    HGLOBAL table = g_platform.GlobalAlloc(kPrivateBlockFlags, RtfCharacters::kTableBytes);
    if (table == nullptr) {
        return nullptr;
    }
    RtfCharacters characters(&EncodeExactly, &nCodePage, table);
    const RtfText face = faceUnits.empty() ? RtfText::Bytes(pszFaceName) : RtfText::Unicode(faceUnits, characters);
    HGLOBAL rtf = nullptr;
    if (source) {
        const std::u16string_view units(reinterpret_cast<const char16_t*>(source->data()), source->size());
        rtf = RenderBlock(RtfText::Unicode(units, characters), nCodePage, face, halfPoints);
    } else {
        rtf = RenderBytes(hText, nCodePage, face, halfPoints);
    }
    FreeBlock(table);
    return rtf;
}

bool IsRtfCopy(HANDLE hRtf)
{
    constexpr std::string_view start = kRtfCopyStart;
    if (g_platform.GlobalSize(hRtf) < start.size()) {
        return false;
    }
    const void* bytes = g_platform.GlobalLock(hRtf);
    if (bytes == nullptr) {
        return false;
    }
    const bool ours = std::memcmp(bytes, start.data(), start.size()) == 0;
    g_platform.GlobalUnlock(hRtf);
    return ours;
}
