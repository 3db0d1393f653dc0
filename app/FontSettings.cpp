#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "app/ConverterApp.h"
#include "core/CharSet.h"
#include "core/CodePageList.h"
#include "framework/ComboBox.h"
#include "framework/Cp932.h"

namespace {

void ReadFaceName(const CWinApp& app, const char* pszKey, char (&szFaceName)[32])
{
    const std::string face = app.GetProfileString(kFaceSection, pszKey);
    // Cut at a character boundary, so a long name stays valid text.
    const std::size_t length = Cp932PrefixLength(face, sizeof(szFaceName) - 1);
    std::memcpy(szFaceName, face.data(), length);
    szFaceName[length] = '\0';
}

// The low 16 bits of the stored size. A size the font picker would refuse
// (a damaged or hand-edited file, a negative number) means no size: written
// as it stands, an RTF copy would ask for a font of thousands of points.
std::uint16_t ReadSize(const CWinApp& app, const char* pszKey)
{
    const auto size = static_cast<std::uint16_t>(app.GetProfileInt(kSizeSection, pszKey, 0));
    return size <= kMaxFontSize ? size : 0;
}

} // namespace

void CConverterApp::LoadFontSettings(int nCount)
{
    delete[] m_pFontSettings;
    m_pFontSettings = nullptr;
    m_nFontSettings = 0;
    if (g_pCodePageCombo == nullptr) {
        return;
    }
    // Indices past the list's end name no entry; reading them would only cost time.
    const int count = std::min(nCount, g_pCodePageCombo->GetCount());
    if (count <= 0) {
        return;
    }
    m_pFontSettings = new (std::nothrow) FontSetting[static_cast<std::size_t>(count)];
    if (m_pFontSettings == nullptr) {
        return;
    }
    for (int i = 0; i < count; ++i) {
        const UINT codePage = static_cast<UINT>(g_pCodePageCombo->GetItemData(i));
        unsigned charSet = 0;
        if (!CharSetOfCodePage(codePage, &charSet)) {
            continue;
        }
        FontSetting& row = m_pFontSettings[m_nFontSettings];
        row.nListIndex = static_cast<std::uint16_t>(i);
        row.nCodePage = static_cast<std::uint16_t>(codePage);
        row.nCharSet = static_cast<std::uint16_t>(charSet);
        const FontKey key = FontKeyOf(codePage);
        ReadFaceName(*this, key.text, row.szFaceName);
        row.nSize = ReadSize(*this, key.text);
        ++m_nFontSettings;
    }
}

void CConverterApp::SaveFontSettings()
{
    if (m_pFontSettings == nullptr) {
        return;
    }
    for (int i = 0; i < m_nFontSettings; ++i) {
        const FontSetting& row = m_pFontSettings[i];
        const FontKey key = FontKeyOf(row.nCodePage);
        WriteProfileString(kFaceSection, key.text, row.szFaceName);
        WriteProfileInt(kSizeSection, key.text, row.nSize);
    }
    delete[] m_pFontSettings;
    m_pFontSettings = nullptr;
    m_nFontSettings = 0;
}

const FontSetting* CConverterApp::FindFontSetting(UINT nCodePage) const
{
    for (int i = 0; i < m_nFontSettings; ++i) {
        if (m_pFontSettings[i].nCodePage == nCodePage) {
            return &m_pFontSettings[i];
        }
    }
    return nullptr;
}
