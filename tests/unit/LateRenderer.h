// A copying program that places its formats without data and renders each
// when a reader asks for it, counting the requests; it can be slow to render
// a format, or fail to. Its window belongs to the thread that makes it, which
// must take messages while others read.
#pragma once

#include <windows.h>

#include <map>
#include <set>
#include <string>

#include "ClipboardProbe.h"

class LateRenderer {
public:
    explicit LateRenderer(std::map<UINT, std::string> formats) : m_formats(std::move(formats))
    {
        m_hWnd = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc));
    }
    ~LateRenderer() { DestroyWindow(m_hWnd); }
    LateRenderer(const LateRenderer&) = delete;
    LateRenderer& operator=(const LateRenderer&) = delete;

    bool Copy()
    {
        if (!OpenRealClipboard(m_hWnd)) {
            return false;
        }
        // A viewer on this thread reads the copy as it is closed.
        requests.clear();
        const bool emptied = EmptyClipboard() != 0;
        for (const auto& entry : m_formats) {
            SetClipboardData(entry.first, nullptr); // rendered on request
        }
        CloseClipboard();
        return emptied;
    }

    std::map<UINT, int> requests;
    std::map<UINT, DWORD> renderingMs; // how long rendering the format takes
    std::set<UINT> failing;            // formats it renders nothing for

private:
    static LRESULT CALLBACK Proc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<LateRenderer*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
        if (message == WM_RENDERFORMAT) {
            const auto format = static_cast<UINT>(wParam);
            ++self->requests[format];
            const auto slow = self->renderingMs.find(format);
            if (slow != self->renderingMs.end()) {
                Sleep(slow->second);
            }
            const auto found = self->m_formats.find(format);
            if (found != self->m_formats.end() && self->failing.count(format) == 0) {
                SetClipboardData(format, NewBlock(found->second));
            }
            return 0;
        }
        return DefWindowProcW(hWnd, message, wParam, lParam);
    }

    std::map<UINT, std::string> m_formats;
    HWND m_hWnd = nullptr;
};
