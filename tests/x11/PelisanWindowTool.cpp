// For the shell scripts that drive pelisan.exe from the Linux side:
//   pelisan_window_tool wait         ends with 0 once the window is open and answers
//   pelisan_window_tool close        closes it as the user does; 0 once it is gone
//   pelisan_window_tool minimise     minimises it as Esc does; 0 once it is
//   pelisan_window_tool title        writes its title, UTF-8, on standard output
//   pelisan_window_tool copy TEXT    copies TEXT as an 8-bit Japanese program
//                                    does: CF_TEXT only, in code page 932
//   pelisan_window_tool copy-marked TEXT  the same, marked as a password
//                                    manager marks its copies
//   pelisan_window_tool lock         holds the clipboard open, says "locked" on
//                                    standard output, and lets it go when
//                                    standard input ends
// The window's commands give 1 when it is not open or did not act in time.
#include <windows.h>

#include <string>

#include "e2e/PelisanWindow.h"

namespace {

bool CopyCp932(const wchar_t* text, bool marked)
{
    const int bytes = WideCharToMultiByte(932, 0, text, -1, nullptr, 0, nullptr, nullptr);
    const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (bytes == 0 || block == nullptr) {
        return false;
    }
    WideCharToMultiByte(932, 0, text, -1, static_cast<char*>(GlobalLock(block)), bytes, nullptr, nullptr);
    GlobalUnlock(block);
    if (!WaitFor([] { return OpenClipboard(nullptr) != FALSE; })) {
        GlobalFree(block);
        return false;
    }
    EmptyClipboard();
    const bool copied = SetClipboardData(CF_TEXT, block) != nullptr;
    if (!copied) {
        GlobalFree(block);
    }
    if (marked) {
        SetClipboardData(RegisterClipboardFormatW(L"ExcludeClipboardContentFromMonitorProcessing"),
                         GlobalAlloc(GMEM_MOVEABLE, 1));
    }
    CloseClipboard();
    return copied;
}

void WriteOut(const std::string& bytes)
{
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

bool WriteTitle(HWND window)
{
    wchar_t title[256] = L"";
    GetWindowTextW(window, title, 256);
    char utf8[1024] = "";
    WideCharToMultiByte(CP_UTF8, 0, title, -1, utf8, sizeof(utf8), nullptr, nullptr);
    WriteOut(std::string(utf8) + "\n");
    return true;
}

bool LockClipboard()
{
    // Wine lets an opener without a window take over from another one.
    const HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (!WaitFor([&] { return OpenClipboard(owner) != FALSE; })) {
        return false;
    }
    WriteOut("locked\n");
    char buffer[64];
    DWORD read = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof(buffer), &read, nullptr) && read != 0) {
    }
    CloseClipboard();
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::wstring command = argc >= 2 ? argv[1] : L"";
    if ((command == L"copy" || command == L"copy-marked") && argc == 3) {
        return CopyCp932(argv[2], command == L"copy-marked") ? 0 : 1;
    }
    if (command == L"lock") {
        return LockClipboard() ? 0 : 1;
    }
    HWND window = nullptr;
    if (!WaitFor([&] { return (window = FindPelisanWindow(0)) != nullptr && Answers(window); })) {
        return 1;
    }
    bool done = command == L"wait";
    if (command == L"close") {
        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        done = WaitFor([&] { return !IsWindow(window); });
    } else if (command == L"minimise") {
        PostMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        done = WaitFor([&] { return IsIconic(window) != FALSE; });
    } else if (command == L"title") {
        done = WriteTitle(window);
    }
    return done ? 0 : 1;
}
