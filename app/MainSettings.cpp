#include "app/MainSettings.h"

#include "framework/WinApp.h"

namespace {

int ReadInt(const CWinApp& app, const char* pszKey, int nDefault)
{
    return static_cast<int>(app.GetProfileInt(kSettingsSection, pszKey, nDefault));
}

BOOL ReadFlag(const CWinApp& app, const char* pszKey, BOOL bDefault)
{
    return ReadInt(app, pszKey, bDefault) != 0 ? 1 : 0;
}

// A key the settings dialog could have saved: none, or a key with Ctrl or
// Alt (alone or with Shift, the rest would take typing from every program),
// and no modifier bits beyond the control's.
WORD ReadHotKey(const CWinApp& app, const char* pszKey, WORD wDefault)
{
    const UINT value = app.GetProfileInt(kSettingsSection, pszKey, wDefault);
    const UINT key = value & 0xFF;
    const UINT modifiers = value >> 8;
    const UINT known = HOTKEYF_SHIFT | HOTKEYF_CONTROL | HOTKEYF_ALT | HOTKEYF_EXT;
    const bool valid = key != 0 && (modifiers & ~known) == 0 && (modifiers & (HOTKEYF_CONTROL | HOTKEYF_ALT)) != 0;
    return value == 0 || valid ? static_cast<WORD>(value) : wDefault;
}

} // namespace

void LoadSettings(const CWinApp& app, MainSettings& settings)
{
    const MainSettings defaults;
    settings.m_nCodePage = app.GetProfileInt(kSettingsSection, kCodePageKey, static_cast<int>(defaults.m_nCodePage));
    settings.m_nPosX = ReadInt(app, "XPOS", defaults.m_nPosX);
    settings.m_nPosY = ReadInt(app, "YPOS", defaults.m_nPosY);
    settings.m_bAutoConvert = ReadFlag(app, "AUTO", defaults.m_bAutoConvert);
    settings.m_bSleepMinimized = ReadFlag(app, "MSLP", defaults.m_bSleepMinimized);
    settings.m_bTopMost = ReadFlag(app, "TOPM", defaults.m_bTopMost);
    settings.m_bAddRtf = ReadFlag(app, kAddRtfKey, defaults.m_bAddRtf);
    settings.m_wConvertHotKey = ReadHotKey(app, "HKCV", defaults.m_wConvertHotKey);
    settings.m_wRepairHotKey = ReadHotKey(app, "HKRP", defaults.m_wRepairHotKey);
}

void SaveSettings(const CWinApp& app, const MainSettings& settings)
{
    app.WriteProfileInt(kSettingsSection, kCodePageKey, static_cast<int>(settings.m_nCodePage));
    app.WriteProfileInt(kSettingsSection, "XPOS", settings.m_nPosX);
    app.WriteProfileInt(kSettingsSection, "YPOS", settings.m_nPosY);
    app.WriteProfileInt(kSettingsSection, "AUTO", settings.m_bAutoConvert);
    app.WriteProfileInt(kSettingsSection, "MSLP", settings.m_bSleepMinimized);
    app.WriteProfileInt(kSettingsSection, "TOPM", settings.m_bTopMost);
    app.WriteProfileInt(kSettingsSection, kAddRtfKey, settings.m_bAddRtf);
    app.WriteProfileInt(kSettingsSection, "HKCV", settings.m_wConvertHotKey);
    app.WriteProfileInt(kSettingsSection, "HKRP", settings.m_wRepairHotKey);
}
