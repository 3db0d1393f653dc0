#include "core/PassWrite.h"

#include <string_view>

#include "core/CarriedFormats.h"
#include "core/ClipboardSession.h"
#include "core/ConversionPass.h"
#include "core/Platform.h"
#include "core/RtfCopy.h"
#include "core/TextBlocks.h"

namespace {

// "PELIS" and its zero byte: 6 bytes.
constexpr char kMarkerPayload[] = "PELIS";

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

// Names a locale whose ANSI code page the 8-bit text is in.
void SetLocale(LCID nLocale)
{
    HGLOBAL block = NewClipboardBlock(&nLocale, sizeof nLocale);
    if (block != nullptr && g_platform.SetClipboardData(CF_LOCALE, block) == nullptr) {
        FreeBlock(block);
    }
}

// True when the clipboard took the block over.
bool SetRtfCopy(HGLOBAL hRtf)
{
    const UINT format = g_platform.RegisterClipboardFormatA(kRtfFormatName);
    return format != 0 && g_platform.SetClipboardData(format, hRtf) != nullptr;
}

} // namespace

HGLOBAL MakeRtfBlock(HGLOBAL hText, const RtfRequest& request)
{
    if (!request.bAdd || hText == nullptr) {
        return nullptr;
    }
    std::optional<std::wstring_view> source;
    // An empty text is not locked: its block may be empty, which cannot be.
    const bool locked = request.hSource != nullptr && request.nSourceUnits != 0;
    if (request.hSource != nullptr) {
        const auto* units = locked ? static_cast<const wchar_t*>(g_platform.GlobalLock(request.hSource)) : L"";
        if (units == nullptr) {
            return nullptr;
        }
        source = std::wstring_view(units, request.nSourceUnits);
    }
    HGLOBAL rtf = MakeRtfCopy(hText, source, request.nCodePage, request.pszFaceName, request.nPointSize);
    if (locked) {
        g_platform.GlobalUnlock(request.hSource);
    }
    return rtf;
}

bool WriteResultIfUnchanged(const CopyTexts& texts, HGLOBAL hRtf, const PassRecords& records,
                            std::optional<DWORD> nReadSequence)
{
    // The blocks the clipboard has not taken over stay ours to free.
    HGLOBAL ownUnicode = texts.hUnicode;
    HGLOBAL ownText = texts.hText;
    HGLOBAL ownRtf = hRtf;
    bool written = false;
    {
        ClipboardSession clipboard;
        // Another program copied after the reading: its copy is the newer
        // one, and it raises a notification of its own.
        const bool newer = nReadSequence && g_platform.GetClipboardSequenceNumber() != *nReadSequence;
        if (clipboard.IsOpen() && !newer && g_platform.EmptyClipboard() && SetMarker()) {
            if (records.copied) {
                SetSourceRecord(*records.copied);
            }
            if (records.pCarried != nullptr) {
                records.pCarried->Write(CarriedFormats::Part::BeforeTexts);
            }
            if (hRtf != nullptr && SetRtfCopy(hRtf)) {
                ownRtf = nullptr;
            }
            if (texts.hUnicode != nullptr && g_platform.SetClipboardData(CF_UNICODETEXT, texts.hUnicode) != nullptr) {
                ownUnicode = nullptr;
            }
            if (texts.hText != nullptr && g_platform.SetClipboardData(CF_TEXT, texts.hText) != nullptr) {
                ownText = nullptr;
            }
            if (records.nLocale != 0 && texts.hText != nullptr && ownText == nullptr) {
                SetLocale(records.nLocale);
            }
            if (records.pCarried != nullptr) {
                records.pCarried->Write(CarriedFormats::Part::AfterTexts);
            }
            written = true;
        }
    }
    FreeBlock(ownUnicode);
    FreeBlock(ownText);
    FreeBlock(ownRtf);
    return written;
}
