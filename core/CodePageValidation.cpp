#include "core/CodePageValidation.h"

#include "core/Platform.h"

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

// The platform's names begin with the number and blanks in these bytes.
constexpr std::size_t kNameBytesDropped = 5;

void RecordCodePageName(const CPINFOEXA& info)
{
    // A platform that fills the whole field leaves it unterminated.
    const std::size_t length = strnlen(info.CodePageName, sizeof info.CodePageName);
    if (length > kNameBytesDropped)
        g_strCodePageName.assign(info.CodePageName + kNameBytesDropped, length - kNameBytesDropped);
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
