// Under Wine the desktop clipboard lives only as long as the Wine session:
// when the last Wine process ends, whatever Wine offered the X11 desktop is
// gone, the user's own copy included. The holder is a windowless Wine process
// that keeps the session alive while the clipboard's content is Wine's own,
// and ends as soon as an X11 program owns the clipboard.
#pragma once

// The holder's whole run; returns once there is nothing left to hold, or on
// a release. Only one holder runs in a Wine session: a second one ends at once.
int HoldClipboard();

bool IsHolderRunning();

// Starts a holder, this program run with "hold" as a process of its own,
// when the clipboard holds what would vanish with the session and nothing
// else keeps it: no window runs (it starts a holder when it ends), no holder
// runs and no release is under way. A holder started before this process
// ends leaves no moment without a Wine process.
void StartHolderIfNeeded();
