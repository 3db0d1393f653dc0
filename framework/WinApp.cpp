#include "framework/WinApp.h"

#include <commctrl.h>
#include <shellapi.h>

#include <vector>

#include "framework/Cp932.h"
#include "framework/FrameworkIds.h"

namespace {

CWinApp* g_pApp = nullptr;

// The title string of the program's resources, else the program file's name.
std::string DefaultAppName()
{
    const HINSTANCE module = GetModuleHandleW(nullptr);
    const wchar_t* title = nullptr;
    const int length = LoadStringW(module, AFX_IDS_APP_TITLE, reinterpret_cast<LPWSTR>(&title), 0);
    if (length > 0) {
        return ToCp932(std::wstring_view(title, static_cast<std::size_t>(length)));
    }
    wchar_t path[MAX_PATH];
    const std::wstring file(path, GetModuleFileNameW(module, path, MAX_PATH));
    const std::size_t start = file.find_last_of(L"\\/") + 1;
    return ToCp932(file.substr(start, file.find_last_of(L'.') - start));
}

std::vector<std::string> SplitCommandLine()
{
    std::vector<std::string> args;
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (argv == nullptr) {
        return args;
    }
    for (int i = 1; i < count; ++i) {
        args.push_back(ToCp932(argv[i]));
    }
    LocalFree(argv);
    return args;
}

} // namespace

CWinApp::CWinApp(const char* pszAppName)
    : m_hInstance(GetModuleHandleW(nullptr)),
      m_strAppName(pszAppName != nullptr ? pszAppName : DefaultAppName()),
      m_pMainWnd(nullptr)
{
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this) {
        g_pApp = nullptr;
    }
}

BOOL CWinApp::InitInstance()
{
    return FALSE;
}

int CWinApp::ExitInstance()
{
    return 0;
}

void CWinApp::Enable3dControlsStatic()
{
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
}

void CWinApp::ParseCommandLine(CCommandLineInfo& info)
{
    DispatchArguments(SplitCommandLine(), info);
}

UINT CWinApp::GetProfileInt(const char* pszSection, const char* pszEntry, int nDefault) const
{
    return GetPrivateProfileIntA(pszSection, pszEntry, nDefault, m_strProfileName.c_str());
}

std::string CWinApp::GetProfileString(const char* pszSection, const char* pszEntry,
                                      const char* pszDefault) const
{
    // The platform cuts a value that does not fit and says so only by filling
    // the buffer: grow until it no longer does.
    std::string value(256, '\0');
    for (;;) {
        const DWORD copied = GetPrivateProfileStringA(pszSection, pszEntry, pszDefault, value.data(),
                                                      static_cast<DWORD>(value.size()),
                                                      m_strProfileName.c_str());
        if (copied + 1 < value.size()) {
            value.resize(copied);
            return value;
        }
        value.resize(value.size() * 2);
    }
}

BOOL CWinApp::WriteProfileInt(const char* pszSection, const char* pszEntry, int nValue) const
{
    char text[16];
    wsprintfA(text, "%d", nValue);
    return WriteProfileString(pszSection, pszEntry, text);
}

BOOL CWinApp::WriteProfileString(const char* pszSection, const char* pszEntry, const char* pszValue) const
{
    return WritePrivateProfileStringA(pszSection, pszEntry, pszValue, m_strProfileName.c_str());
}

CWinApp* AfxGetApp()
{
    return g_pApp;
}

HINSTANCE AfxGetResourceHandle()
{
    return g_pApp != nullptr ? g_pApp->m_hInstance : GetModuleHandleW(nullptr);
}

std::wstring AfxLoadString(UINT nID)
{
    const wchar_t* text = nullptr;
    // Length 0 asks for a read-only pointer into the resource itself.
    const int length = LoadStringW(AfxGetResourceHandle(), nID, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
}

int AfxWinMain(HINSTANCE hInstance)
{
    CWinApp* app = AfxGetApp();
    if (app == nullptr) {
        return 1;
    }
    app->m_hInstance = hInstance;
    app->InitInstance();
    return app->ExitInstance();
}
