// pelisan.exe started without arguments, as a user starts it: its window as a
// process of its own, found by its property and closed as a user closes it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

constexpr DWORD kTimeoutMs = 20000;

// Polls the condition until it holds; false when it did not within timeoutMs.
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = kTimeoutMs);

// No clipboard change for a while: whatever the last change started has ended.
bool ClipboardStaysUnchanged();

// A top-level window that matches, of the given process or, with 0, of any;
// null when there is none.
HWND FindTopLevelWindow(DWORD processId, const std::function<bool(HWND)>& matches);

// The window with the program's property, as above.
HWND FindPelisanWindow(DWORD processId);

// The window answers a message within a few seconds. The property is set
// while the window opens; the first message it answers comes after its
// opening has finished.
bool Answers(HWND hWnd);

class PelisanWindow {
public:
    PelisanWindow() = default;
    // A process still running is killed.
    ~PelisanWindow();
    PelisanWindow(const PelisanWindow&) = delete;
    PelisanWindow& operator=(const PelisanWindow&) = delete;

    // Starts the program in workDir and waits until its window has opened
    // and handles messages; false when it did not within the time limit.
    bool Start(const std::wstring& workDir);

    bool Answers() const { return ::Answers(m_hWnd); }

    // Asks the window to close as the user does; the process's exit code,
    // -1 when it does not end.
    int Close(UINT message = WM_SYSCOMMAND, WPARAM wParam = SC_CLOSE);

    HANDLE Process() const { return m_hProcess; }
    HWND Window() const { return m_hWnd; }

private:
    HANDLE m_hProcess = nullptr;
    HWND m_hWnd = nullptr;
};
