// Repair of the clipboard's text when it is already mojibake: its Unicode
// text, repaired as one text, written as a new copy with the marker and a
// record of a Unicode copy, the 8-bit text and a locale of the chosen code
// page and, when asked, an RTF copy. Of the old copy only the pictures and a
// password manager's marks stay: its other formats (HTML, RTF, the 8-bit
// text) held the same garbled text.
#pragma once

#include <windows.h>

#include <vector>

#include "repair/MojibakeRepair.h"

enum class RepairOutcome {
    Repaired,        // the repaired copy is written
    NoText,          // the clipboard holds no text; nothing written
    TextUnreadable,  // it offers text that its program did not give (failed, or no answer in time); nothing written
    NothingToRepair, // its text is not mojibake that can be undone for sure; nothing written
    ClipboardFailed, // it could not be read or written, its text was too large for memory, or a newer copy came
                     // first; nothing written
};

struct ClipboardRepair {
    RepairOutcome outcome;
    std::vector<RepairStep> steps; // what was undone, when repaired
};

ClipboardRepair RepairPass(UINT nCodePage, BOOL bAddRtf, const char* pszFaceName, int nPointSize);
