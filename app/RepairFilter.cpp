#include "app/RepairFilter.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <new>
#include <string>
#include <string_view>

#include "app/ExitStatus.h"
#include "repair/MojibakeRepair.h"

namespace {

constexpr DWORD kReadSize = 65536;
// Longer lines are written as they came: the platform's conversions take
// lengths as int, and a repaired line takes up to three bytes a unit.
constexpr std::size_t kLongestRepairedLine = INT_MAX / 3;

// A standard handle as the starter gave it, or else the console of the
// program that started this one (a GUI program started from a console gets
// no standard handles of its own). Null when there is neither.
HANDLE StandardHandle(DWORD which, const wchar_t* consoleName, DWORD access)
{
    const HANDLE handle = GetStdHandle(which);
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN) {
        return handle;
    }
    AttachConsole(ATTACH_PARENT_PROCESS);
    const HANDLE console = CreateFileW(consoleName, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, 0, nullptr);
    return console != INVALID_HANDLE_VALUE ? console : nullptr;
}

bool IsConsole(HANDLE handle)
{
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) != 0;
}

// Bytes in: a file or pipe as it is, a console's characters as UTF-8.
class Input {
public:
    enum class Got { Bytes, End, Failure };

    explicit Input(HANDLE handle) : m_hHandle(handle), m_bConsole(IsConsole(handle)) {}

    // Appends what came.
    Got Read(std::string& bytes)
    {
        if (m_bConsole) {
            wchar_t units[4096];
            DWORD got = 0;
            if (!ReadConsoleW(m_hHandle, units, static_cast<DWORD>(std::size(units)), &got, nullptr)) {
                return Got::Failure;
            }
            // Ctrl+Z at the start of a line ends a console's input.
            if (got == 0 || units[0] == 0x1A) {
                return Got::End;
            }
            // A character cut between two reads waits for its second half.
            m_strCarry.append(units, got);
            const bool cut = m_strCarry.back() >= 0xD800 && m_strCarry.back() <= 0xDBFF;
            bytes += ToUtf8(std::wstring_view(m_strCarry).substr(0, m_strCarry.size() - (cut ? 1 : 0)));
            m_strCarry.erase(0, m_strCarry.size() - (cut ? 1 : 0));
            return Got::Bytes;
        }
        char buffer[kReadSize];
        DWORD got = 0;
        if (!ReadFile(m_hHandle, buffer, sizeof buffer, &got, nullptr)) {
            // A pipe whose writer closed it ends this way; it is the end of
            // the input, not a failure.
            return GetLastError() == ERROR_BROKEN_PIPE ? Got::End : Got::Failure;
        }
        if (got == 0) {
            return Got::End;
        }
        bytes.append(buffer, got);
        return Got::Bytes;
    }

private:
    HANDLE m_hHandle;
    bool m_bConsole;
    std::wstring m_strCarry;
};

// Bytes out, as UTF-8 to a file or pipe, as characters to a console.
class Output {
public:
    explicit Output(HANDLE handle) : m_hHandle(handle), m_bConsole(IsConsole(handle)) {}

    // False when not everything was written: a full disk, or a reader that
    // has gone.
    bool Write(std::string_view bytes)
    {
        DWORD written = 0;
        if (m_bConsole) {
            std::wstring units(bytes.size(), L'\0');
            units.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, bytes.data(),
                                                                      static_cast<int>(bytes.size()), units.data(),
                                                                      static_cast<int>(units.size()))));
            return WriteConsoleW(m_hHandle, units.data(), static_cast<DWORD>(units.size()), &written, nullptr) != 0;
        }
        for (std::size_t done = 0; done < bytes.size(); done += written) {
            if (!WriteFile(m_hHandle, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written,
                           nullptr) ||
                written == 0) {
                return false;
            }
        }
        return true;
    }

private:
    HANDLE m_hHandle;
    bool m_bConsole;
};

// One line without its ending, repaired when it is UTF-8 that the engine
// finds garbled; otherwise its bytes exactly as they came.
void RepairLine(std::string_view line, std::string& out)
{
    constexpr std::string_view bom = "\xEF\xBB\xBF";
    const bool hasBom = line.substr(0, bom.size()) == bom;
    const std::string_view content = hasBom ? line.substr(bom.size()) : line;
    if (content.size() > kLongestRepairedLine) {
        out += line;
        return;
    }
    std::wstring text(content.size(), L'\0');
    const int length = content.empty() ? 0
                                       : MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, content.data(),
                                                             static_cast<int>(content.size()), text.data(),
                                                             static_cast<int>(text.size()));
    if (length > 0) {
        text.resize(static_cast<std::size_t>(length));
        const RepairResult repair = RepairMojibake(text);
        if (repair.bRepaired) {
            out += line.substr(0, hasBom ? bom.size() : 0);
            out += ToUtf8(repair.strText);
            return;
        }
    }
    out += line;
}

// Repairs every whole line in pending, leaving a last line without its
// ending for more input. The ending (LF or CR LF) is kept as it came.
// searched: how many of pending's bytes are known to hold no line feed, so
// that a line longer than one read is not searched again after every read.
void RepairWholeLines(std::string& pending, std::size_t& searched, std::string& out)
{
    std::size_t start = 0;
    for (std::size_t end; (end = pending.find('\n', std::max(start, searched))) != std::string::npos;
         start = end + 1) {
        const std::size_t contentEnd = end > start && pending[end - 1] == '\r' ? end - 1 : end;
        RepairLine(std::string_view(pending).substr(start, contentEnd - start), out);
        out.append(pending, contentEnd, end + 1 - contentEnd);
    }
    pending.erase(0, start);
    searched = pending.size();
}

int Filter(Input& input, Output& output)
{
    std::string pending;
    std::size_t searched = 0;
    std::string repaired;
    // What came is answered before more is awaited, so a pipe fed line by
    // line gets its lines back as they come.
    for (Input::Got got = Input::Got::Bytes; got == Input::Got::Bytes;) {
        got = input.Read(pending);
        if (got == Input::Got::Failure) {
            return kExitClipboardFailed;
        }
        RepairWholeLines(pending, searched, repaired);
        if (got == Input::Got::End && !pending.empty()) {
            RepairLine(pending, repaired);
        }
        // A reader that went away is a failure too, not an end: what it did
        // not take is lost, and a script piping into it must not take the
        // text for repaired whole (a POSIX filter dies of SIGPIPE there,
        // which its shell reports as non-zero). Nothing more is read.
        if (!repaired.empty() && !output.Write(repaired)) {
            return kExitClipboardFailed;
        }
        repaired.clear();
    }
    return kExitDone;
}

} // namespace

int RunRepairFilter()
{
    const HANDLE in = StandardHandle(STD_INPUT_HANDLE, L"CONIN$", GENERIC_READ | GENERIC_WRITE);
    const HANDLE out = StandardHandle(STD_OUTPUT_HANDLE, L"CONOUT$", GENERIC_WRITE);
    // No input at all is an empty one. No output fails only once there is
    // something to write.
    if (in == nullptr) {
        return kExitDone;
    }
    Input input(in);
    Output output(out);
    // A line too long for memory ends the run as a failure, never as an
    // abort; the lines before it are written already.
    try {
        return Filter(input, output);
    } catch (const std::bad_alloc&) {
        return kExitClipboardFailed;
    }
}
