#include "core/ConversionPass.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <optional>

#include "core/ClipboardSession.h"
#include "core/Platform.h"
#include "core/RtfRender.h"
#include "core/TextBlocks.h"

namespace {

// "PELIS" and its zero byte: 6 bytes.
constexpr char kMarkerPayload[] = "PELIS";
constexpr char kRtfFormatName[] = "Rich Text Format";

// Reading ---------------------------------------------------------------

// Reads one format in an opening of its own; false when the clipboard could
// not be opened or the format's data could not be read.
bool ReadOneFormat(FormatCopy& copy)
{
    ClipboardSession clipboard;
    return clipboard.IsOpen() && copy.Read();
}

// The first of CF_TEXT and CF_UNICODETEXT in the open clipboard's order, or 0.
// The formats a program placed come before those the platform synthesises
// from them, so this is the text format the program placed.
UINT FirstPlacedTextFormat()
{
    for (UINT format = g_platform.EnumClipboardFormats(0); format != 0;
         format = g_platform.EnumClipboardFormats(format)) {
        if (format == CF_TEXT || format == CF_UNICODETEXT) {
            return format;
        }
    }
    return 0;
}

// The locale the open clipboard's text was copied in, or 0 when it names none.
LCID ClipboardLocale()
{
    HANDLE data = g_platform.GetClipboardData(CF_LOCALE);
    if (data == nullptr || g_platform.GlobalSize(data) < sizeof(LCID)) {
        return 0;
    }
    const auto* locale = static_cast<const LCID*>(g_platform.GlobalLock(data));
    if (locale == nullptr) {
        return 0;
    }
    const LCID result = *locale;
    g_platform.GlobalUnlock(data);
    return result;
}

// The code page through which the platform synthesises one text format from
// the other: the ANSI code page of the clipboard's locale, else the system's.
UINT SynthesisCodePage()
{
    DWORD codePage = 0;
    const LCID locale = ClipboardLocale();
    if (locale != 0 && GetLocaleInfoW(locale, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                                      reinterpret_cast<LPWSTR>(&codePage), sizeof codePage / sizeof(WCHAR)) &&
        codePage != 0) {
        return codePage;
    }
    return GetACP();
}

// The clipboard's two text formats, read in one opening so that both come
// from the same copy.
struct ClipboardTexts {
    FormatCopy text{CF_TEXT};
    FormatCopy unicode{CF_UNICODETEXT};
    UINT nPlaced = 0;            // the text format the program placed, when known
    UINT nSynthesisCodePage = 0; // set when both formats need comparing
    DWORD nSequence = 0;         // the clipboard's change count at the reading

