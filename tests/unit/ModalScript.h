// Drives the program's modal dialogs the way a user does: each step of a
// script runs inside whatever modal loop is running (a dialog, a nested
// dialog, a message box) once that loop has nothing else to do, and gets the
// dialog in front. A step acts by posting, so that a dialog it opens runs its
// own loop and the next step finds it in front.
//
// When the steps are done, or one of them failed an assertion, the dialogs
// still open are closed one by one, so a failing test never hangs.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <deque>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>

#include "framework/Dialog.h"

inline std::wstring TextOf(HWND hWnd)
{
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(hWnd)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(hWnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

inline std::wstring ItemTextOf(HWND hDlg, int nID)
{
    return TextOf(::GetDlgItem(hDlg, nID));
}

inline void PostClick(HWND hDlg, int nID)
{
    ::PostMessageW(::GetDlgItem(hDlg, nID), BM_CLICK, 0, 0);
}

// Keeps the last visible dialog box of the enumeration (a named callback:
// on 32-bit Windows a lambda does not convert to the stdcall WNDENUMPROC).
inline BOOL CALLBACK KeepVisibleDialog(HWND hWnd, LPARAM lParam)
{
    wchar_t className[16] = L"";
    ::GetClassNameW(hWnd, className, 16);
    if (!::IsWindowVisible(hWnd) || std::wstring(className) != L"#32770") {
        return TRUE;
    }
    *reinterpret_cast<HWND*>(lParam) = hWnd;
    return FALSE;
}

// The newest visible dialog box of this thread, message boxes included.
inline HWND FrontDialog()
{
    HWND front = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), KeepVisibleDialog, reinterpret_cast<LPARAM>(&front));
    return front;
}

class ModalScript {
public:
    using Step = std::function<void(HWND hFront)>;

    ModalScript() = default;
    ModalScript(std::initializer_list<Step> steps) : m_steps(steps) {}
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    void Then(Step step) { m_steps.push_back(std::move(step)); }

    // DoModal with the script running; every step must have run by its end.
    INT_PTR Run(CDialog& dlg)
    {
        s_pRunning = this;
        const UINT_PTR timer = ::SetTimer(nullptr, 0, kTickMs, OnTick);
        const INT_PTR result = dlg.DoModal();
        ::KillTimer(nullptr, timer);
        s_pRunning = nullptr;
        EXPECT_TRUE(m_steps.empty()) << m_steps.size() << " step(s) never ran";
        return result;
    }

private:
    static constexpr UINT kTickMs = 10;
    // Ticks a dialog may stay open after the last step before it is closed.
    static constexpr int kGraceTicks = 100;

    static void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD)
    {
        ModalScript* script = s_pRunning;
        if (script == nullptr) {
            return;
        }
        if (::testing::Test::HasFatalFailure()) {
            script->m_steps.clear();
            script->m_nIdleTicks = kGraceTicks;
        }
        // A dialog a step opens is shown only once its loop finds the queue
        // empty, and a tick already due comes first: it gets that tick.
        if (std::exchange(script->m_bSettling, false)) {
            return;
        }
        if (!script->m_steps.empty()) {
            Step step = std::move(script->m_steps.front());
            script->m_steps.pop_front();
            script->m_bSettling = true;
            step(FrontDialog());
            return;
        }
        if (++script->m_nIdleTicks >= kGraceTicks) {
            script->m_nIdleTicks = 0;
            ::PostMessageW(FrontDialog(), WM_CLOSE, 0, 0);
        }
    }

    static inline ModalScript* s_pRunning = nullptr;
    std::deque<Step> m_steps;
    int m_nIdleTicks = 0;
    bool m_bSettling = false;
};
