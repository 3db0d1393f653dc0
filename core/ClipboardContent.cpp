#include "core/ClipboardContent.h"

#include <algorithm>

#include "core/ClipboardSession.h"
#include "core/CodePageLocale.h"
#include "core/CopyReader.h"
#include "core/PasswordManagerMarks.h"
#include "core/PlacedFormats.h"
#include "core/Platform.h"
#include "core/RtfCopy.h"

namespace {

// The first of CF_TEXT and CF_UNICODETEXT that the program placed, or 0.
UINT FirstPlacedTextFormat(const std::vector<UINT>& placed)
{
    const auto text = std::find_if(placed.begin(), placed.end(),
                                   [](UINT format) { return format == CF_TEXT || format == CF_UNICODETEXT; });
    return text != placed.end() ? *text : 0;
}

// The code page through which the platform makes one text format of the
// open clipboard from the other: the ANSI code page of its locale, else the
// system's.
UINT LocaleCodePage()
{
    HANDLE data = g_platform.GetClipboardData(CF_LOCALE);
    if (data == nullptr || g_platform.GlobalSize(data) < sizeof(LCID)) {
        return GetACP();
    }
    const auto* locale = static_cast<const LCID*>(g_platform.GlobalLock(data));
    if (locale == nullptr) {
        return GetACP();
    }
    const UINT codePage = AnsiCodePageOf(*locale);
    g_platform.GlobalUnlock(data);
    return codePage != 0 ? codePage : GetACP();
}

// Whether to's text is from's converted through the code page.
bool TextConvertsTo(UINT nCodePage, const FormatCopy& from, const FormatCopy& to)
{
    if (from.Format() == CF_UNICODETEXT) {
        return ConvertsTo(nCodePage, from.Text<wchar_t>(), to.Text<char>());
    }
    return ConvertsTo(nCodePage, from.Text<char>(), to.Text<wchar_t>());
}

} // namespace

bool ClipboardContent::Read(PassMode mode, CopyReader& reader)
{
    ClipboardSession clipboard;
    if (!clipboard.IsOpen()) {
        return false;
    }
    nSequence = g_platform.GetClipboardSequenceNumber();
    placed = PlacedFormats();
    if (mode == PassMode::Automatic && IsPasswordManagerCopy()) {
        bLeaveAlone = true;
        return true;
    }
    if (!text.Read(reader) || !unicode.Read(reader)) {
        return false;
    }
    if (!HasText()) {
        bTextUnreadable = reader.IsLeftOut(CF_TEXT) || reader.IsLeftOut(CF_UNICODETEXT);
        return true;
    }
    nPlaced = FirstPlacedTextFormat(placed);
    nLocaleCodePage = LocaleCodePage();
    const bool marked = Contains(placed, g_platform.RegisterClipboardFormatA(kMarkerFormatName));
    if (marked) {
        ReadRecord();
    }
    // Only an earlier pass's RTF copy is looked into: it is made anew.
    const UINT rtf = g_platform.RegisterClipboardFormatA(kRtfFormatName);
    if (Contains(placed, rtf)) {
        HANDLE data = marked ? g_platform.GetClipboardData(rtf) : nullptr;
        bProgramRtf = !marked || (data != nullptr && !IsRtfCopy(data));
    }
    return true;
}

CopiedText ClipboardContent::Copied() const
{
    if (text.IsOffered() && unicode.IsOffered()) {
        return CopiedText::Both;
    }
    return unicode.IsOffered() ? CopiedText::Unicode : CopiedText::EightBit;
}

// Whatever the pass decides, the other text it writes is the placed one
// converted through the code page, and the placed one stays unless both are
// the program's.
bool ClipboardContent::WouldChange(UINT nCodePage, bool bRtfDue, LCID nLocale) const
{
    if (!text.IsCopied() || !unicode.IsCopied()) {
        return true;
    }
    // Plain ASCII is the same in every ASCII-based code page: a locale or an
    // RTF copy of the chosen language adds nothing to it.
    if (AreSameAscii(text.Text<char>(), unicode.Text<wchar_t>())) {
        return !IsAsciiBased(nCodePage);
    }
    if (bRtfDue || (nLocale != 0 && nLocaleCodePage != nCodePage)) {
        return true;
    }
    const bool unicodePlaced = nPlaced == CF_UNICODETEXT;
    const FormatCopy& placedText = unicodePlaced ? unicode : text;
    const FormatCopy& other = unicodePlaced ? text : unicode;
    // The platform made the other text through the code page of the locale.
    if (!record && !Contains(placed, other.Format())) {
        return nLocaleCodePage != nCodePage;
    }
    if (!TextConvertsTo(nCodePage, placedText, other)) {
        return true;
    }
    const bool onlyPlaced = record ? *record != CopiedText::Both
                                   : nLocaleCodePage == nCodePage ||
                                         TextConvertsTo(nLocaleCodePage, placedText, other);
    return !onlyPlaced && !TextConvertsTo(nCodePage, other, placedText);
}

// The record of an earlier pass names the text that was copied; the other is
// that pass's result, made anew from it.
void ClipboardContent::ReadRecord()
{
    record = ReadSourceRecord();
    const bool unicodeCopied = record == CopiedText::Unicode && unicode.IsOffered();
    const bool textCopied = record == CopiedText::EightBit && text.IsOffered();
    if (unicodeCopied || textCopied) {
        nPlaced = unicodeCopied ? CF_UNICODETEXT : CF_TEXT;
    } else if (record != CopiedText::Both) {
        record.reset();
    }
}
