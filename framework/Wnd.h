// A window handle with the operations the program's windows share.
#pragma once

#include <windows.h>

#include <string>

class CWnd {
public:
    CWnd() = default;
    explicit CWnd(HWND hWnd) : m_hWnd(hWnd) {}
    virtual ~CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }

    // Window texts cross as code page 932 (the program's 8-bit texts).
    void SetWindowText(const char* pszText) const;
    std::string GetWindowText() const;

    HWND m_hWnd = nullptr;
};
