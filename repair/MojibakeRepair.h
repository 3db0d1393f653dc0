// Repair of text that is already mojibake: text whose bytes were read through
// the wrong code page (UTF-8 read as 1252, Shift-JIS read as 1252, GBK read as
// Shift-JIS ...), possibly twice. Free of windows and dialogs.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "repair/RepairShared.h"

// One misreading: bytes of nRightCodePage decoded through nWrongCodePage.
struct RepairStep {
    UINT nRightCodePage;
    UINT nWrongCodePage;
    bool operator==(const RepairStep&) const = default;
};

struct RepairResult {
    bool bRepaired = false;
    std::wstring strText;          // the repaired text, when repaired
    std::vector<RepairStep> steps; // what was undone, the first misreading first
};

// Decides whether text is mojibake and which reading undoes it. Refuses
// (bRepaired false) when unsure, for pure ASCII, and for any change that
// alters no letter: a false repair is far worse than a missed one.
RepairResult RepairMojibake(std::wstring_view text);

RepairFamily FamilyOf(const std::vector<RepairStep>& steps);
const char* FamilyName(RepairFamily family);

// The engine's view of a text before its margins apply, for tuning them:
// what it decides on, whole or run by run. Nothing for text it leaves alone
// unread, and for text too long to be decided whole.
struct RepairAnalysis {
    RepairResult best;      // the likeliest repair; bRepaired false when there is none
    unsigned nLengthBand = 0;
    int nOverInput = 0;     // how much likelier the repair is than the text, in eighths of a bit
    int nOverRunnerUp = 0;  // and than the next different repair (a large number when there is none)
    // and than the likeliest reading that alters no letter, only punctuation
    // or symbols: a large number when there is none
    int nOverUnaltered = 0;
    bool bRunByRun = false; // the repair reads the text run by run
};
RepairAnalysis AnalyseMojibake(std::wstring_view text);

// text misread once: encoded through step.nRightCodePage and decoded through
// step.nWrongCodePage, both strictly. False where either cannot be done, or
// where the misread text would not encode back to the same bytes.
bool MisreadText(std::wstring_view text, const RepairStep& step, std::wstring& misread);

// What a repair undid, for people: "UTF-8 read as 1252", or for two steps
// "1251 read as 1252, then UTF-8 read as 1252".
std::string DescribeRepair(const std::vector<RepairStep>& steps);

// The runs of text between blanks that hold a character beyond ASCII: what
// mixed text is read in, one by one; the others never change.
struct RepairRun {
    std::size_t nFirst;
    std::size_t nLast;
};
std::vector<RepairRun> RepairRunsBeyondAscii(std::wstring_view text);

// The code pages the engine considers, as the system has them: UTF-8 and the
// legacy code pages of the languages whose text is commonly misread, then
// the consoles', the Mac's and some ISO ones, which text is only misread
// through.
const std::vector<UINT>& RepairCodePages();

// Whether the engine considers these misreadings, the first first: a Mac code
// page misreads only UTF-8, a console's or an ISO one also the Windows code
// page of its letters, and each only once.
bool RepairUndoes(const std::vector<RepairStep>& steps);
