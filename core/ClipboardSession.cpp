#include "core/ClipboardSession.h"

#include "core/Platform.h"

namespace {

// Waits of 8, 16, 32, 64 and 128 ms between six attempts: 248 ms in all.
constexpr int kOpenAttempts = 6;
constexpr DWORD kFirstWaitMs = 8;

} // namespace

ClipboardSession::ClipboardSession()
{
    DWORD waitMs = kFirstWaitMs;
    for (int attempt = 1;; ++attempt) {
        if (g_platform.OpenClipboard(nullptr)) {
            m_bOpen = true;
            return;
        }
        if (attempt == kOpenAttempts) {
            return;
        }
        g_platform.Sleep(waitMs);
        waitMs *= 2;
    }
}

ClipboardSession::~ClipboardSession()
{
    if (m_bOpen) {
        g_platform.CloseClipboard();
    }
}
