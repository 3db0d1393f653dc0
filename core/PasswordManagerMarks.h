// Password managers mark their copies so that clipboard tools leave them
// alone: a tool that rewrote such a copy would own it, and the manager's
// timed clearing of its own copy would no longer find the password.
#pragma once

// True when the clipboard, which the caller has open, offers one of the
// marks: "ExcludeClipboardContentFromMonitorProcessing", "Clipboard Viewer
// Ignore", or (from the X11 desktop) "x-kde-passwordManagerHint" holding
// "secret".
bool IsPasswordManagerCopy();
