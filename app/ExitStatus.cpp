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

std::string ToUtf8(std::wstring_view text)
{
    std::string bytes(text.size() * 3, '\0');
    bytes.resize(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                                              bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                                              nullptr)));
    return bytes;
}

ExitStatus ExitStatusOf(PassResult result)
{
    return result == PassResult::ClipboardFailed || result == PassResult::TextUnreadable ? kExitClipboardFailed
                                                                                          : kExitDone;
}

ExitStatus ExitStatusOf(RepairOutcome outcome)
{
    switch (outcome) {
    case RepairOutcome::Repaired: return kExitDone;
    case RepairOutcome::ClipboardFailed:
    case RepairOutcome::TextUnreadable: return kExitClipboardFailed;
    case RepairOutcome::NoText:
    case RepairOutcome::NothingToRepair: break;
    }
    return kExitNotRepaired;
}

void ReportLeftOut(const std::vector<UINT>& formats)
{
    if (formats.empty()) {
        return;
    }
    // UTF-8: a program may register any name.
    WriteErrorLine("pelisan: converted; left out what could not be read: " + ToUtf8(ClipboardFormatNames(formats)) +
                   LineEnd());
}

void ReportExitStatus(ExitStatus status, int nCodePage, bool bRepair, bool bTextUnreadable)
{
    // English: the terminal or log that reads this may not show Japanese.
    const std::string nothingDone = bRepair ? "nothing was repaired" : "nothing was converted";
    if (bTextUnreadable) {
        WriteErrorLine("pelisan: the program that copied the text did not give it (it failed, or did not answer in "
                       "time); " +
                       nothingDone + LineEnd());
        return;
    }
    switch (status) {
    case kExitUnusableCodePage:
        WriteErrorLine("pelisan: code page " + std::to_string(nCodePage) +
                       " is not usable on this system; " + nothingDone + LineEnd());
        break;
    case kExitClipboardFailed:
        WriteErrorLine("pelisan: the clipboard could not be read or written, or changed meanwhile; " + nothingDone +
                       LineEnd());
        break;
    case kExitNotRepaired: // ReportRepair says why
    case kExitDone:
        break;
    }
}

void ReportRepair(const ClipboardRepair& repair)
{
    switch (repair.outcome) {
    case RepairOutcome::Repaired:
        WriteErrorLine("pelisan: repaired mojibake (" + DescribeRepair(repair.steps) + ")" + LineEnd());
        break;
    case RepairOutcome::NoText:
        WriteErrorLine(std::string("pelisan: the clipboard holds no text; nothing was repaired") + LineEnd());
        break;
    case RepairOutcome::NothingToRepair:
        WriteErrorLine(std::string("pelisan: found no mojibake in the clipboard's text that it can repair for sure; "
                                   "the clipboard is unchanged") +
                       LineEnd());
        break;
    case RepairOutcome::ClipboardFailed:
    case RepairOutcome::TextUnreadable:
        break;
    }
}
