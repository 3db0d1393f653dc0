// Locales and the ANSI code pages they name, for the clipboard's CF_LOCALE.
#pragma once

#include <windows.h>

// The ANSI code page of a locale; 0 when it has none or is unknown.
UINT AnsiCodePageOf(LCID nLocale);

// A locale whose ANSI code page is nCodePage: the user's own where it
// qualifies, then the system's, then US English or Russian, else the one the
// platform makes first of its language (the lowest-numbered that is its
// language's default, or failing that the lowest-numbered). 0 when no locale has it: UTF-8, UTF-7, ISO,
// OEM and EBCDIC code pages.
LCID LocaleOfCodePage(UINT nCodePage);
