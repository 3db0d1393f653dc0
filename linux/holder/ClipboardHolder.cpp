#include "ClipboardHolder.h"

#include <windows.h>

#include <string>

#include "SessionRelease.h"
#include "core/ClipboardSession.h"
#include "core/PasswordManagerMarks.h"
#include "linux/LinuxSession.h"

namespace {

// Wine's desktop process serves the X11 clipboard. It takes the Windows
// clipboard over whenever an X11 program copies; the content then lives in
// that program, and Wine's session may end without losing it.
bool ClipboardIsWines()
{
    const HWND owner = GetClipboardOwner();
    if (owner == nullptr) {
        return true;
    }
    DWORD ownerProcess = 0;
    DWORD desktopProcess = 0;
    GetWindowThreadProcessId(owner, &ownerProcess);
    GetWindowThreadProcessId(GetDesktopWindow(), &desktopProcess);
    return ownerProcess != desktopProcess;
}

// What a Windows program put there, Pelisan included; a password manager's
// copy is left to vanish, as its manager means it to. One whose marks cannot
// be read (another program holds the clipboard) is kept: nothing is lost.
bool ClipboardNeedsHolding()
{
    if (CountClipboardFormats() == 0 || !ClipboardIsWines()) {
        return false;
    }
    const ClipboardSession session;
    return !session.IsOpen() || !IsPasswordManagerCopy();
}

// The bridge to X11 lives in the desktop process; null when there is none:
// no X display was named, or it went away, or the session was killed.
HANDLE OpenDesktopProcess()
{
    if (GetEnvironmentVariableW(L"DISPLAY", nullptr, 0) == 0) {
        return nullptr;
    }
    DWORD desktopProcess = 0;
    GetWindowThreadProcessId(GetDesktopWindow(), &desktopProcess);
    return desktopProcess != 0 ? OpenProcess(SYNCHRONIZE, FALSE, desktopProcess) : nullptr;
}

// The one holder of the session holds this name; null when another one does.
HANDLE ClaimHolderName()
{
    const HANDLE mutex = CreateMutexW(nullptr, FALSE, kHolderMutexName);
    if (mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return nullptr;
    }
    return mutex;
}

// Whether the opened object existed; the handle is not kept.
bool Existed(HANDLE object)
{
    if (object == nullptr) {
        return false;
    }
    CloseHandle(object);
    return true;
}

void StartHolder()
{
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self, length) + L"\" " + kHoldVerb;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    // Detached from the console, so that it outlives the terminal it was
    // started from.
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr,
                       &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

} // namespace

int HoldClipboard()
{
    // Without the bridge there is nothing to keep alive.
    const HANDLE desktop = OpenDesktopProcess();
    const HANDLE release = OpenReleaseRequest();
    HANDLE name = ClaimHolderName();
    if (desktop == nullptr || release == nullptr || name == nullptr) {
        return 0;
    }
    const HANDLE ends[] = {desktop, release};
    // Any message wakes the loop: every clipboard change is looked at afresh.
    const HWND listener = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    AddClipboardFormatListener(listener);
    for (;;) {
        if (!ClipboardNeedsHolding()) {
            // The name goes first: a run that ends after this finds it free and
            // starts a holder of its own; one that ended before wrote its
            // result before this second look.
            CloseHandle(name);
            if (!ClipboardNeedsHolding() || (name = ClaimHolderName()) == nullptr) {
                return 0;
            }
        }
        const DWORD woken = MsgWaitForMultipleObjects(2, ends, FALSE, INFINITE, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0 || woken == WAIT_OBJECT_0 + 1) {
            return 0;
        }
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&msg);
        }
    }
}

bool IsHolderRunning()
{
    return Existed(OpenMutexW(SYNCHRONIZE, FALSE, kHolderMutexName));
}

void StartHolderIfNeeded()
{
    const bool windowRuns = Existed(OpenMutexA(SYNCHRONIZE, FALSE, kInstanceMutexName));
    if (windowRuns || IsHolderRunning() || IsReleaseRequested() || !ClipboardNeedsHolding()) {
        return;
    }
    StartHolder();
}
