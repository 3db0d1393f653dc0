// Keeps the main window hearing of every clipboard change when other programs
// break the clipboard-viewer chain: a later viewer that passes nothing on, one
// that ended without leaving, one that hangs. Where the platform has it, the
// window also listens to the clipboard-update notification; a change the
// chain has not announced shortly after is handed to the window as if it
// had been, and the window then rejoins the chain at its head.
#pragma once

#include <windows.h>

#include <vector>

class CClipboardWatch {
public:
    // The window's timer that ends the wait for the chain's announcement.
    static constexpr UINT_PTR kTimerId = 1;

    // Listens for the window where the platform can; what is on the
    // clipboard now counts as handled.
    void Start(HWND hWnd);
    void Stop();

    // Takes the clipboard's present change for handling: false when it was
    // taken already, so that a notification that comes round again, or
    // comes after the repair, is neither handled nor passed on twice.
    bool TakeChange();

    // The update notification: waits for the chain to announce the change.
    void OnClipboardUpdate();
    // The wait is over: true when the change is still not taken.
    bool OnTimer();

    // Rejoins the chain at its head: gives the window's next viewer.
    HWND Rejoin(HWND hNextViewer) const;

    // Passes a chain notice on, unless the same notice is being passed on
    // already: a viewer that missed the window's rejoining at the head sends
    // it back to the window, and each round would nest in the last until a
    // stack overflowed.
    void PassOnChainChange(HWND hNextViewer, HWND hRemoved, HWND hAfter);

private:
    void StopWaiting();

    struct ChainNotice {
        HWND hRemoved;
        HWND hAfter;
    };
    std::vector<ChainNotice> m_passing;

    HWND m_hWnd = nullptr;
    DWORD m_nTakenSequence = 0;
    bool m_bWaiting = false;
    BOOL(WINAPI* m_pfnRemoveListener)(HWND) = nullptr;
};

// Passes a chain message on, waiting for the next viewer only briefly.
void PassOnToNextViewer(HWND hNextViewer, UINT message, WPARAM wParam, LPARAM lParam);
