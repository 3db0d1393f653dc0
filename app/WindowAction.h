// The two actions the running window does on request: from its system-wide
// keys, and from another process (the Linux launcher's --convert-now and
// --repair-now), which sends or posts the message registered under
// kActionMessageName to the window marked with kInstancePropName, wParam one
// of the actions below. With lParam 0 the window handles it exactly as the
// key, told the same way. With lParam a window of the asking process, the
// window tells nothing itself: before the request returns, it sends that
// window WM_COPYDATA with dwData the status a command-line run would have
// ended with (app/ExitStatus.h) and the data what it would have told, UTF-16
// without a terminator, empty when it did nothing to tell of. A sent request
// returns 1 when the window took it, 0 for an unknown action.
#pragma once

#include <windows.h>

constexpr const char kActionMessageName[] = "PelisanWindowAction";

// Also the ids of the window's hotkeys, so WM_HOTKEY's wParam is the action.
enum WindowAction : int {
    kActionConvert = 1,
    kActionRepair = 2,
};
