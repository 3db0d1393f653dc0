#include "app/ExitStatus.h"

#include <windows.h>

#include <string>

#include "core/CopyReader.h"

namespace {

// A GUI program has a standard error only when its starter gave it one: a
// redirection, or under Wine the terminal it was started from. Started by
// cmd's "start /wait" it has none, but may write to cmd's console.
void WriteErrorLine(const std::string& line)
{
    DWORD written = 0;
    const DWORD length = static_cast<DWORD>(line.size());
    const HANDLE stdError = GetStdHandle(STD_ERROR_HANDLE);
    if (stdError != nullptr && stdError != INVALID_HANDLE_VALUE && GetFileType(stdError) != FILE_TYPE_UNKNOWN) {
        WriteFile(stdError, line.data(), length, &written, nullptr);
        return;
    }
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) {
        return;
    }
    const HANDLE console = CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, 0, nullptr);
    if (console != INVALID_HANDLE_VALUE) {
        WriteFile(console, line.data(), length, &written, nullptr);
        CloseHandle(console);
    }
    FreeConsole();
}

// A Linux terminal under Wine ends lines with a line feed alone; a carriage
// return shows there as a stray character. Wine's own ntdll names its version.
const char* LineEnd()
{
    const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return wine ? "\n" : "\r\n";
}

} // namespace

ExitStatus ExitStatusOf(PassResult result)
{
    return result == PassResult::ClipboardFailed ? kExitClipboardFailed : kExitDone;
}

void ReportLeftOut(const std::vector<UINT>& formats)
{
    if (formats.empty()) {
        return;
    }
    // UTF-8: a program may register any name.
    const std::wstring names = ClipboardFormatNames(formats);
    const int length = static_cast<int>(names.size());
    std::string bytes(static_cast<std::size_t>(
                          WideCharToMultiByte(CP_UTF8, 0, names.data(), length, nullptr, 0, nullptr, nullptr)),
                      '\0');
    WideCharToMultiByte(CP_UTF8, 0, names.data(), length, bytes.data(), static_cast<int>(bytes.size()), nullptr,
                        nullptr);
    WriteErrorLine("pelisan: converted; left out what could not be read: " + bytes + LineEnd());
}

void ReportExitStatus(ExitStatus status, int nCodePage)
{
    // English: the terminal or log that reads this may not show Japanese.
    switch (status) {
    case kExitUnusableCodePage:
        WriteErrorLine("pelisan: code page " + std::to_string(nCodePage) +
                       " is not usable on this system; nothing was converted" + LineEnd());
        break;
    case kExitClipboardFailed:
        WriteErrorLine(std::string("pelisan: the clipboard could not be read or written, or changed meanwhile; "
                                   "nothing was converted") +
                       LineEnd());
        break;
    case kExitNotRepaired:
        WriteErrorLine("pelisan: this version repairs only standard input (pelisan /repair -); "
                       "the clipboard is unchanged\r\n");
        break;
    case kExitDone:
        break;
    }
}
