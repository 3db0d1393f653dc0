// Starts pelisan.exe as a process of its own, waiting for it to end or not.
#pragma once

#include <windows.h>

#include <string>

// A program built beside this test program.
std::wstring ProgramBeside(const std::wstring& file);
// The built pelisan.exe beside this test program.
std::wstring PelisanPath();

// Runs pelisan.exe with the command-line tail in workDir. Gives its exit code,
// or -1 when it did not end within timeoutMs (it is then killed).
int RunPelisan(const std::wstring& arguments, const std::wstring& workDir, DWORD timeoutMs = 20000);

// Runs pelisan.exe as RunPelisan does, with its standard error read into stdError.
int RunPelisanReadingStdError(const std::wstring& arguments, const std::wstring& workDir, std::string& stdError);

// Starts pelisan.exe without waiting, with stdError as its standard error
// when given; the process handle (the caller closes it), or null when it
// could not be started.
HANDLE StartPelisan(const std::wstring& arguments, const std::wstring& workDir, HANDLE stdError = nullptr);
// The same for any program.
HANDLE StartProgram(const std::wstring& path, const std::wstring& arguments, const std::wstring& workDir,
                    HANDLE stdError = nullptr);

// Inheritable handles to start a program with; null ones stay without.
struct StandardHandles {
    HANDLE hInput;
    HANDLE hOutput;
    HANDLE hError;
};
HANDLE StartProgramWithHandles(const std::wstring& path, const std::wstring& arguments, const std::wstring& workDir,
                               const StandardHandles& handles);

// Waits for the process to end: its exit code, or -1 when it did not end
// within timeoutMs (it is then killed).
int WaitForExit(HANDLE process, DWORD timeoutMs);

// A fresh empty directory under the temporary folder.
std::wstring MakeTempDir();
bool FileExists(const std::wstring& path);
