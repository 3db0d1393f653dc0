#include "framework/Dpi.h"

namespace {

template <typename Proc>
Proc User32Proc(const char* pszName)
{
    return reinterpret_cast<Proc>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), pszName)));
}

UINT SystemDpi()
{
    const HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
    ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

} // namespace

GetDpiForWindowProc g_pfnGetDpiForWindow = User32Proc<GetDpiForWindowProc>("GetDpiForWindow");
GetSystemMetricsForDpiProc g_pfnGetSystemMetricsForDpi =
    User32Proc<GetSystemMetricsForDpiProc>("GetSystemMetricsForDpi");

UINT GetWindowDpi(HWND hWnd)
{
    // 0 for a window that is no longer there.
    const UINT dpi = g_pfnGetDpiForWindow != nullptr ? g_pfnGetDpiForWindow(hWnd) : 0;
    return dpi != 0 ? dpi : SystemDpi();
}

int ScaleToDpi(int nPixels, UINT nDpi)
{
    return ::MulDiv(nPixels, static_cast<int>(nDpi), USER_DEFAULT_SCREEN_DPI);
}

int GetSystemMetricsAtDpi(int nIndex, UINT nDpi)
{
    // Without the call the process has one DPI, the system's, which is the
    // one GetSystemMetrics answers for.
    return g_pfnGetSystemMetricsForDpi != nullptr ? g_pfnGetSystemMetricsForDpi(nIndex, nDpi)
                                                  : ::GetSystemMetrics(nIndex);
}
