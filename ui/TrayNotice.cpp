#include "ui/TrayNotice.h"

#include <shellapi.h>

#include <algorithm>
#include <iterator>

namespace {

constexpr UINT kIconId = 1;

NOTIFYICONDATAW IconData(HWND hOwner)
{
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = hOwner;
    data.uID = kIconId;
    return data;
}

// Cut where the shell's fixed field ends.
template <std::size_t N>
void CopyInto(wchar_t (&field)[N], const std::wstring& text)
{
    const std::size_t length = std::min(text.size(), N - 1);
    std::copy_n(text.begin(), length, field);
    field[length] = L'\0';
}

} // namespace

void CTrayNotice::Show(HWND hOwner, HICON hIcon, const std::wstring& title, const std::wstring& text)
{
    if (m_hOwner != nullptr && m_hOwner != hOwner) {
        Remove();
    }
    NOTIFYICONDATAW data = IconData(hOwner);
    data.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE | NIF_INFO;
    data.uCallbackMessage = kCallbackMessage;
    data.hIcon = hIcon;
    CopyInto(data.szTip, title);
    CopyInto(data.szInfoTitle, title);
    CopyInto(data.szInfo, text);
    data.dwInfoFlags = NIIF_INFO;
    const bool shown = (m_hOwner != nullptr && ::Shell_NotifyIconW(NIM_MODIFY, &data)) ||
                       ::Shell_NotifyIconW(NIM_ADD, &data);
    m_hOwner = shown ? hOwner : nullptr;
    if (shown) {
        ::SetTimer(hOwner, kTimerId, kLifetimeMs, nullptr);
    }
}

void CTrayNotice::OnCallback(LPARAM lParam)
{
    switch (static_cast<UINT>(lParam)) {
    case NIN_BALLOONTIMEOUT:
    case NIN_BALLOONUSERCLICK:
    case NIN_BALLOONHIDE:
        Remove();
        break;
    default:
        break;
    }
}

void CTrayNotice::Remove()
{
    if (m_hOwner == nullptr) {
        return;
    }
    ::KillTimer(m_hOwner, kTimerId);
    NOTIFYICONDATAW data = IconData(m_hOwner);
    ::Shell_NotifyIconW(NIM_DELETE, &data);
    m_hOwner = nullptr;
}
