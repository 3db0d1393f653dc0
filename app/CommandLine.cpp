#include "app/CommandLine.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace {

// atoi as the Windows runtime defines it, overflow included: out-of-range
// numbers give INT_MAX or INT_MIN (the C standard leaves that undefined).
int ToInt(const char* text)
{
    return static_cast<int>(std::clamp<long long>(std::strtoll(text, nullptr, 10), INT_MIN, INT_MAX));
}

// The one flag that is a whole word; every other flag is known by its first letter.
bool IsRepairFlag(const char* flag)
{
    constexpr char word[] = "repair";
    for (std::size_t i = 0; i < sizeof word; ++i) {
        const char c = flag[i] >= 'A' && flag[i] <= 'Z' ? static_cast<char>(flag[i] - 'A' + 'a') : flag[i];
        if (c != word[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

void CConverterCommandLineInfo::ParseParam(const char* pszParam, int bFlag, int /*bLast*/)
{
    m_bConvertMode = 1;
    if (bFlag) {
        if (IsRepairFlag(pszParam)) {
            m_bRepair = 1;
        } else if (pszParam[0] == '\0') {
            m_bStandardInput = 1;
        } else if (pszParam[0] == 'r' || pszParam[0] == 'R') {
            m_bRtf = 1;
        }
    } else if (!m_bRtf) {
        m_nCodePage = ToInt(pszParam);
    } else {
        // After the flag a number is the size; anything reading as 0 is a face.
        m_nFontSize = ToInt(pszParam);
        if (m_nFontSize == 0) {
            m_strFaceName = pszParam;
        }
    }
}
