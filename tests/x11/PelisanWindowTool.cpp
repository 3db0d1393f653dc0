// For the shell scripts that drive pelisan.exe from the Linux side:
//   pelisan_window_tool wait   ends with 0 once the window is open and answers
//   pelisan_window_tool close  closes it as the user does; 0 once it is gone
// Either gives 1 when that did not happen within the time limit.
#include <windows.h>

#include <string>

#include "e2e/PelisanWindow.h"

int wmain(int argc, wchar_t** argv)
{
    const std::wstring command = argc == 2 ? argv[1] : L"";
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
