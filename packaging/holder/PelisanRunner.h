#pragma once

#include <string>

// The exit status when pelisan.exe could not be started at all.
constexpr int kNotStarted = 127;

// What follows the program's own name and the first argument on a command
// line, exactly as written: the first argument is this program's verb, the
// rest goes to pelisan.exe unchanged, quoting and all.
struct Command {
    std::wstring verb;
    std::wstring tail;
};
Command SplitCommand(const wchar_t* commandLine);

// Runs pelisan.exe, which lies beside this program, with the command-line
// tail in the current directory, and waits for it to end; its exit status,
// or kNotStarted.
int RunPelisan(const std::wstring& tail);
