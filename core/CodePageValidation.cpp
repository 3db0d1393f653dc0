#include "core/CodePageValidation.h"

#include "core/Platform.h"
#include "framework/Cp932.h"

#include <algorithm>
#include <cstring>
#include <string_view>

std::string g_strCodePageName;

namespace {

// "가123あ": a Hangul syllable, digits and a kana, so both converters have to
// leave and re-enter their direct ASCII form.
const wchar_t kProbeText[] = {0xAC00, L'1', L'2', L'3', 0x3042};
constexpr int kProbeLength = static_cast<int>(sizeof kProbeText / sizeof kProbeText[0]);
constexpr std::string_view kProbeUtf7 = "+rAA-123+MEI-";
constexpr std::string_view kProbeUtf8 = "\xEA\xB0\x80"
                                        "123"
                                        "\xE3\x81\x82";

// Windows begins a name with the number and blanks ("1252  (ANSI - Latin I)"),
// Wine does not ("ISO 8859-13 Latin 7 (Baltic)"): a number counts only when
// a blank or the end follows it.
std::wstring_view WithoutLeadingNumber(std::wstring_view name)
{
    const auto skipBlanks = [](std::wstring_view text) {
        return text.substr(std::min(text.find_first_not_of(L' '), text.size()));
    };
    name = skipBlanks(name);
    const std::size_t digits = std::min(name.find_first_not_of(L"0123456789"), name.size());
    if (digits == 0 || (digits < name.size() && name[digits] != L' '))
        return name;
    return skipBlanks(name.substr(digits));
}

void RecordCodePageName(const CPINFOEXA& info)
{
    // A platform that fills the whole field leaves it unterminated.
    const std::string_view name(info.CodePageName, strnlen(info.CodePageName, sizeof info.CodePageName));
    // The platform's own text, in the system's ANSI code page.
    g_strCodePageName = ToCp932(WithoutLeadingNumber(FromCodePage(g_platform.GetACP(), name)));
}

} // namespace

BOOL ProbeUtfConversion(UINT nCodePage)
{
    std::string_view expected;
    if (nCodePage == CP_UTF7)
        expected = kProbeUtf7;
    else if (nCodePage == CP_UTF8)
        expected = kProbeUtf8;
    else
        return FALSE;

    char output[16] = {};
    const int written = g_platform.WideCharToMultiByte(nCodePage, 0, kProbeText, kProbeLength, output,
                                                       static_cast<int>(sizeof output), nullptr, nullptr);
    if (written < static_cast<int>(expected.size()))
        return FALSE;
    return std::string_view(output, expected.size()) == expected ? TRUE : FALSE;
}

BOOL ValidateCodePage(UINT nCodePage, GetCPInfoExAProc pfnGetCPInfoEx)
{
    if (nCodePage == CP_UTF7 || nCodePage == CP_UTF8)
        return ProbeUtfConversion(nCodePage);

    g_strCodePageName.clear();
    if (!g_platform.IsValidCodePage(nCodePage))
        return FALSE;

    if (pfnGetCPInfoEx) {
        CPINFOEXA info = {};
        if (!pfnGetCPInfoEx(nCodePage, 0, &info))
            return FALSE;
        RecordCodePageName(info);
        return TRUE;
    }

    CPINFO info = {};
    return g_platform.GetCPInfo(nCodePage, &info) ? TRUE : FALSE;
}
