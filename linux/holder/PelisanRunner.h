#pragma once

#include <windows.h>

#include <optional>
#include <string>

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
// or none when it could not be started. Its standard error is this one's,
// or stdError, an inheritable handle, when given. From the start to the end
// of this process, the run is known by the program's process id (OpenRunOf).
std::optional<DWORD> RunPelisan(const std::wstring& tail, HANDLE stdError = nullptr);

// The running window, found by its mark; null when none runs.
HWND FindRunningWindow();

// The run of the program with this process id, to wait for its end; null
// when it was not started by a run.
HANDLE OpenRunOf(DWORD programProcessId);

std::string Utf8Of(const std::wstring& text);

// Tells the launcher the status, and what to tell the user where there is
// anything, in the file that PELISAN_STATUS_FILE names by its Linux path:
// Wine's own exit status cannot tell a program that ended with 1 from a Wine
// that failed to start (linux/LinuxSession.h).
void ReportToLauncher(DWORD status, const std::wstring& notice = {});
