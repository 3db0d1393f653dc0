#include "ProcessRunner.h"

std::wstring ProgramBeside(const std::wstring& file)
{
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, length);
    return path.substr(0, path.find_last_of(L"\\/") + 1) + file;
}

std::wstring PelisanPath()
{
    return ProgramBeside(L"pelisan.exe");
}

HANDLE StartPelisan(const std::wstring& arguments, const std::wstring& workDir, HANDLE stdError)
{
    return StartProgram(PelisanPath(), arguments, workDir, stdError);
}

HANDLE StartProgram(const std::wstring& path, const std::wstring& arguments, const std::wstring& workDir,
                    HANDLE stdError)
{
    return StartProgramWithHandles(path, arguments, workDir, {nullptr, nullptr, stdError});
}

HANDLE StartProgramWithHandles(const std::wstring& path, const std::wstring& arguments, const std::wstring& workDir,
                               const StandardHandles& handles)
{
    std::wstring commandLine = L"\"" + path + L"\"";
    if (!arguments.empty()) {
        commandLine += L" " + arguments;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    const bool inherit = handles.hInput != nullptr || handles.hOutput != nullptr || handles.hError != nullptr;
    if (inherit) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = handles.hInput;
        startup.hStdOutput = handles.hOutput;
        startup.hStdError = handles.hError;
    }
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, inherit, 0, nullptr,
                        workDir.empty() ? nullptr : workDir.c_str(), &startup, &process)) {
        return nullptr;
    }
    CloseHandle(process.hThread);
    return process.hProcess;
}

int WaitForExit(HANDLE process, DWORD timeoutMs)
{
    if (WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, timeoutMs);
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    return static_cast<int>(code);
}

int RunPelisan(const std::wstring& arguments, const std::wstring& workDir, DWORD timeoutMs)
{
    const HANDLE process = StartPelisan(arguments, workDir);
    if (process == nullptr) {
        return -2;
    }
    const int result = WaitForExit(process, timeoutMs);
    CloseHandle(process);
    return result;
}

int RunPelisanReadingStdError(const std::wstring& arguments, const std::wstring& workDir, std::string& stdError)
{
    stdError.clear();
    SECURITY_ATTRIBUTES inherited{sizeof(inherited), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherited, 0)) {
        return -2;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    const HANDLE process = StartPelisan(arguments, workDir, writeEnd);
    // Only the child holds the write end now: once it has ended, reading
    // gives what it wrote (a line fits in the pipe) and then the end.
    CloseHandle(writeEnd);
    if (process == nullptr) {
        CloseHandle(readEnd);
        return -2;
    }
    const int result = WaitForExit(process, 20000);
    CloseHandle(process);
    char buffer[512];
    DWORD got = 0;
    while (ReadFile(readEnd, buffer, sizeof(buffer), &got, nullptr) && got != 0) {
        stdError.append(buffer, got);
    }
    CloseHandle(readEnd);
    return result;
}

std::wstring MakeTempDir()
{
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    static unsigned counter = 0;
    for (;;) {
        std::wstring dir = std::wstring(base) + L"pelisan-e2e-" + std::to_wstring(GetCurrentProcessId()) +
                           L"-" + std::to_wstring(++counter);
        if (CreateDirectoryW(dir.c_str(), nullptr)) {
            return dir;
        }
    }
}

bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
