// For the shell scripts that drive pelisan.exe from the Linux side:
//   pelisan_window_tool wait       ends with 0 once the window is open and answers
//   pelisan_window_tool close      closes it as the user does; 0 once it is gone
//   pelisan_window_tool copy TEXT  copies TEXT as an 8-bit Japanese program
//                                  does: CF_TEXT only, in code page 932
// Wait and close give 1 when that did not happen within the time limit.
#include <windows.h>

#include <string>

#include "e2e/PelisanWindow.h"

namespace {

bool CopyCp932(const wchar_t* text)
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
    CloseClipboard();
    if (!copied) {
        GlobalFree(block);
    }
    return copied;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::wstring command = argc >= 2 ? argv[1] : L"";
    if (command == L"copy" && argc == 3) {
        return CopyCp932(argv[2]) ? 0 : 1;
    }
    HWND window = nullptr;
    const bool open = WaitFor([&] { return (window = FindPelisanWindow(0)) != nullptr && Answers(window); });
    if (command == L"wait") {
        return open ? 0 : 1;
    }
    if (command == L"close" && open) {
        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        return WaitFor([&] { return !IsWindow(window); }) ? 0 : 1;
    }
    return 1;
}
