#include "core/CodePageLocale.h"

#include <cwchar>
#include <initializer_list>

namespace {

struct Search {
    UINT nCodePage;
    LCID nFound;
};

// The search runs on the one user-interface thread.
Search* g_pSearch = nullptr;

bool IsLanguageDefault(LCID nLocale)
{
    return SUBLANGID(LANGIDFROMLCID(nLocale)) == SUBLANG_DEFAULT;
}

// Keeps the better of the locale met and the one found so far.
BOOL CALLBACK ConsiderLocale(LPWSTR pszLocale)
{
    const auto locale = static_cast<LCID>(std::wcstoul(pszLocale, nullptr, 16));
    const LCID found = g_pSearch->nFound;
    if (AnsiCodePageOf(locale) != g_pSearch->nCodePage) {
        return TRUE;
    }
    const bool better = found == 0 || IsLanguageDefault(locale) > IsLanguageDefault(found) ||
                        (IsLanguageDefault(locale) == IsLanguageDefault(found) && locale < found);
    if (better) {
        g_pSearch->nFound = locale;
    }
    return TRUE;
}

} // namespace

UINT AnsiCodePageOf(LCID nLocale)
{
    DWORD codePage = 0;
    if (!::GetLocaleInfoW(nLocale, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                          reinterpret_cast<LPWSTR>(&codePage), sizeof codePage / sizeof(WCHAR))) {
        return 0;
    }
    return codePage;
}

LCID LocaleOfCodePage(UINT nCodePage)
{
    if (nCodePage == 0) {
        return 0;
    }
    // Then the languages most text in 1252 and 1251 is written in: by number
    // alone those code pages would name Catalan and Bulgarian, and a word
    // processor tags the pasted text with that language.
    const LCID english = MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT);
    const LCID russian = MAKELCID(MAKELANGID(LANG_RUSSIAN, SUBLANG_RUSSIAN_RUSSIA), SORT_DEFAULT);
    for (const LCID own : {::GetUserDefaultLCID(), ::GetSystemDefaultLCID(), english, russian}) {
        if (AnsiCodePageOf(own) == nCodePage) {
            return own;
        }
    }
    // Asked at every pass through a code page that is not the user's: the
    // answer of the last such search is kept.
    static Search s_last{0, 0};
    if (s_last.nCodePage != nCodePage) {
        Search search{nCodePage, 0};
        g_pSearch = &search;
        ::EnumSystemLocalesW(&ConsiderLocale, LCID_SUPPORTED);
        g_pSearch = nullptr;
        s_last = search;
    }
    return s_last.nFound;
}
