// Whether a code page can be converted with, and the platform's name for it.
#pragma once

#include <windows.h>

#include <string>

using GetCPInfoExAProc = BOOL(WINAPI*)(UINT, DWORD, LPCPINFOEXA);

// The platform's name of the code page validated last through GetCPInfoExA,
// as code page 932 text without a leading number; else empty.
extern std::string g_strCodePageName;

// Non-zero when the code page is usable. pfnGetCPInfoEx may be null where the
// platform lacks GetCPInfoExA; GetCPInfo then decides and no name is recorded.
BOOL ValidateCodePage(UINT nCodePage, GetCPInfoExAProc pfnGetCPInfoEx);

// Non-zero when the platform converts a fixed text to exactly the expected
// UTF-7 (65000) or UTF-8 (65001) bytes; zero for any other code page.
BOOL ProbeUtfConversion(UINT nCodePage);