    bool Read()
    {
        ClipboardSession clipboard;
        if (!clipboard.IsOpen() || !text.Read() || !unicode.Read()) {
            return false;
        }
        nSequence = g_platform.GetClipboardSequenceNumber();
        nPlaced = FirstPlacedTextFormat();
        if (nPlaced != 0 && text.IsCopied() && unicode.IsCopied()) {
            nSynthesisCodePage = SynthesisCodePage();
        }
        return true;
    }
};

// Converting ------------------------------------------------------------

// Whether other's text is only the platform's conversion of placed's text
// through nSynthesisCodePage. fromPlaced is placed's text converted through
// the pass's code page nCodePage, compared with directly when the two code
// pages agree.
template <typename Placed>
bool IsSynthesised(const FormatCopy& placed, const FormatCopy& other, UINT nSynthesisCodePage, UINT nCodePage,
                   const ConvertedBlock& fromPlaced)
{
    using Other = ConvertedChar<Placed>;
    const std::basic_string_view<Other> synthesised = other.Text<Other>();
    if (nSynthesisCodePage != nCodePage || fromPlaced.hBlock == nullptr) {
        return ConvertsTo(nSynthesisCodePage, placed.Text<Placed>(), synthesised);
    }
    if (synthesised.size() != static_cast<SIZE_T>(fromPlaced.nLength)) {
        return false;
    }
    const auto* units = static_cast<const Other*>(g_platform.GlobalLock(fromPlaced.hBlock));
    if (units == nullptr) {
        return false;
    }
    const bool equal = std::equal(synthesised.begin(), synthesised.end(), units);
    g_platform.GlobalUnlock(fromPlaced.hBlock);
    return equal;
}

// Converts the placed format first, then the other one unless it only
// carries the platform's conversion of the placed one; then it counts as
// absent, for the conversion and for the copy across alike.
template <typename Placed>
void ConvertPlacedFirst(UINT nCodePage, UINT nSynthesisCodePage, const FormatCopy& placed, FormatCopy& other,
                        ConvertedBlock& fromPlaced, ConvertedBlock& fromOther)
{
    if (placed.IsCopied()) {
        fromPlaced = ConvertToBlock(nCodePage, placed.Text<Placed>());
    }
    if (nSynthesisCodePage != 0 &&
        IsSynthesised<Placed>(placed, other, nSynthesisCodePage, nCodePage, fromPlaced)) {
        other.Drop();
    }
    if (other.IsCopied()) {
        fromOther = ConvertToBlock(nCodePage, other.Text<ConvertedChar<Placed>>());
    }
}

// The format's present content, to be written back unchanged; null when it
// is absent or cannot be copied.
HGLOBAL CopyAcross(const FormatCopy& format)
{
    if (format.IsCopied()) {
        return format.Duplicate();
    }
    // Too long to have been copied privately: copy it from the clipboard.
    return format.IsOffered() ? DuplicateFormatBlock(format.Format()) : nullptr;
}

// The blocks a pass writes: each text format converted from the other, or
// else its present content, the clipboard's change count when it was read,
// and whether it offered any text. False, with nothing to write, when the clipboard could not be read or
// a format it offers could not be carried over.
bool ConvertClipboard(UINT nCodePage, HGLOBAL& hUnicode, HGLOBAL& hText, DWORD& nSequence, bool& bOffered)
{
    ClipboardTexts texts;
    if (!texts.Read()) {
        return false;
    }
    nSequence = texts.nSequence;
    bOffered = texts.text.IsOffered() || texts.unicode.IsOffered();
    ConvertedBlock decoded;
    ConvertedBlock encoded;
    if (texts.nPlaced == CF_UNICODETEXT) {
        ConvertPlacedFirst<wchar_t>(nCodePage, texts.nSynthesisCodePage, texts.unicode, texts.text, encoded, decoded);
    } else {
        ConvertPlacedFirst<char>(nCodePage, texts.nSynthesisCodePage, texts.text, texts.unicode, decoded, encoded);
    }
    hUnicode = decoded.hBlock != nullptr ? decoded.hBlock : CopyAcross(texts.unicode);
    hText = encoded.hBlock != nullptr ? encoded.hBlock : CopyAcross(texts.text);
    if ((hUnicode == nullptr && texts.unicode.IsOffered()) || (hText == nullptr && texts.text.IsOffered())) {
        FreeBlock(hUnicode);
        FreeBlock(hText);
        return false;
    }
    return true;
}

template <typename From>
HGLOBAL ConvertFormat(UINT nFormat, UINT nCodePage)
{
    FormatCopy source(nFormat);
    if (!ReadOneFormat(source) || !source.IsCopied()) {
        return nullptr;
    }
    return ConvertToBlock(nCodePage, source.Text<From>()).hBlock;
}

// Writing ---------------------------------------------------------------

// Sets the marker, which goes first. False only when the clipboard refuses
// it; without a registered format or a block the pass goes on unmarked.
bool SetMarker()
{
    const UINT format = g_platform.RegisterClipboardFormatA(kMarkerFormatName);
    if (format == 0) {
        return true;
    }
    HGLOBAL block = NewClipboardBlock(kMarkerPayload, sizeof kMarkerPayload);
    if (block == nullptr || g_platform.SetClipboardData(format, block) != nullptr) {
        return true;
    }
    FreeBlock(block);
    return false;
}

// RTF sizes count half-points; a size beyond int's range is held at its edge.
int HalfPoints(int nPointSize)
{
    return static_cast<int>(std::clamp<long long>(2LL * nPointSize, INT_MIN, INT_MAX));
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

// The document rendered straight into a clipboard block that a counting pass
// sized exactly: a working copy would double the largest block of the pass
// (six bytes per byte of a text of line breaks). Null when the block cannot
// be allocated or locked.
HGLOBAL RenderRtfText(const char* pszText, UINT nCodePage, const char* pszFaceName, int nPointSize)
{
    const int halfPoints = HalfPoints(nPointSize);
    const std::size_t length = RtfLength(pszText, nCodePage, pszFaceName, halfPoints);
    HGLOBAL block = g_platform.GlobalAlloc(kClipboardBlockFlags, length + 1);
    if (block == nullptr) {
        return nullptr;
    }
    auto* out = static_cast<char*>(g_platform.GlobalLock(block));
    if (out == nullptr) {
        FreeBlock(block);
        return nullptr;
    }
    RenderRtf(out, pszText, nCodePage, pszFaceName, halfPoints);
    g_platform.GlobalUnlock(block);
    return block;
}

// Adds the Rich Text Format copy of the 8-bit text in hText.
void AddRtfCopy(HGLOBAL hText, UINT nCodePage, const char* pszFaceName, int nPointSize)
{
    const auto* bytes = static_cast<const char*>(g_platform.GlobalLock(hText));
    if (bytes == nullptr) {
        return;
    }
    // A text copied across unchanged need not end in a zero byte.
    HGLOBAL terminatedCopy = nullptr;
    const char* text = TerminatedText(bytes, g_platform.GlobalSize(hText), terminatedCopy);
    HGLOBAL rtf = text != nullptr ? RenderRtfText(text, nCodePage, pszFaceName, nPointSize) : nullptr;
    FreeBlock(terminatedCopy);
    g_platform.GlobalUnlock(hText);
    if (rtf == nullptr) {
        return;
    }
    const UINT format = g_platform.RegisterClipboardFormatA(kRtfFormatName);
    if (format == 0 || g_platform.SetClipboardData(format, rtf) == nullptr) {
        FreeBlock(rtf);
    }
}

// Writes the result unless the clipboard has changed since its change count
// was nReadSequence (when given, the count at the pass's reading). False when
// the clipboard was not written or refused a text.
bool WriteResultIfUnchanged(HGLOBAL hUnicode, HGLOBAL hText, BOOL bAddRtf, UINT nCodePage, const char* pszFaceName,
                            int nPointSize, std::optional<DWORD> nReadSequence)
{
    // The blocks the clipboard has not taken over stay the pass's to free.
    HGLOBAL ownUnicode = hUnicode;
    HGLOBAL ownText = hText;
    bool written = false;
    {
        ClipboardSession clipboard;
        // Another program copied after the reading: its copy is the newer
        // one, and it raises a notification of its own.
        const bool newer = nReadSequence && g_platform.GetClipboardSequenceNumber() != *nReadSequence;
        if (clipboard.IsOpen() && !newer && g_platform.EmptyClipboard() && SetMarker()) {
            written = true;
            if (hUnicode != nullptr && g_platform.SetClipboardData(CF_UNICODETEXT, hUnicode) != nullptr) {
                ownUnicode = nullptr;
            }
            if (hText != nullptr && g_platform.SetClipboardData(CF_TEXT, hText) != nullptr) {
                ownText = nullptr;
            }
            // A block the clipboard has taken over may still be read until it is closed.
            if (bAddRtf && hText != nullptr) {
                AddRtfCopy(hText, nCodePage, pszFaceName, nPointSize);
            }
        }
    }
    const bool refused = ownUnicode != nullptr || ownText != nullptr;
    FreeBlock(ownUnicode);
    FreeBlock(ownText);
    return written && !refused;
}

} // namespace

PassResult ConversionPass(UINT nCodePage, BOOL bAddRtf, const char* pszFaceName, int nPointSize)
{
    HGLOBAL unicode = nullptr;
    HGLOBAL text = nullptr;
    DWORD sequence = 0;
    bool offered = false;
    if (!ConvertClipboard(nCodePage, unicode, text, sequence, offered) ||
        !WriteResultIfUnchanged(unicode, text, bAddRtf, nCodePage, pszFaceName, nPointSize, sequence)) {
        return PassResult::ClipboardFailed;
    }
    return offered ? PassResult::Converted : PassResult::NothingToConvert;
}

HGLOBAL ReadFormatCopy(UINT nFormat)
{
    FormatCopy copy(nFormat);
    ReadOneFormat(copy);
    return copy.Release();
}

HGLOBAL DecodeClipboardText(UINT nCodePage)
{
    return ConvertFormat<char>(CF_TEXT, nCodePage);
}

HGLOBAL EncodeClipboardUnicode(UINT nCodePage)
{
    return ConvertFormat<wchar_t>(CF_UNICODETEXT, nCodePage);
}

HGLOBAL DuplicateFormatBlock(UINT nFormat)
{
    ClipboardSession clipboard;
    if (!clipboard.IsOpen()) {
        return nullptr;
    }
    HANDLE data = g_platform.GetClipboardData(nFormat);
    return data != nullptr ? DuplicateBlock(data) : nullptr;
}

void WriteConversionResult(HGLOBAL hUnicode, HGLOBAL hText, BOOL bAddRtf, UINT nCodePage, const char* pszFaceName,
                           int nPointSize)
{
    WriteResultIfUnchanged(hUnicode, hText, bAddRtf, nCodePage, pszFaceName, nPointSize, std::nullopt);
}
