// How a window looks at the display's scale, read from its controls: each one
// inside the window, none over another, and every text whole in its control
// (captions, static texts, combo box items, list columns and cells).
#pragma once

#include <windows.h>

#include <map>

// Controls narrower than their caption by design, with the number of leading
// characters that must show.
using ShownPrefixes = std::map<int, int>;

void ExpectLaidOut(HWND hDlg, const ShownPrefixes& prefixes = {});
