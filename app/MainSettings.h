// The seven settings of the INI file's SET section, as the main window holds them.
#pragma once

#include <windows.h>

class CWinApp;

struct MainSettings {
    UINT m_nCodePage = 932;
    int m_nPosX = 100;
    int m_nPosY = 100;
    BOOL m_bAutoConvert = 1;
    BOOL m_bSleepMinimized = 1;
    BOOL m_bTopMost = 0;
    BOOL m_bAddRtf = 1;
};

// Reads the seven keys, defaults for the missing ones; the flags become 0 or 1.
void LoadSettings(const CWinApp& app, MainSettings& settings);

// Writes all seven keys, changed or not.
void SaveSettings(const CWinApp& app, const MainSettings& settings);
