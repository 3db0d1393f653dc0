#include "FontReplacements.h"

#include <windows.h>

#include <cwchar>

namespace {

struct FontReplacement {
    const wchar_t* face;
    const wchar_t* replacement;
};

// Wine has none of these faces; without a stand-in the dialogs' Japanese
// shows as empty boxes. Wine links its menu and tooltip font, Tahoma, to
// "MS UI Gothic" for the characters it lacks: the context menu's Japanese.
constexpr FontReplacement kReplacements[] = {
    {L"ＭＳ ゴシック", L"IPAGothic"},
    {L"ＭＳ Ｐゴシック", L"IPAPGothic"},
    {L"MS Gothic", L"IPAGothic"},
    {L"MS PGothic", L"IPAPGothic"},
    {L"MS UI Gothic", L"IPAPGothic"},
};

} // namespace

void AddMissingFontReplacements()
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Fonts\\Replacements", 0, nullptr, 0,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    for (const FontReplacement& font : kReplacements) {
        // A mapping the user chose, whatever its type, stays as it is.
        if (RegQueryValueExW(key, font.face, nullptr, nullptr, nullptr, nullptr) != ERROR_FILE_NOT_FOUND) {
            continue;
        }
        const DWORD bytes = static_cast<DWORD>((std::wcslen(font.replacement) + 1) * sizeof(wchar_t));
        RegSetValueExW(key, font.face, 0, REG_SZ, reinterpret_cast<const BYTE*>(font.replacement), bytes);
    }
    RegCloseKey(key);
}
