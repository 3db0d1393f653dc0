// What a command-line pass ends with, for the scripts that run it: the
// process's exit status and, where there is somewhere to write it, one line
// on standard error saying why it did nothing.
#pragma once

#include <vector>

#include "core/ConversionPass.h"

enum ExitStatus : int {
    kExitDone = 0,             // converted, or there was no text to convert
    kExitUnusableCodePage = 1, // the arguments name no code page this system converts with
    kExitClipboardFailed = 2,  // the clipboard could not be read or written
    kExitNotRepaired = 3,      // /repair left the clipboard unchanged
};

ExitStatus ExitStatusOf(PassResult result);

// Writes the reason for a non-zero status to standard error, or to the
// console of the program that started this one; nothing when there is none.
void ReportExitStatus(ExitStatus status, int nCodePage);

// Names, on standard error as above, the formats a pass left out because
// they could not be read; nothing when there are none.
void ReportLeftOut(const std::vector<UINT>& formats);
