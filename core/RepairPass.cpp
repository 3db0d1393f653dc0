#include "core/RepairPass.h"

#include <string>
#include <utility>

#include "core/CarriedFormats.h"
#include "core/ClipboardSession.h"
#include "core/CodePageLocale.h"
#include "core/CopyReader.h"
#include "core/PassWrite.h"
#include "core/PlacedFormats.h"
#include "core/Platform.h"
#include "core/TextBlocks.h"

namespace {

// What a repair reads of the clipboard, in one opening: the Unicode text,
// which is what pasters show (the platform makes it from an 8-bit copy
// through the copy's locale), and the formats the copying program placed.
struct RepairSource {
    FormatCopy unicode{CF_UNICODETEXT};
    std::vector<UINT> placed;
    DWORD nSequence = 0; // the clipboard's change count at the reading

    bool Read(CopyReader& reader)
    {
        ClipboardSession clipboard;
        if (!clipboard.IsOpen() || !unicode.Read(reader)) {
            return false;
        }
        nSequence = g_platform.GetClipboardSequenceNumber();
        placed = PlacedFormats();
        return true;
    }
};

// The placed pictures, read in an opening of their own from the same copy
// as the text; false when it could not be opened or has changed.
bool ReadPictures(const RepairSource& source, CopyReader& reader, CarriedFormats& pictures)
{
    ClipboardSession clipboard;
    if (!clipboard.IsOpen() || g_platform.GetClipboardSequenceNumber() != source.nSequence) {
        return false;
    }
    std::vector<UINT> dropped;
    for (const UINT format : source.placed) {
        if (!IsPictureFormat(format)) {
            dropped.push_back(format);
        }
    }
    pictures.Read(source.placed, dropped, reader);
    return true;
}

// The repaired text as a zero-terminated clipboard block, or null.
HGLOBAL UnicodeBlock(const std::wstring& text)
{
    return NewClipboardBlock(text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

} // namespace

ClipboardRepair RepairPass(UINT nCodePage, BOOL bAddRtf, const char* pszFaceName, int nPointSize)
{
    // Asked by the user, like Convert: what cannot be read is left out.
    CopyReader reader(CopyReader::Rule::WhatItCan);
    RepairSource source;
    if (!source.Read(reader)) {
        return {RepairOutcome::ClipboardFailed, {}};
    }
    if (!source.unicode.IsOffered()) {
        return {reader.IsLeftOut(CF_UNICODETEXT) ? RepairOutcome::TextUnreadable : RepairOutcome::NoText, {}};
    }
    // A text too long to be copied is too long for the engine's conversions.
    RepairResult repair = source.unicode.IsCopied() ? RepairMojibake(source.unicode.Text<wchar_t>()) : RepairResult{};
    source.unicode.Drop();
    if (!repair.bRepaired) {
        return {RepairOutcome::NothingToRepair, {}};
    }
    // From here on the two blocks are this function's until the write takes
    // them over.
    const CopyTexts texts{UnicodeBlock(repair.strText), ConvertToBlock(nCodePage, repair.strText).hBlock};
    const SIZE_T units = repair.strText.size();
    repair.strText = std::wstring();
    CarriedFormats pictures;
    if (texts.hUnicode == nullptr || texts.hText == nullptr || !ReadPictures(source, reader, pictures)) {
        FreeBlock(texts.hUnicode);
        FreeBlock(texts.hText);
        return {RepairOutcome::ClipboardFailed, {}};
    }
    // The RTF copy is made from the repaired Unicode text, so it loses no
    // character the code page cannot express.
    const RtfRequest rtf{bAddRtf, nCodePage, pszFaceName, nPointSize, texts.hUnicode, units};
    const PassRecords records{CopiedText::Unicode, LocaleOfCodePage(nCodePage), &pictures};
    if (!WriteResultIfUnchanged(texts, MakeRtfBlock(texts.hText, rtf), records, source.nSequence)) {
        return {RepairOutcome::ClipboardFailed, {}};
    }
    return {RepairOutcome::Repaired, std::move(repair.steps)};
}
