// The Windows half of the Linux launcher:
//   pelisan_holder run [ARGUMENTS]  maps the dialog fonts in the Wine prefix
//                                   where missing, runs pelisan.exe with the
//                                   arguments as written, starts a holder and
//                                   ends with pelisan.exe's exit status
//   pelisan_holder hold             keeps the clipboard (ClipboardHolder.h)
#include <windows.h>

#include "ClipboardHolder.h"
#include "FontReplacements.h"
#include "PelisanRunner.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    const Command command = SplitCommand(GetCommandLineW());
    if (command.verb == L"hold") {
        return HoldClipboard();
    }
    if (command.verb != L"run") {
        return kNotStarted;
    }
    AddMissingFontReplacements();
    const int status = RunPelisan(command.tail);
    StartHolder();
    return status;
}
