#include "SessionRelease.h"

#include "ClipboardHolder.h"
#include "PelisanRunner.h"
#include "linux/LinuxSession.h"

namespace {

// Time for a window, a dialog or the holder to end once asked.
constexpr DWORD kEndMs = 10000;
// A dialog can open a message box: a few layers at most.
constexpr int kMostDialogs = 8;

bool WaitUntil(bool (*done)(HWND), HWND hWnd)
{
    const DWORD start = GetTickCount();
    while (!done(hWnd)) {
        if (GetTickCount() - start > kEndMs) {
            return false;
        }
        Sleep(50);
    }
    return true;
}

// The window leaves its modal loop only once the dialogs opened from it have
// ended: each is cancelled, the last one opened first.
void CancelDialogs(HWND window)
{
    for (int i = 0; i < kMostDialogs; ++i) {
        const HWND dialog = GetLastActivePopup(window);
        if (dialog == window || dialog == nullptr) {
            return;
        }
        PostMessageW(dialog, WM_CLOSE, 0, 0);
        if (!WaitUntil([](HWND hWnd) { return !IsWindow(hWnd); }, dialog)) {
            return;
        }
    }
}

// Whether no window runs any more: none ran, or it closed in time, its
// settings saved, and the run that started it ended.
bool CloseRunningWindow()
{
    const HWND window = FindRunningWindow();
    if (window == nullptr) {
        return true;
    }
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    const HANDLE program = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, processId);
    if (program == nullptr) {
        return false;
    }
    const HANDLE run = OpenRunOf(processId);
    CancelDialogs(window);
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    // A window that does not close within the time loses its settings, but
    // the session still ends.
    const bool closed = WaitForSingleObject(program, kEndMs) == WAIT_OBJECT_0;
    if (!closed) {
        TerminateProcess(program, 1);
    }
    CloseHandle(program);
    // Its run decides on a holder once it has ended; it must see the request.
    bool runEnded = true;
    if (run != nullptr) {
        runEnded = WaitForSingleObject(run, kEndMs) != WAIT_TIMEOUT;
        CloseHandle(run);
    }
    return closed && runEnded;
}

} // namespace

HANDLE OpenReleaseRequest()
{
    return CreateEventW(nullptr, TRUE, FALSE, kReleaseRequestName);
}

bool IsReleaseRequested()
{
    const HANDLE request = OpenEventW(SYNCHRONIZE, FALSE, kReleaseRequestName);
    const bool requested = request != nullptr && WaitForSingleObject(request, 0) == WAIT_OBJECT_0;
    if (request != nullptr) {
        CloseHandle(request);
    }
    return requested;
}

bool ReleaseSession()
{
    const HANDLE request = OpenReleaseRequest();
    // Unasked, the holder would keep running, and the window's run start one.
    const bool requested = request != nullptr && SetEvent(request);
    const bool windowClosed = CloseRunningWindow();
    const bool holderEnded = WaitUntil([](HWND) { return !IsHolderRunning(); }, nullptr);
    if (request != nullptr) {
        CloseHandle(request);
    }
    return requested && windowClosed && holderEnded;
}
