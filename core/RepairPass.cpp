#include "core/RepairPass.h"

#include <new>
#include <string>
#include <utility>

#include "core/CarriedFormats.h"
#include "core/ClipboardSession.h"
#include "core/CodePageLocale.h"
#include "core/CopyReader.h"
#include "core/PassWrite.h"
#include "core/PasswordManagerMarks.h"
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

// What a repaired copy keeps of the old one, read in an opening of its own
// from the same copy as the text: its pictures, and a password manager's
// marks, as a conversion carries them. False when it could not be opened or
// has changed.
bool ReadKept(const RepairSource& source, CopyReader& reader, CarriedFormats& kept)
{
    ClipboardSession clipboard;
    if (!clipboard.IsOpen() || g_platform.GetClipboardSequenceNumber() != source.nSequence) {
        return false;
    }
    std::vector<UINT> dropped;
    for (const UINT format : source.placed) {
        if (!IsPictureFormat(format) && !IsPasswordManagerMark(format)) {
            dropped.push_back(format);
        }
    }
    kept.Read(source.placed, dropped, reader);
    return true;
}

// The repaired texts' blocks, the pass's until the write takes them over.
struct RepairedTexts : CopyTexts {
    RepairedTexts(HGLOBAL unicode, HGLOBAL text) : CopyTexts{unicode, text} {}
    ~RepairedTexts()
    {
        FreeBlock(hUnicode);
        FreeBlock(hText);
    }
    RepairedTexts(const RepairedTexts&) = delete;
    RepairedTexts& operator=(const RepairedTexts&) = delete;
    CopyTexts Release() { return {std::exchange(hUnicode, nullptr), std::exchange(hText, nullptr)}; }
};

// The repaired text as a zero-terminated clipboard block, or null.
HGLOBAL UnicodeBlock(const std::wstring& text)
{
    return NewClipboardBlock(text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

ClipboardRepair RepairClipboard(UINT nCodePage, BOOL bAddRtf, const char* pszFaceName, int nPointSize)
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
    RepairedTexts texts(UnicodeBlock(repair.strText), ConvertToBlock(nCodePage, repair.strText).hBlock);
    const SIZE_T units = repair.strText.size();
    repair.strText = std::wstring();
    CarriedFormats kept;
    if (texts.hUnicode == nullptr || texts.hText == nullptr || !ReadKept(source, reader, kept)) {
        return {RepairOutcome::ClipboardFailed, {}};
    }
    // The RTF copy is made from the repaired Unicode text, so it loses no
    // character the code page cannot express.
    const RtfRequest rtf{bAddRtf, nCodePage, pszFaceName, nPointSize, texts.hUnicode, units};
    HGLOBAL hRtf = MakeRtfBlock(texts.hText, rtf);
    const PassRecords records{CopiedText::Unicode, LocaleOfCodePage(nCodePage), &kept};
    // From the write on nothing is allocated: it takes the blocks over.
    if (!WriteResultIfUnchanged(texts.Release(), hRtf, records, source.nSequence)) {
        return {RepairOutcome::ClipboardFailed, {}};
    }
    return {RepairOutcome::Repaired, std::move(repair.steps)};
}

} // namespace

ClipboardRepair RepairPass(UINT nCodePage, BOOL bAddRtf, const char* pszFaceName, int nPointSize)
{
    // A text too large for memory is one that could not be read: nothing is
    // written before the allocations are done, so the copy stays as it was.
    try {
        return RepairClipboard(nCodePage, bAddRtf, pszFaceName, nPointSize);
    } catch (const std::bad_alloc&) {
        return {RepairOutcome::ClipboardFailed, {}};
    }
}
