#include "PelisanRunner.h"

#include <string>

#include "linux/LinuxSession.h"

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
void PassStandardHandles(STARTUPINFOW& startup, HANDLE stdError)
{
    startup.dwFlags |= STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = stdError != nullptr ? stdError : GetStdHandle(STD_ERROR_HANDLE);
    for (HANDLE handle : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) {
        SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    }
}

BOOL CALLBACK FindWindowProc(HWND hWnd, LPARAM lParam)
{
    if (GetPropA(hWnd, kInstancePropName) == nullptr) {
        return TRUE;
    }
    *reinterpret_cast<HWND*>(lParam) = hWnd;
    return FALSE;
}

std::wstring RunName(DWORD programProcessId)
{
    return kRunMutexPrefix + std::to_wstring(programProcessId);
}

} // namespace

std::string Utf8Of(const std::wstring& text)
{
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), length, nullptr,
                        nullptr);
    return bytes;
}

Command SplitCommand(const wchar_t* commandLine)
{
    const wchar_t* verb = SkipBlanks(SkipProgramName(commandLine));
    const wchar_t* verbEnd = verb;
    while (*verbEnd != L'\0' && !IsBlank(*verbEnd)) {
        ++verbEnd;
    }
    return {std::wstring(verb, verbEnd), SkipBlanks(verbEnd)};
}

std::optional<DWORD> RunPelisan(const std::wstring& tail, HANDLE stdError)
{
    std::wstring commandLine = L"\"" + BesideSelf(L"pelisan.exe") + L"\"";
    if (!tail.empty()) {
        commandLine += L" " + tail;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PassStandardHandles(startup, stdError);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return std::nullopt;
    }
    CloseHandle(process.hThread);
    // Owned until this process ends, which abandons it: whoever waits for it
    // learns that the run has ended.
    CreateMutexW(nullptr, TRUE, RunName(process.dwProcessId).c_str());
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hProcess);
    return status;
}

HWND FindRunningWindow()
{
    HWND window = nullptr;
    EnumWindows(FindWindowProc, reinterpret_cast<LPARAM>(&window));
    return window;
}

HANDLE OpenRunOf(DWORD programProcessId)
{
    return OpenMutexW(SYNCHRONIZE, FALSE, RunName(programProcessId).c_str());
}

void ReportToLauncher(DWORD status, const std::wstring& notice)
{
    wchar_t path[MAX_PATH * 4];
    const DWORD length = GetEnvironmentVariableW(kStatusFileVariable, path, MAX_PATH * 4);
    // Wine's own translation of a Linux path; absent outside Wine.
    using DosFileName = WCHAR*(CDECL*)(const char*);
    const auto dosFileName = reinterpret_cast<DosFileName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
    if (length == 0 || length >= MAX_PATH * 4 || dosFileName == nullptr) {
        return;
    }
    WCHAR* dosPath = dosFileName(Utf8Of(path).c_str());
    if (dosPath == nullptr) {
        return;
    }
    const HANDLE file = CreateFileW(dosPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    HeapFree(GetProcessHeap(), 0, dosPath);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    std::string text = std::to_string(status) + "\n";
    if (!notice.empty()) {
        text += Utf8Of(notice) + "\n";
    }
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}
