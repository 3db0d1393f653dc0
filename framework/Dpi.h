// The display scale of a window. Pixel values that a program draws or places
// itself are written for 96 DPI and scaled to the window's DPI; dialog units
// scale by themselves.
//
// The calls that know a DPI per window and monitor came with Windows 10 1607
// and are looked up at run time, so that the program still starts on older
// Windows, where a process sees only the system's DPI. Tests may clear the
// pointers to run the older way.
#pragma once

#include <windows.h>

using GetDpiForWindowProc = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiProc = int(WINAPI*)(int, UINT);
extern GetDpiForWindowProc g_pfnGetDpiForWindow;
extern GetSystemMetricsForDpiProc g_pfnGetSystemMetricsForDpi;

// The DPI the window is drawn at.
UINT GetWindowDpi(HWND hWnd);
// nPixels at 96 DPI, at nDpi.
int ScaleToDpi(int nPixels, UINT nDpi);
// GetSystemMetrics at nDpi.
int GetSystemMetricsAtDpi(int nIndex, UINT nDpi);
