// pelisan /repair - : UTF-8 lines from standard input, each repaired on its
// own when it is mojibake, to standard output. Never touches the clipboard.
#pragma once

// Keeps every byte of a line it does not repair (invalid UTF-8 included) and
// every line ending as it came. Gives the exit status: 0, or
// kExitClipboardFailed when its input could not be read, its output could
// not be written whole, or a line was too long for memory.
int RunRepairFilter();
