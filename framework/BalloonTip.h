// A balloon that points at a control and tells the user one thing, without
// taking the keyboard or waiting for an answer: it stays a while and then
// goes by itself.
#pragma once

#include <windows.h>

#include <string>

class CBalloonTip {
public:
    // Shows text under the control in its window's font, for nShowMs; a
    // balloon already shown gives way to it. The balloon is owned by the
    // control's top-level window and goes with it.
    void Show(HWND hControl, const std::wstring& text, UINT nShowMs);
    void Hide() const;

    // The tooltip control, null until the first Show.
    HWND GetSafeHwnd() const { return m_hWnd; }

private:
    HWND m_hWnd = nullptr;
};
