// The write that ends a conversion pass or a repair: the clipboard emptied
// and a new copy set, the marker first, then its record, the formats carried
// over around the texts, an RTF copy just before them and a locale of the
// 8-bit text's code page after them.
#pragma once

#include <windows.h>

#include <optional>

#include "core/SourceRecord.h"

class CarriedFormats;

// The texts to set, as clipboard blocks; a null one is left out.
struct CopyTexts {
    HGLOBAL hUnicode = nullptr;
    HGLOBAL hText = nullptr;
};

// What the RTF copy is made of.
struct RtfRequest {
    BOOL bAdd;
    UINT nCodePage;
    const char* pszFaceName;
    int nPointSize;
    // The Unicode text the 8-bit text was encoded from, when it was: a block
    // holding it, and its length in units. The RTF copy then keeps every
    // character the code page cannot express.
    HGLOBAL hSource;
    SIZE_T nSourceUnits;
};

// What the write sets besides its texts and RTF copy.
struct PassRecords {
    std::optional<CopiedText> copied; // for the record beside the marker
    LCID nLocale = 0;                 // for CF_LOCALE; 0 leaves it to the platform
    CarriedFormats* pCarried = nullptr;
};

// The RTF copy of the 8-bit text, made before the clipboard is opened for
// writing, which then holds it no longer than it must: null when none is
// asked for or it cannot be made.
HGLOBAL MakeRtfBlock(HGLOBAL hText, const RtfRequest& request);

// Writes the copy unless the clipboard has changed since its change count
// was nReadSequence (when given, the count at the reading), so that a newer
// copy wins. Everything is made before: from the check on, only blocks are
// handed over. Takes over the texts and the RTF copy (null: none): the
// clipboard keeps those it accepts, the others are freed here. False when
// nothing could be written.
bool WriteResultIfUnchanged(const CopyTexts& texts, HGLOBAL hRtf, const PassRecords& records,
                            std::optional<DWORD> nReadSequence);
