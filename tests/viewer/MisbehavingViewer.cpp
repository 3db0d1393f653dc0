// A clipboard viewer as a process of its own, for the tests of a broken chain:
//   pelisan_test_viewer pass     passes every notification on, as it should
//   pelisan_test_viewer swallow  passes nothing on and ignores chain changes
// Either joins the chain at start and leaves it when closed; its window's
// title reads "joined" from then on. A posted WM_APP makes it hang: its
// thread takes no message for wParam milliseconds. Killed, it ends without
// leaving the chain.
#include <windows.h>

#include <string>

namespace {

constexpr wchar_t kJoinedTitle[] = L"joined";

bool g_bSwallow = false;
HWND g_hNext = nullptr;

LRESULT CALLBACK ViewerProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DRAWCLIPBOARD:
        if (!g_bSwallow && g_hNext != nullptr) {
            SendMessageW(g_hNext, message, wParam, lParam);
        }
        return 0;
    case WM_CHANGECBCHAIN:
        if (g_bSwallow) {
            return 0;
        }
        if (reinterpret_cast<HWND>(wParam) == g_hNext) {
            g_hNext = reinterpret_cast<HWND>(lParam);
        } else if (g_hNext != nullptr) {
            SendMessageW(g_hNext, message, wParam, lParam);
        }
        return 0;
    case WM_APP:
        Sleep(static_cast<DWORD>(wParam));
        return 0;
    case WM_DESTROY:
        ChangeClipboardChain(hWnd, g_hNext);
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hWnd, message, wParam, lParam);
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR pszCommandLine, int)
{
    const std::wstring mode = pszCommandLine;
    if (mode != L"pass" && mode != L"swallow") {
        return 2;
    }
    g_bSwallow = mode == L"swallow";
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = ViewerProc;
    windowClass.hInstance = hInstance;
    windowClass.lpszClassName = L"PelisanMisbehavingViewer";
    RegisterClassW(&windowClass);
    const HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                        hInstance, nullptr);
    if (window == nullptr) {
        return 1;
    }
    g_hNext = SetClipboardViewer(window);
    SetWindowTextW(window, kJoinedTitle);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        DispatchMessageW(&msg);
    }
    return 0;
}
