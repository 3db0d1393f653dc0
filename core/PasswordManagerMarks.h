// Password managers mark their copies so that clipboard tools leave them
// alone: a tool that rewrote such a copy would own it, and the manager's
// timed clearing of its own copy would no longer find the password.
#pragma once

#include <windows.h>

// True when the clipboard, which the caller has open, offers one of the
// marks: "ExcludeClipboardContentFromMonitorProcessing", "Clipboard Viewer
// Ignore", or (from the X11 desktop) "x-kde-passwordManagerHint" holding
// "secret".
bool IsPasswordManagerCopy();

// Whether the format is one of those marks (the hint whatever it holds): a
// copy made anew from a marked one carries them over, so that histories and
// other tools still leave it alone.
bool IsPasswordManagerMark(UINT nFormat);
