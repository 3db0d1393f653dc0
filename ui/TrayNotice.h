// A notification from the notification area for a window that is minimised:
// its icon is added only to carry the notification and removed when the
// notification goes (timed out, clicked, closed), or at the latest after
// kLifetimeMs, for shells that do not say.
#pragma once

#include <windows.h>

#include <string>

class CTrayNotice {
public:
    // The owner's message for the icon's news (lParam: NIN_BALLOON...), and
    // the owner's timer that removes it at the latest.
    static constexpr UINT kCallbackMessage = WM_APP + 0x39;
    static constexpr UINT_PTR kTimerId = 0x7EA1;
    static constexpr UINT kLifetimeMs = 30000;

    // A notification already shown gives way to this one.
    void Show(HWND hOwner, HICON hIcon, const std::wstring& title, const std::wstring& text);
    // The icon's news: removes the icon once its notification went.
    void OnCallback(LPARAM lParam);
    void Remove();

private:
    HWND m_hOwner = nullptr;
};
