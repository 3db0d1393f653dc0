#include "core/ConversionPass.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

#include "core/CarriedFormats.h"
#include "core/ClipboardContent.h"
#include "core/ClipboardSession.h"
#include "core/CodePageLocale.h"
#include "core/CopyReader.h"
#include "core/PassWrite.h"
#include "core/Platform.h"
#include "core/RtfCopy.h"
#include "core/SourceRecord.h"
#include "core/TextBlocks.h"

namespace {

// An OLE copy's live data object, which OLE pasters would ask instead of the
// clipboard: its own and the one Wine keeps beside it. After a pass the copy
// is no longer the object's, whose texts are unconverted: left out, OLE reads
// the clipboard itself.
constexpr const char* kDataObjectFormatNames[] = {"DataObject", "Wine Marshalled DataObject"};
// OLE's list of an OLE copy's formats and the media they come in (a storage,
// a stream), by which OLE pasters see them. It names none of the pass's own:
// it is kept unless the pass adds an RTF copy, which pasters would not see.
constexpr char kOleFormatListName[] = "Ole Private Data";

// Reading ---------------------------------------------------------------

// Reads one format in an opening of its own; false when the clipboard could
// not be opened or the format's data could not be read.
bool ReadOneFormat(FormatCopy& copy)
{
    ClipboardSession clipboard;
    CopyReader reader(CopyReader::Rule::WhatItCan);
    return clipboard.IsOpen() && copy.Read(reader);
}

// The formats the pass writes itself, drops to make them anew, or leaves out
// because they would no longer tell the truth.
std::vector<UINT> WrittenFormats(const ClipboardContent& content, bool bRtfCopy)
{
    std::vector<UINT> written{CF_TEXT,
                              CF_UNICODETEXT,
                              CF_LOCALE,
                              g_platform.RegisterClipboardFormatA(kMarkerFormatName),
                              g_platform.RegisterClipboardFormatA(kSourceRecordFormatName)};
    for (const char* name : kDataObjectFormatNames) {
        written.push_back(g_platform.RegisterClipboardFormatA(name));
    }
    if (!content.bProgramRtf) {
        written.push_back(g_platform.RegisterClipboardFormatA(kRtfFormatName));
    }
    if (bRtfCopy) {
        written.push_back(g_platform.RegisterClipboardFormatA(kOleFormatListName));
    }
    return written;
}

// Reads the formats to carry over, in an opening of their own, from the same
// copy as the texts; false when it could not be opened or has changed.
bool ReadCarried(const ClipboardContent& content, bool bRtfCopy, CopyReader& reader, CarriedFormats& carried)
{
    ClipboardSession clipboard;
    if (!clipboard.IsOpen() || g_platform.GetClipboardSequenceNumber() != content.nSequence) {
        return false;
    }
    carried.Read(content.placed, WrittenFormats(content, bRtfCopy), reader);
    return true;
}

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
// carries the platform's conversion of the placed one (nSynthesisCodePage 0:
// it cannot) or an earlier pass's; then it counts as absent, for the
// conversion and for the copy across alike.
template <typename Placed>
void ConvertPlacedFirst(UINT nCodePage, UINT nSynthesisCodePage, bool bOtherIsResult, const FormatCopy& placed,
                        FormatCopy& other, ConvertedBlock& fromPlaced, ConvertedBlock& fromOther)
{
    if (placed.IsCopied()) {
        fromPlaced = ConvertToBlock(nCodePage, placed.Text<Placed>());
    }
    if (bOtherIsResult ||
        (nSynthesisCodePage != 0 && IsSynthesised<Placed>(placed, other, nSynthesisCodePage, nCodePage, fromPlaced))) {
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
struct PassTexts : CopyTexts {
    bool bEncoded = false;       // hText was encoded from the clipboard's Unicode text
    bool bUnicodeCopied = false; // hUnicode is that Unicode text copied across
};

// False, with nothing to write, when a text format the clipboard offers could
// be neither converted nor carried over.
bool ConvertClipboard(UINT nCodePage, ClipboardContent& content, PassTexts& texts)
{
    ConvertedBlock decoded;
    ConvertedBlock encoded;
    const bool compare = !content.record && content.nPlaced != 0 && content.text.IsCopied() &&
                         content.unicode.IsCopied();
    const UINT synthesisCodePage = compare ? content.nLocaleCodePage : 0;
    const bool otherIsResult = content.record.has_value() && *content.record != CopiedText::Both;
    if (content.nPlaced == CF_UNICODETEXT) {
        ConvertPlacedFirst<wchar_t>(nCodePage, synthesisCodePage, otherIsResult, content.unicode, content.text,
                                    encoded, decoded);
    } else {
        ConvertPlacedFirst<char>(nCodePage, synthesisCodePage, otherIsResult, content.text, content.unicode,
                                 decoded, encoded);
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

} // namespace

PassResult ConversionPass(UINT nCodePage, BOOL bAddRtf, const char* pszFaceName, int nPointSize, PassMode mode,
                          PassReport* pReport)
{
    const bool automatic = mode == PassMode::Automatic;
    CopyReader reader(automatic ? CopyReader::Rule::AllOrNothingInTime : CopyReader::Rule::WhatItCan);
    ClipboardContent content;
    const bool read = content.Read(mode, reader);
    PassReport unused;
    PassReport& report = pReport != nullptr ? *pReport : unused;
    report.nReadSequence = content.nSequence;
    if (!read) {
        return PassResult::ClipboardFailed;
    }
    if (content.bLeaveAlone) {
        return PassResult::LeftAsItIs;
    }
    if (!reader.MayWrite()) {
        return PassResult::GivenUp;
    }
    if (content.bTextUnreadable) {
        report.leftOut = reader.LeftOut();
        return PassResult::TextUnreadable;
    }
    if (!content.HasText()) {
        return PassResult::NothingToConvert;
    }
    // The copying program's own RTF names its fonts and holds its
    // formatting: it wins over one made from the text.
    const bool rtfDue = bAddRtf && !content.bProgramRtf;
    const LCID locale = LocaleOfCodePage(nCodePage);
    if (automatic && !content.WouldChange(nCodePage, rtfDue, locale)) {
        return PassResult::LeftAsItIs;
    }
    // Everything is read before anything is converted: the bound is the
    // reading's alone.
    CarriedFormats carried;
    if (!ReadCarried(content, rtfDue, reader, carried)) {
        return PassResult::ClipboardFailed;
    }
    if (!reader.MayWrite()) {
        return PassResult::GivenUp;
    }
    PassTexts texts;
    if (!ConvertClipboard(nCodePage, content, texts)) {
        return PassResult::ClipboardFailed;
    }
    const CopiedText copied = content.Copied();
    // No text is held twice while the RTF copy is made: the private copies go
    // first, and a Unicode text copied across is read from its own block.
    RtfRequest rtf{rtfDue, nCodePage, pszFaceName, nPointSize, nullptr, 0};
    if (rtfDue && texts.bEncoded) {
        rtf.hSource = texts.bUnicodeCopied ? texts.hUnicode : content.unicode.Block();
        rtf.nSourceUnits = content.unicode.Text<wchar_t>().size();
    }
    content.text.Drop();
    if (rtf.hSource == nullptr || rtf.hSource != content.unicode.Block()) {
        content.unicode.Drop();
    }
    HGLOBAL hRtf = MakeRtfBlock(texts.hText, rtf);
    const bool written = WriteResultIfUnchanged(texts, hRtf, {copied, locale, &carried}, content.nSequence);
    // Only a conversion that was written has left anything out.
    if (written) {
        report.leftOut = reader.LeftOut();
    }
    return written ? PassResult::Converted : PassResult::ClipboardFailed;
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
    HGLOBAL hRtf = MakeRtfBlock(hText, {bAddRtf, nCodePage, pszFaceName, nPointSize, nullptr, 0});
    WriteResultIfUnchanged({hUnicode, hText}, hRtf, {}, std::nullopt);
}
