#include "PelisanWindow.h"

#include "ProcessRunner.h"

namespace {

// Long enough for a notification to reach the window and a pass to run.
constexpr DWORD kQuietMs = 1500;

struct WindowSearch {
    DWORD processId;
    const std::function<bool(HWND)>& matches;
    HWND found;
};

BOOL CALLBACK FindMatchingWindow(HWND hWnd, LPARAM lParam)
{
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    DWORD processId = 0;
    GetWindowThreadProcessId(hWnd, &processId);
    if ((search->processId != 0 && processId != search->processId) || !search->matches(hWnd)) {
        return TRUE;
    }
    search->found = hWnd;
    return FALSE;
}

} // namespace

HWND FindTopLevelWindow(DWORD processId, const std::function<bool(HWND)>& matches)
{
    WindowSearch search{processId, matches, nullptr};
    EnumWindows(FindMatchingWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindPelisanWindow(DWORD processId)
{
    return FindTopLevelWindow(processId, [](HWND hWnd) { return GetPropA(hWnd, "PelisanProp") != nullptr; });
}

bool Answers(HWND hWnd)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(hWnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) != 0;
}

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs) {
            return false;
        }
        Sleep(20);
    }
    return true;
}

bool ClipboardStaysUnchanged()
{
    const DWORD sequence = GetClipboardSequenceNumber();
    Sleep(kQuietMs);
    return GetClipboardSequenceNumber() == sequence;
}

PelisanWindow::~PelisanWindow()
{
    if (m_hProcess != nullptr) {
        WaitForExit(m_hProcess, 0);
        CloseHandle(m_hProcess);
    }
}

bool PelisanWindow::Start(const std::wstring& workDir)
{
    m_hProcess = StartPelisan(L"", workDir);
    if (m_hProcess == nullptr) {
        return false;
    }
    const DWORD processId = GetProcessId(m_hProcess);
    return WaitFor([&] { return (m_hWnd = FindPelisanWindow(processId)) != nullptr; }) && Answers();
}

int PelisanWindow::Close(UINT message, WPARAM wParam)
{
    PostMessageW(m_hWnd, message, wParam, 0);
    return WaitForExit(m_hProcess, kTimeoutMs);
}
