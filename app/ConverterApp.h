// The application object: chooses between one command-line pass and the
// interactive window, and owns the RTF font table while the window runs.
#pragma once

#include "app/FontSetting.h"
#include "framework/WinApp.h"

class CConverterApp : public CWinApp {
public:
    CConverterApp();

    BOOL InitInstance() override;
    // A command-line pass's status; 0 for the window's run.
    int ExitInstance() override;

    // The RTF font table, built from the first nCount entries of the code page list.
    void LoadFontSettings(int nCount);
    // Writes every row to the INI file and releases the table.
    void SaveFontSettings();
    // The first row for the code page, or null.
    const FontSetting* FindFontSetting(UINT nCodePage) const;

    FontSetting* m_pFontSettings = nullptr;
    int m_nFontSettings = 0;
    HANDLE m_hInstanceMutex = nullptr;
    int m_nExitStatus = 0;

private:
    int RunCommandLinePass(const class CConverterCommandLineInfo& info);
    void RunInteractive();
};

// Raises the running instance's window: the EnumWindows callback of the
// single-instance rule.
BOOL CALLBACK ActivateInstanceProc(HWND hWnd, LPARAM lParam);

// The settings file, in the current directory; the Linux holder reads the
// saved code page from it for a request that finds no window.
constexpr const char kProfileName[] = ".\\Pelisan.ini";

// The names by which a second start finds the first.
constexpr const char kInstanceMutexName[] = "PelisanInst";
constexpr const char kInstancePropName[] = "PelisanProp";
