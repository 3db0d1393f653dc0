// What a command-line pass ends with, for the scripts that run it: the
// process's exit status and, where there is somewhere to write it, one line
// on standard error saying why it did nothing.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/ConversionPass.h"
#include "core/RepairPass.h"

enum ExitStatus : int {
    kExitDone = 0,             // converted or repaired, or there was no text to convert
    kExitUnusableCodePage = 1, // the arguments name no code page this system converts with
    kExitClipboardFailed = 2,  // the clipboard, or the filter's input or output, could not be read or written
    kExitNotRepaired = 3,      // /repair left the clipboard unchanged: no text, or nothing to repair
};

ExitStatus ExitStatusOf(PassResult result);
ExitStatus ExitStatusOf(RepairOutcome outcome);

// Writes the reason for a non-zero status to standard error, or to the
// console of the program that started this one; nothing when there is none.
// bRepair: the run was to repair the clipboard, not to convert it.
// bTextUnreadable: the clipboard offered text that could not be read.
void ReportExitStatus(ExitStatus status, int nCodePage, bool bRepair, bool bTextUnreadable);

// Writes, where ReportExitStatus writes, which misreading a repair of the
// clipboard undid or why it repaired nothing; a clipboard that could not be
// read or written, or whose text could not be read, is ReportExitStatus's to
// tell.
void ReportRepair(const ClipboardRepair& repair);

// Names, on standard error as above, the formats a pass left out because
// they could not be read; nothing when there are none.
void ReportLeftOut(const std::vector<UINT>& formats);

// Text as UTF-8, the encoding of what the program writes to standard error
// and of the repair filter's output.
std::string ToUtf8(std::wstring_view text);
