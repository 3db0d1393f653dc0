// The platform operations of the conversion core, reached through one table so
// that a test can make a single operation fail. The defaults are the real
// Win32 functions; nothing else stands in for the clipboard.
#pragma once

#include <windows.h>

struct PlatformApi {
    BOOL(WINAPI* OpenClipboard)(HWND);
    BOOL(WINAPI* CloseClipboard)();
    BOOL(WINAPI* EmptyClipboard)();
    HANDLE(WINAPI* GetClipboardData)(UINT);
    HANDLE(WINAPI* SetClipboardData)(UINT, HANDLE);
    UINT(WINAPI* EnumClipboardFormats)(UINT);
    UINT(WINAPI* RegisterClipboardFormatA)(LPCSTR);
    DWORD(WINAPI* GetClipboardSequenceNumber)();

    HGLOBAL(WINAPI* GlobalAlloc)(UINT, SIZE_T);
    HGLOBAL(WINAPI* GlobalFree)(HGLOBAL);
    LPVOID(WINAPI* GlobalLock)(HGLOBAL);
    BOOL(WINAPI* GlobalUnlock)(HGLOBAL);
    SIZE_T(WINAPI* GlobalSize)(HGLOBAL);

    int(WINAPI* MultiByteToWideChar)(UINT, DWORD, LPCCH, int, LPWSTR, int);
    int(WINAPI* WideCharToMultiByte)(UINT, DWORD, LPCWCH, int, LPSTR, int, LPCCH, LPBOOL);
    UINT(WINAPI* GetACP)();
    BOOL(WINAPI* IsValidCodePage)(UINT);
    BOOL(WINAPI* GetCPInfo)(UINT, LPCPINFO);
    BOOL(WINAPI* EnumSystemCodePagesA)(CODEPAGE_ENUMPROCA, DWORD);

    HMODULE(WINAPI* LoadLibraryA)(LPCSTR);
    FARPROC(WINAPI* GetProcAddress)(HMODULE, LPCSTR);
    BOOL(WINAPI* FreeLibrary)(HMODULE);

    void(WINAPI* Sleep)(DWORD);

    // How the window passes clipboard notices on to the next viewer.
    LRESULT(WINAPI* SendMessageTimeoutW)(HWND, UINT, WPARAM, LPARAM, UINT, UINT, PDWORD_PTR);

    // Copies of the clipboard's picture handles, and their release.
    HANDLE(WINAPI* CopyImage)(HANDLE, UINT, int, int, UINT);
    HENHMETAFILE(WINAPI* CopyEnhMetaFileW)(HENHMETAFILE, LPCWSTR);
    HMETAFILE(WINAPI* CopyMetaFileW)(HMETAFILE, LPCWSTR);
    UINT(WINAPI* GetPaletteEntries)(HPALETTE, UINT, UINT, LPPALETTEENTRY);
    HPALETTE(WINAPI* CreatePalette)(const LOGPALETTE*);
    BOOL(WINAPI* DeleteObject)(HGDIOBJ);
    BOOL(WINAPI* DeleteEnhMetaFile)(HENHMETAFILE);
    BOOL(WINAPI* DeleteMetaFile)(HMETAFILE);
};

// The table in use; tests replace entries and restore the defaults after.
extern PlatformApi g_platform;

// The real Win32 functions.
const PlatformApi& DefaultPlatform();
