// The nine settings of the INI file's SET section, as the main window holds them.
#pragma once

#include <windows.h>
#include <commctrl.h>

class CWinApp;

// Ctrl+Alt+Shift with the letters of the buttons' access keys, 変換 (&U) and
// 修復 (&R): Windows keeps Win for itself, Ctrl+Alt is AltGr on many
// keyboards, and programs bind Ctrl+Shift and Ctrl+Alt letters, rarely all three.
constexpr WORD kDefaultConvertHotKey = MAKEWORD('U', HOTKEYF_CONTROL | HOTKEYF_ALT | HOTKEYF_SHIFT);
constexpr WORD kDefaultRepairHotKey = MAKEWORD('R', HOTKEYF_CONTROL | HOTKEYF_ALT | HOTKEYF_SHIFT);

// The section, and the keys the Linux holder reads too.
constexpr char kSettingsSection[] = "SET";
constexpr char kCodePageKey[] = "CDPG";
constexpr char kAddRtfKey[] = "ARTF";

struct MainSettings {
    UINT m_nCodePage = 932;
    int m_nPosX = 100;
    int m_nPosY = 100;
    BOOL m_bAutoConvert = 1;
    BOOL m_bSleepMinimized = 1;
    BOOL m_bTopMost = 0;
    BOOL m_bAddRtf = 1;
    // System-wide keys as a hotkey control holds them (the key in the low
    // byte, HOTKEYF_ modifiers in the high byte), 0 for none.
    WORD m_wConvertHotKey = kDefaultConvertHotKey;
    WORD m_wRepairHotKey = kDefaultRepairHotKey;
};

// Reads the nine keys, defaults for the missing ones; the flags become 0 or 1,
// a key that no hotkey control can hold becomes its default.
void LoadSettings(const CWinApp& app, MainSettings& settings);

// Writes all nine keys, changed or not.
void SaveSettings(const CWinApp& app, const MainSettings& settings);
