#include "core/ConversionPass.h"

#include <algorithm>
#include <optional>

#include "core/CarriedFormats.h"
#include "core/ClipboardSession.h"
#include "core/Platform.h"
#include "core/RtfCopy.h"
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

// What a pass reads of the clipboard, in one opening so that all of it
// comes from the same copy: the two text formats and, when there is text to
// convert, every other format to carry over.
struct ClipboardContent {
    FormatCopy text{CF_TEXT};
    FormatCopy unicode{CF_UNICODETEXT};
    CarriedFormats carried;
    UINT nPlaced = 0;            // the text format the program placed, when known
    UINT nSynthesisCodePage = 0; // set when both formats need comparing
    DWORD nSequence = 0;         // the clipboard's change count at the reading

    bool HasText() const { return text.IsOffered() || unicode.IsOffered(); }

    bool Read()
    {
        ClipboardSession clipboard;
        if (!clipboard.IsOpen() || !text.Read() || !unicode.Read()) {
            return false;
        }
        nSequence = g_platform.GetClipboardSequenceNumber();
        // Without text the pass writes nothing, so nothing else is read (or
        // rendered by its owner).
        if (!HasText()) {
            return true;
        }
        nPlaced = FirstPlacedTextFormat();
        if (nPlaced != 0 && text.IsCopied() && unicode.IsCopied()) {
            nSynthesisCodePage = SynthesisCodePage();
        }
        carried.Read(g_platform.RegisterClipboardFormatA(kMarkerFormatName),
                     g_platform.RegisterClipboardFormatA(kRtfFormatName));
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

// The texts a pass writes: each text format converted from the other, or
// else its present content.
struct PassTexts {
    HGLOBAL hUnicode = nullptr;
    HGLOBAL hText = nullptr;
    bool bEncoded = false;       // hText was encoded from the clipboard's Unicode text
    bool bUnicodeCopied = false; // hUnicode is that Unicode text copied across
};

// False, with nothing to write, when a text format the clipboard offers could
// be neither converted nor carried over.
bool ConvertClipboard(UINT nCodePage, ClipboardContent& content, PassTexts& texts)
{
    ConvertedBlock decoded;
    ConvertedBlock encoded;
    if (content.nPlaced == CF_UNICODETEXT) {
        ConvertPlacedFirst<wchar_t>(nCodePage, content.nSynthesisCodePage, content.unicode, content.text, encoded,
                                    decoded);
    } else {
        ConvertPlacedFirst<char>(nCodePage, content.nSynthesisCodePage, content.text, content.unicode, decoded,
                                 encoded);
    }
    texts.hUnicode = decoded.hBlock != nullptr ? decoded.hBlock : CopyAcross(content.unicode);
    texts.hText = encoded.hBlock != nullptr ? encoded.hBlock : CopyAcross(content.text);
    texts.bEncoded = encoded.hBlock != nullptr;
    texts.bUnicodeCopied = decoded.hBlock == nullptr && texts.hUnicode != nullptr;
    if ((texts.hUnicode == nullptr && content.unicode.IsOffered()) ||
        (texts.hText == nullptr && content.text.IsOffered())) {
        FreeBlock(texts.hUnicode);
        FreeBlock(texts.hText);
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

// What the RTF copy is made of.
struct RtfRequest {
    BOOL bAdd;
    UINT nCodePage;
    const char* pszFaceName;
    int nPointSize;
    // The Unicode text the 8-bit text was encoded from, when it was: in a
    // block of its own (hSource), or else in source.
    HGLOBAL hSource;
    std::optional<std::wstring_view> source;
};

void AddRtfCopy(HGLOBAL hText, const RtfRequest& request)
{
    std::optional<std::wstring_view> source = request.source;
    // An empty block cannot be locked.
    const SIZE_T sourceSize = request.hSource != nullptr ? g_platform.GlobalSize(request.hSource) : 0;
    if (request.hSource != nullptr) {
        const auto* units = sourceSize != 0 ? static_cast<const wchar_t*>(g_platform.GlobalLock(request.hSource)) : L"";
        if (units == nullptr) {
            return;
        }
        const std::wstring_view block(units, sourceSize / sizeof(wchar_t));
        source = block.substr(0, block.find(L'\0'));
    }
    HGLOBAL rtf = MakeRtfCopy(hText, source, request.nCodePage, request.pszFaceName, request.nPointSize);
    if (sourceSize != 0) {
        g_platform.GlobalUnlock(request.hSource);
    }
    if (rtf == nullptr) {
        return;
    }
    const UINT format = g_platform.RegisterClipboardFormatA(kRtfFormatName);
    if (format == 0 || g_platform.SetClipboardData(format, rtf) == nullptr) {
        FreeBlock(rtf);
    }
}

// Writes the texts, the RTF copy and the formats carried over, unless the
// clipboard has changed since its change count was nReadSequence (when
// given, the count at the pass's reading).
PassResult WriteResultIfUnchanged(const PassTexts& texts, const RtfRequest& rtf, CarriedFormats* pCarried,
                                  std::optional<DWORD> nReadSequence)
{
    // The blocks the clipboard has not taken over stay the pass's to free.
    HGLOBAL ownUnicode = texts.hUnicode;
    HGLOBAL ownText = texts.hText;
    PassResult result = PassResult::ClipboardFailed;
    {
        ClipboardSession clipboard;
        // Another program copied after the reading: its copy is the newer
        // one, and it raises a notification of its own.
        const bool newer = nReadSequence && g_platform.GetClipboardSequenceNumber() != *nReadSequence;
        if (clipboard.IsOpen() && !newer && g_platform.EmptyClipboard() && SetMarker()) {
            if (texts.hUnicode != nullptr && g_platform.SetClipboardData(CF_UNICODETEXT, texts.hUnicode) != nullptr) {
                ownUnicode = nullptr;
            }
            if (texts.hText != nullptr && g_platform.SetClipboardData(CF_TEXT, texts.hText) != nullptr) {
                ownText = nullptr;
            }
            // A block the clipboard has taken over may still be read until it
            // is closed. The copying program's own RTF names its fonts and
            // holds its formatting: it wins over one made from the text.
            const bool programRtf = pCarried != nullptr && pCarried->HasRtf();
            if (rtf.bAdd && texts.hText != nullptr && !programRtf) {
                AddRtfCopy(texts.hText, rtf);
            }
            if (pCarried != nullptr) {
                pCarried->Write();
            }
            result = PassResult::Converted;
        }
    }
    FreeBlock(ownUnicode);
    FreeBlock(ownText);
    return result;
}

} // namespace

PassResult ConversionPass(UINT nCodePage, BOOL bAddRtf, const char* pszFaceName, int nPointSize)
{
    ClipboardContent content;
    if (!content.Read()) {
        return PassResult::ClipboardFailed;
    }
    if (!content.HasText()) {
        return PassResult::NothingToConvert;
    }
    PassTexts texts;
    if (!ConvertClipboard(nCodePage, content, texts)) {
        return PassResult::ClipboardFailed;
    }
    // No text is held twice while the RTF copy is made: the private copies go
    // first, and a Unicode text copied across is read from its own block.
    RtfRequest rtf{bAddRtf, nCodePage, pszFaceName, nPointSize, nullptr, std::nullopt};
    if (bAddRtf && texts.bEncoded && !content.carried.HasRtf()) {
        if (texts.bUnicodeCopied) {
            rtf.hSource = texts.hUnicode;
        } else {
            rtf.source = content.unicode.Text<wchar_t>();
        }
    }
    content.text.Drop();
    if (!rtf.source) {
        content.unicode.Drop();
    }
    return WriteResultIfUnchanged(texts, rtf, &content.carried, content.nSequence);
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
    WriteResultIfUnchanged({hUnicode, hText, false, false},
                           {bAddRtf, nCodePage, pszFaceName, nPointSize, nullptr, std::nullopt}, nullptr, std::nullopt);
}
