// Under Wine the desktop clipboard lives only as long as the Wine session:
// when the last Wine process ends, whatever Wine offered the X11 desktop is
// gone, the user's own copy included. The holder is a windowless Wine process
// that keeps the session alive while the clipboard's content is Wine's own,
// and ends as soon as an X11 program owns the clipboard.
#pragma once

// The holder's whole run; returns once there is nothing left to hold. Only one
// holder runs in a Wine session: a second one ends at once.
int HoldClipboard();

// Starts a holder as a process of its own, this program run with "hold". A
// holder started before this process ends leaves no moment without a Wine
// process.
void StartHolder();
