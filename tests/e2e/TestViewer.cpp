#include "TestViewer.h"

#include "unit/ClipboardProbe.h"

namespace {

constexpr wchar_t kClassName[] = L"PelisanTestViewer";

} // namespace

TestViewer::TestViewer(Handler handler, Chain chain)
    : m_handler(std::move(handler))
{
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_thread = std::thread([this, ready, chain] { Run(ready, chain); });
    WaitForSingleObject(ready, 10000);
    CloseHandle(ready);
}

TestViewer::~TestViewer()
{
    if (m_hWnd != nullptr) {
        PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
    }
    m_thread.join();
}

std::vector<DWORD> TestViewer::Notices() const
{
    const std::lock_guard lock(m_mutex);
    return m_notices;
}

void TestViewer::Run(HANDLE ready, Chain chain)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WndProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClassName;
    RegisterClassW(&windowClass); // fails harmlessly when a viewer before registered it
    const HWND window = CreateWindowExW(0, kClassName, L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                        GetModuleHandleW(nullptr), this);
    if (window == nullptr) {
        SetEvent(ready);
        return;
    }
    // The platform notifies a new viewer while it joins; that is no change.
    m_bJoined = chain == Chain::Join;
    if (m_bJoined) {
        m_hNext = SetClipboardViewer(window);
    }
    m_hWnd = window;
    SetEvent(ready);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        DispatchMessageW(&msg);
    }
}

void TestViewer::OnDrawClipboard()
{
    {
        const std::lock_guard lock(m_mutex);
        m_notices.push_back(GetClipboardSequenceNumber());
    }
    const auto passOn = [this] {
        if (m_hNext != nullptr) {
            SendMessageW(m_hNext, WM_DRAWCLIPBOARD, 0, 0);
        }
    };
    if (m_handler) {
        m_handler(passOn);
    } else {
        passOn();
    }
}

LRESULT CALLBACK TestViewer::WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        SetWindowLongPtrW(hWnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    }
    auto* viewer = reinterpret_cast<TestViewer*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    switch (message) {
    case WM_DRAWCLIPBOARD:
        if (viewer->m_hWnd != nullptr) {
            viewer->OnDrawClipboard();
        }
        return 0;
    case WM_CHANGECBCHAIN:
        if (reinterpret_cast<HWND>(wParam) == viewer->m_hNext) {
            viewer->m_hNext = reinterpret_cast<HWND>(lParam);
        } else if (viewer->m_hNext != nullptr) {
            SendMessageW(viewer->m_hNext, message, wParam, lParam);
        }
        return 0;
    case WM_DESTROY:
        if (viewer->m_bJoined) {
            ChangeClipboardChain(hWnd, viewer->m_hNext);
        }
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hWnd, message, wParam, lParam);
    }
}

TestClipboardWindow::TestClipboardWindow()
{
    g_hTestClipboardWindow = m_window.Window();
}

TestClipboardWindow::~TestClipboardWindow()
{
    g_hTestClipboardWindow = nullptr;
}
