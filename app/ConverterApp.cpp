#include "app/ConverterApp.h"

#include "app/CommandLine.h"
#include "app/ExitStatus.h"
#include "app/RepairFilter.h"
#include "core/CodePageValidation.h"
#include "core/ConversionPass.h"
#include "core/RepairPass.h"
// The one place where the application reaches into ui/: it runs the window.
#include "ui/MainDlg.h"

CConverterApp::CConverterApp()
{
    // Relative on purpose: the file lives in the current working directory.
    m_strProfileName = kProfileName;
}

BOOL CConverterApp::InitInstance()
{
    Enable3dControlsStatic();
    CConverterCommandLineInfo info;
    ParseCommandLine(info);
    if (info.m_bConvertMode) {
        m_nExitStatus = info.m_bRepair && info.m_bStandardInput ? RunRepairFilter() : RunCommandLinePass(info);
    } else {
        RunInteractive();
    }
    return FALSE;
}

int CConverterApp::ExitInstance()
{
    return m_nExitStatus;
}

int CConverterApp::RunCommandLinePass(const CConverterCommandLineInfo& info)
{
    HMODULE kernel = LoadLibraryA("KERNEL32.DLL");
    const auto getCPInfoEx = reinterpret_cast<GetCPInfoExAProc>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "GetCPInfoExA")));
    const UINT codePage = static_cast<UINT>(info.m_nCodePage);
    const bool usable = ValidateCodePage(codePage, getCPInfoEx);
    ExitStatus status = kExitUnusableCodePage;
    bool textUnreadable = false;
    PassReport report;
    if (usable && info.m_bRepair) {
        const ClipboardRepair repair =
            RepairPass(codePage, info.m_bRtf, info.m_strFaceName.c_str(), info.m_nFontSize);
        ReportRepair(repair);
        status = ExitStatusOf(repair.outcome);
        textUnreadable = repair.outcome == RepairOutcome::TextUnreadable;
    } else if (usable) {
        const PassResult result = ConversionPass(codePage, info.m_bRtf, info.m_strFaceName.c_str(),
                                                 info.m_nFontSize, PassMode::OnRequest, &report);
        status = ExitStatusOf(result);
        textUnreadable = result == PassResult::TextUnreadable;
    }
    FreeLibrary(kernel);
    if (!textUnreadable) {
        ReportLeftOut(report.leftOut);
    }
    ReportExitStatus(status, info.m_nCodePage, info.m_bRepair, textUnreadable);
    return status;
}

void CConverterApp::RunInteractive()
{
    m_hInstanceMutex = CreateMutexA(nullptr, FALSE, kInstanceMutexName);
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        EnumWindows(ActivateInstanceProc, 0);
        return;
    }
    CMainDlg dlg;
    m_pMainWnd = &dlg;
    LoadSettings(*this, dlg);
    dlg.DoModal();
    SaveSettings(*this, dlg);
    SaveFontSettings();
    ReleaseMutex(m_hInstanceMutex);
    m_pMainWnd = nullptr;
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
