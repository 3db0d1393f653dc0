// Device contexts: painting in WM_PAINT (CPaintDC) and outside it (CClientDC).
#pragma once

#include <windows.h>

class CWnd;

class CDC {
public:
    CDC() = default;
    virtual ~CDC() = default;
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    HDC GetSafeHdc() const { return m_hDC; }
    // Fills the rectangle with one colour; leaves the background colour set to it.
    void FillSolidRect(const RECT* lpRect, COLORREF color) const;
    BOOL DrawIcon(int x, int y, HICON hIcon) const { return ::DrawIcon(m_hDC, x, y, hIcon); }

    HDC m_hDC = nullptr;
};

// BeginPaint .. EndPaint of the window's WM_PAINT.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(const CWnd* pWnd);
    ~CPaintDC() override;

    PAINTSTRUCT m_ps{};

private:
    HWND m_hWnd;
};

// GetDC .. ReleaseDC of the window's client area.
class CClientDC : public CDC {
public:
    explicit CClientDC(const CWnd* pWnd);
    ~CClientDC() override;

private:
    HWND m_hWnd;
};
