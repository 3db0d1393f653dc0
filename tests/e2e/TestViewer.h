// A window of the test's own in a thread of its own, so that it answers
// while the test's main thread copies or waits: a clipboard viewer, or just
// a window to own the test's copies (whose owner the platform calls on the
// next emptying). Joined before the program's window, a viewer comes after
// it in the chain and hears what the window passes on; joined after, it
// heads the chain and hears every change first.
#pragma once

#include <windows.h>

#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class TestViewer {
public:
    // Runs in the window's thread for each notification; passOn hands it to
    // the next viewer. Without a handler every notification is passed on.
    using Handler = std::function<void(const std::function<void()>& passOn)>;
    enum class Chain { Join, StayOut };

    explicit TestViewer(Handler handler = {}, Chain chain = Chain::Join);
    // Leaves the chain.
    ~TestViewer();
    TestViewer(const TestViewer&) = delete;
    TestViewer& operator=(const TestViewer&) = delete;

    bool Ready() const { return m_hWnd != nullptr; }
    HWND Window() const { return m_hWnd; }
    // The clipboard's sequence number at each notification, in order.
    std::vector<DWORD> Notices() const;

private:
    static LRESULT CALLBACK WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Run(HANDLE ready, Chain chain);
    void OnDrawClipboard();

    Handler m_handler;
    HWND m_hWnd = nullptr;
    bool m_bJoined = false;
    HWND m_hNext = nullptr;
    mutable std::mutex m_mutex;
    std::vector<DWORD> m_notices;
    std::thread m_thread;
};

// A window outside the chain with which this test process opens the clipboard
// while the object lives: it owns the test's copies, answers the platform's
// call when another program empties the clipboard, and keeps a pass that
// opens without a window out while the test holds the clipboard.
class TestClipboardWindow {
public:
    TestClipboardWindow();
    ~TestClipboardWindow();
    TestClipboardWindow(const TestClipboardWindow&) = delete;
    TestClipboardWindow& operator=(const TestClipboardWindow&) = delete;

    bool Ready() const { return m_window.Ready(); }

private:
    TestViewer m_window{{}, TestViewer::Chain::StayOut};
};
