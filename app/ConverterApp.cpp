#include "app/ConverterApp.h"

#include "app/CommandLine.h"
#include "core/CodePageValidation.h"
#include "core/ConversionPass.h"

CConverterApp::CConverterApp()
{
    // Relative on purpose: the file lives in the current working directory.
    m_strProfileName = ".\\Pelisan.ini";
}

BOOL CConverterApp::InitInstance()
{
    Enable3dControlsStatic();
    CConverterCommandLineInfo info;
    ParseCommandLine(info);
    if (info.m_bConvertMode) {
        RunCommandLinePass(info);
    } else {
        RunInteractive();
    }
    return FALSE;
}

void CConverterApp::RunCommandLinePass(const CConverterCommandLineInfo& info)
{
    HMODULE kernel = LoadLibraryA("KERNEL32.DLL");
    const auto getCPInfoEx = reinterpret_cast<GetCPInfoExAProc>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "GetCPInfoExA")));
    const UINT codePage = static_cast<UINT>(info.m_nCodePage);
    if (ValidateCodePage(codePage, getCPInfoEx)) {
        ConversionPass(codePage, info.m_bRtf, info.m_strFaceName.c_str(), info.m_nFontSize);
    }
    FreeLibrary(kernel);
}

void CConverterApp::RunInteractive()
{
    m_hInstanceMutex = CreateMutexA(nullptr, FALSE, kInstanceMutexName);
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        EnumWindows(ActivateInstanceProc, 0);
        return;
    }
    ReleaseMutex(m_hInstanceMutex);
}

BOOL CALLBACK ActivateInstanceProc(HWND hWnd, LPARAM)
{
    if (GetPropA(hWnd, kInstancePropName) == nullptr) {
        return TRUE;
    }
    if (IsIconic(hWnd)) {
        ShowWindow(hWnd, SW_RESTORE);
    }
    SetForegroundWindow(GetLastActivePopup(hWnd));
    return FALSE;
}
