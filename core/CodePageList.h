// The code pages the user can choose: one labelled entry per usable code page,
// in the main window's sorted list.
#pragma once

#include <windows.h>

#include <array>

#include "core/CodePageValidation.h"

class CComboBox;

// The list to fill; set by the main window before FillCodePageList.
extern CComboBox* g_pCodePageCombo;

// GetCPInfoExA while the enumeration runs; null where the platform lacks it.
extern GetCPInfoExAProc g_pfnGetCPInfoEx;

// The EnumSystemCodePagesA callback: adds the code page if usable. Always TRUE.
BOOL CALLBACK CodePageEnumProc(LPSTR pszCodePage);

// Adds every usable installed code page, UTF-7 and UTF-8 through their probes.
void FillCodePageList();

struct CodePageNameEntry {
    UINT nCodePage;
    const char* pszName;  // code page 932 text
};

constexpr std::size_t kCodePageNameCount = 143;

// Japanese names by ascending code page, then a row of 0 and null.
extern const std::array<CodePageNameEntry, kCodePageNameCount + 1> g_codePageNames;
