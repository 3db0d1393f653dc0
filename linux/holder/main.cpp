// The Windows half of the Linux launcher:
//   pelisan_holder run [ARGUMENTS]  maps the dialog fonts in the Wine prefix
//                                   where missing, runs pelisan.exe with the
//                                   arguments as written, reports its status
//                                   to the launcher, starts a holder where one
//                                   is needed and ends with that status
//   pelisan_holder convert-now      converts or repairs the clipboard now
//   pelisan_holder repair-now       (ActionRequest.h), reports the status and
//                                   what to tell the user, and starts a
//                                   holder where one is needed
//   pelisan_holder hold             keeps the clipboard (ClipboardHolder.h)
//   pelisan_holder release          ends the window and the holder
//                                   (SessionRelease.h) and reports whether
//                                   it could
// What it shares with the launcher is in linux/LinuxSession.h.
#include <windows.h>

#include "ActionRequest.h"
#include "ClipboardHolder.h"
#include "FontReplacements.h"
#include "PelisanRunner.h"
#include "SessionRelease.h"
#include "linux/LinuxSession.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    const Command command = SplitCommand(GetCommandLineW());
    if (command.verb == kHoldVerb) {
        return HoldClipboard();
    }
    if (command.verb == kReleaseVerb) {
        const DWORD status = ReleaseSession() ? kReleased : kNotReleased;
        ReportToLauncher(status);
        return static_cast<int>(status);
    }
    if (command.verb == kConvertNowVerb || command.verb == kRepairNowVerb) {
        const std::optional<ActionAnswer> answer =
            DoActionNow(command.verb == kConvertNowVerb ? kActionConvert : kActionRepair);
        if (!answer) {
            return kNotStarted;
        }
        ReportToLauncher(answer->status, answer->notice);
        StartHolderIfNeeded();
        return static_cast<int>(answer->status);
    }
    if (command.verb != kRunVerb) {
        return kNotStarted;
    }
    AddMissingFontReplacements();
    const std::optional<DWORD> status = RunPelisan(command.tail);
    if (!status) {
        return kNotStarted;
    }
    ReportToLauncher(*status);
    StartHolderIfNeeded();
    return static_cast<int>(*status);
}
