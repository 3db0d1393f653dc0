// pelisan --release: ends Pelisan's part of the Wine session, so that the
// session can end (wineserver -w returns, a new Wine version starts afresh).
#pragma once

#include <windows.h>

// The request is an event of the session, set while a release runs: the
// holder waits on it, and no holder starts while it is set.
HANDLE OpenReleaseRequest();
bool IsReleaseRequested();

// Closes the running window as its close box does (its open dialogs
// cancelled first, its settings saved) and ends the holder; whether both
// ended so in time.
bool ReleaseSession();
