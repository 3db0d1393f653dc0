#include "core/CodePageList.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/Platform.h"
#include "framework/ComboBox.h"

CComboBox* g_pCodePageCombo = nullptr;
GetCPInfoExAProc g_pfnGetCPInfoEx = nullptr;

namespace {

constexpr UINT kUtf7 = 65000;
constexpr UINT kUtf8 = 65001;

const char* TableName(UINT nCodePage)
{
    for (const CodePageNameEntry* row = g_codePageNames.data(); row->nCodePage != 0; ++row) {
        if (row->nCodePage == nCodePage) {
            return row->pszName;
        }
    }
    return nullptr;
}

// "%5d %s", or "%5d" alone without a name: the number right-aligned in five
// places makes the list's text order the numeric order.
std::string Label(UINT nCodePage, const std::string& name)
{
    char number[16];
    std::snprintf(number, sizeof(number), "%5u", nCodePage);
    return name.empty() ? number : std::string(number) + ' ' + name;
}

void AddEntry(UINT nCodePage, const std::string& name)
{
    if (g_pCodePageCombo == nullptr) {
        return;
    }
    const int index = g_pCodePageCombo->AddString(Label(nCodePage, name).c_str());
    if (index >= 0) {
        g_pCodePageCombo->SetItemData(index, nCodePage);
    }
}

} // namespace

BOOL CALLBACK CodePageEnumProc(LPSTR pszCodePage)
{
    if (pszCodePage == nullptr) {
        return TRUE;
    }
    // strtol rather than atoi: the same reading, and defined on overflow.
    const UINT codePage = static_cast<UINT>(std::strtol(pszCodePage, nullptr, 10));
    // UTF-7 and UTF-8 are offered only when their probes pass.
    if (codePage == kUtf7 || codePage == kUtf8 || !ValidateCodePage(codePage, g_pfnGetCPInfoEx)) {
        return TRUE;
    }
    const char* tableName = TableName(codePage);
    AddEntry(codePage, tableName != nullptr ? tableName : g_strCodePageName);
    return TRUE;
}

void FillCodePageList()
{
    HMODULE kernel = g_platform.LoadLibraryA("KERNEL32.DLL");
    if (kernel != nullptr) {
        g_pfnGetCPInfoEx = reinterpret_cast<GetCPInfoExAProc>(
            reinterpret_cast<void*>(g_platform.GetProcAddress(kernel, "GetCPInfoExA")));
    }
    g_platform.EnumSystemCodePagesA(CodePageEnumProc, CP_INSTALLED);
    if (kernel != nullptr) {
        g_platform.FreeLibrary(kernel);
    }
    // The address may not outlive the library reference it came from.
    g_pfnGetCPInfoEx = nullptr;

    if (ProbeUtfConversion(kUtf7)) {
        AddEntry(kUtf7, "UTF-7");
    }
    if (ProbeUtfConversion(kUtf8)) {
        AddEntry(kUtf8, "UTF-8");
    }
}
