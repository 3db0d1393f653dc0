// The application object: one global instance, constructed before WinMain,
// whose InitInstance carries the whole run.
#pragma once

#include <windows.h>

#include <string>

#include "framework/CommandLineInfo.h"

class CWnd;

class CWinApp {
public:
    explicit CWinApp(const char* pszAppName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Returns TRUE to enter a message loop of the application's own; this
    // framework has none, so every run ends when it returns.
    virtual BOOL InitInstance();
    // The process's exit status, asked for when InitInstance has returned.
    virtual int ExitInstance();

    // Prepares the common controls that dialogs use.
    void Enable3dControlsStatic();

    // Splits the process's command line by the platform's rule (quotes group)
    // and hands each argument, as code page 932 text, to info.
    void ParseCommandLine(CCommandLineInfo& info);

    // Profile values live in the private profile file m_strProfileName.
    UINT GetProfileInt(const char* pszSection, const char* pszEntry, int nDefault) const;
    std::string GetProfileString(const char* pszSection, const char* pszEntry,
                                 const char* pszDefault = "") const;
    BOOL WriteProfileInt(const char* pszSection, const char* pszEntry, int nValue) const;
    BOOL WriteProfileString(const char* pszSection, const char* pszEntry, const char* pszValue) const;

    HINSTANCE m_hInstance;
    std::string m_strAppName;
    std::string m_strProfileName;
    CWnd* m_pMainWnd;
};

// The one application object, or null before it is constructed.
CWinApp* AfxGetApp();

// The module that holds the program's resources.
HINSTANCE AfxGetResourceHandle();

// A string of the resources' string table; empty when there is none.
std::wstring AfxLoadString(UINT nID);

// The body of WinMain.
int AfxWinMain(HINSTANCE hInstance);
