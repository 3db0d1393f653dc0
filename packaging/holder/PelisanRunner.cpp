#include "PelisanRunner.h"

#include <windows.h>

namespace {

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

const wchar_t* SkipBlanks(const wchar_t* p)
{
    while (IsBlank(*p)) {
        ++p;
    }
    return p;
}

// The program's name follows the system's rule: quoted up to the next quote,
// or up to the first blank; no escapes.
const wchar_t* SkipProgramName(const wchar_t* p)
{
    if (*p == L'"') {
        ++p;
        while (*p != L'\0' && *p != L'"') {
            ++p;
        }
        return *p == L'"' ? p + 1 : p;
    }
    while (*p != L'\0' && !IsBlank(*p)) {
        ++p;
    }
    return p;
}

std::wstring BesideSelf(const wchar_t* name)
{
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring path(self, length);
    return path.substr(0, path.find_last_of(L"\\/") + 1) + name;
}

// The caller's standard handles, inheritable, so that what pelisan.exe writes
// reaches the terminal the launcher was started from.
void PassStandardHandles(STARTUPINFOW& startup)
{
    startup.dwFlags |= STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    for (HANDLE handle : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) {
        SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    }
}

} // namespace

Command SplitCommand(const wchar_t* commandLine)
{
    const wchar_t* verb = SkipBlanks(SkipProgramName(commandLine));
    const wchar_t* verbEnd = verb;
    while (*verbEnd != L'\0' && !IsBlank(*verbEnd)) {
        ++verbEnd;
    }
    return {std::wstring(verb, verbEnd), SkipBlanks(verbEnd)};
}

int RunPelisan(const std::wstring& tail)
{
    std::wstring commandLine = L"\"" + BesideSelf(L"pelisan.exe") + L"\"";
    if (!tail.empty()) {
        commandLine += L" " + tail;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PassStandardHandles(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return kNotStarted;
    }
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hProcess);
    return static_cast<int>(status);
}
