// What a pass reads of the clipboard before it decides and converts, in one
// opening so that all of it comes from the same copy: the two texts, and what
// the decisions need of the rest. The formats to carry over are read later.
#pragma once

#include <windows.h>

#include <optional>
#include <vector>

#include "core/ConversionPass.h"
#include "core/SourceRecord.h"
#include "core/TextBlocks.h"

class CopyReader;

struct ClipboardContent {
    FormatCopy text{CF_TEXT};
    FormatCopy unicode{CF_UNICODETEXT};
    std::vector<UINT> placed;         // by the copying program, in its order
    UINT nPlaced = 0;                 // the text format it placed, when known
    UINT nLocaleCodePage = 0;         // the code page the copy's CF_LOCALE names
    std::optional<CopiedText> record; // left by an earlier pass
    bool bProgramRtf = false;         // a Rich Text Format of the program's own
    bool bLeaveAlone = false;
    bool bTextUnreadable = false;     // offered, but its program did not give it
    DWORD nSequence = 0;              // the clipboard's change count at the reading

    // False when the clipboard could not be opened or a text could not be
    // copied. An automatic pass leaves a password manager's copy alone.
    bool Read(PassMode mode, CopyReader& reader);

    bool HasText() const { return text.IsOffered() || unicode.IsOffered(); }

    // Which texts the copying program placed, as far as the pass keeps them.
    CopiedText Copied() const;

    // The decision of an automatic pass, made from the two texts before
    // anything is converted: whether writing would change what a paster gets.
    bool WouldChange(UINT nCodePage, bool bRtfDue, LCID nLocale) const;

private:
    void ReadRecord();
};
