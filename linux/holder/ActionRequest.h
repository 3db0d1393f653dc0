// pelisan --convert-now and --repair-now: the clipboard converted or repaired
// now, by the running window as its key would, or, with no window, by a
// command-line pass with the saved settings; one request at a time, and
// never a second window.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "app/WindowAction.h"

struct ActionAnswer {
    // The status a command-line run ends with (app/ExitStatus.h).
    DWORD status;
    // What to tell the user: the window's words, or the pass's; may be empty.
    std::wstring notice;
};

// None when pelisan.exe was needed and could not be started.
std::optional<ActionAnswer> DoActionNow(WindowAction action);
