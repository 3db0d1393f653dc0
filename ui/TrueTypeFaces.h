// The TrueType face names the platform offers for one character set.
#pragma once

#include <windows.h>

// One face name: code page 932 text, NUL-padded.
constexpr int kFaceSlotSize = 32;

// The enumeration the names come from; tests point it elsewhere to change the
// fonts between the counting and the filling pass.
using EnumFontFamiliesExWProc = int(WINAPI*)(HDC, LPLOGFONTW, FONTENUMPROCW, LPARAM, DWORD);
extern EnumFontFamiliesExWProc g_pfnEnumFontFamiliesEx;

// A movable global block of nCount face slots sorted by _stricmp, or null
// with nCount 0 when there is none. Vertical-writing variants ("@...") and
// fonts other than TrueType are left out. The caller frees the block.
HGLOBAL EnumTrueTypeFaces(HDC hdc, int nCharSet, int& nCount);
