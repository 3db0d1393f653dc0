#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "PlatformOverride.h"
#include "core/CodePageValidation.h"
#include "framework/Cp932.h"

namespace {

const wchar_t kProbeText[] = {0xAC00, L'1', L'2', L'3', 0x3042};
const std::string kUtf7 = "+rAA-123+MEI-";
const std::string kUtf8 = "\xEA\xB0\x80"
                          "123"
                          "\xE3\x81\x82";

// What the platform itself makes of the probe text.
std::string PlatformConversion(UINT codePage)
{
    char output[64];
    const int written = WideCharToMultiByte(codePage, 0, kProbeText, 5, output, sizeof output, nullptr, nullptr);
    return std::string(output, written > 0 ? static_cast<std::size_t>(written) : 0);
}

bool StartsWith(const std::string& text, const std::string& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

// Counters and answers of the injected platform operations.
struct Fake {
    int isValidCalls = 0;
    int getCPInfoCalls = 0;
    int getCPInfoExCalls = 0;
    BOOL getCPInfoResult = TRUE;
    BOOL getCPInfoExResult = TRUE;
    char codePageName[MAX_PATH] = {};
    std::string converterOutput; // bytes a fake converter writes
    int converterResult = 0;     // and the count it returns
    UINT lastCodePage = 0;
};
Fake g_fake;

BOOL WINAPI RefuseIsValidCodePage(UINT)
{
    ++g_fake.isValidCalls;
    return FALSE;
}

BOOL WINAPI AcceptIsValidCodePage(UINT)
{
    ++g_fake.isValidCalls;
    return TRUE;
}

BOOL WINAPI CountingGetCPInfo(UINT, LPCPINFO)
{
    ++g_fake.getCPInfoCalls;
    return g_fake.getCPInfoResult;
}

BOOL WINAPI FakeGetCPInfoExA(UINT codePage, DWORD flags, LPCPINFOEXA info)
{
    ++g_fake.getCPInfoExCalls;
    EXPECT_EQ(flags, 0u);
    info->CodePage = codePage;
    std::memcpy(info->CodePageName, g_fake.codePageName, sizeof info->CodePageName);
    return g_fake.getCPInfoExResult;
}

int WINAPI NoUtf7WideCharToMultiByte(UINT codePage, DWORD flags, LPCWCH text, int count, LPSTR output, int capacity,
                                     LPCCH defaultChar, LPBOOL usedDefault)
{
    if (codePage == CP_UTF7)
        return 0;
    return WideCharToMultiByte(codePage, flags, text, count, output, capacity, defaultChar, usedDefault);
}

// Writes the prepared bytes and returns the prepared count; checks the call's shape.
int WINAPI FakeWideCharToMultiByte(UINT codePage, DWORD flags, LPCWCH text, int count, LPSTR output, int capacity,
                                   LPCCH defaultChar, LPBOOL usedDefault)
{
    g_fake.lastCodePage = codePage;
    EXPECT_EQ(flags, 0u);
    EXPECT_EQ(count, 5);
    EXPECT_EQ(std::wstring(text, 5), std::wstring(kProbeText, 5));
    EXPECT_EQ(capacity, 16);
    EXPECT_EQ(defaultChar, nullptr);
    EXPECT_EQ(usedDefault, nullptr);
    std::memcpy(output, g_fake.converterOutput.data(), g_fake.converterOutput.size());
    return g_fake.converterResult;
}

class CodePageValidation : public testing::Test {
protected:
    void SetUp() override
    {
        g_fake = Fake{};
        g_strCodePageName = "untouched";
    }
    void TearDown() override { g_strCodePageName.clear(); }

    PlatformOverride m_restore;
};

GetCPInfoExAProc RealGetCPInfoExA()
{
    return reinterpret_cast<GetCPInfoExAProc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("KERNEL32.DLL"), "GetCPInfoExA")));
}

} // namespace

TEST_F(CodePageValidation, UtfProbesFollowThePlatformsConverters)
{
    const struct {
        UINT codePage;
        const std::string& expected;
    } probes[] = {{CP_UTF7, kUtf7}, {CP_UTF8, kUtf8}};
    for (const auto& probe : probes) {
        const BOOL converts = StartsWith(PlatformConversion(probe.codePage), probe.expected);
        EXPECT_EQ(ProbeUtfConversion(probe.codePage), converts) << probe.codePage;
        EXPECT_EQ(ValidateCodePage(probe.codePage, RealGetCPInfoExA()), converts) << probe.codePage;
    }
    EXPECT_TRUE(ProbeUtfConversion(CP_UTF8)) << "Wine and Windows both convert UTF-8";
    EXPECT_EQ(g_strCodePageName, "untouched");
}

TEST_F(CodePageValidation, UtfCodePagesAreDecidedByTheProbeAlone)
{
    g_platform.IsValidCodePage = RefuseIsValidCodePage;
    g_platform.GetCPInfo = CountingGetCPInfo;
    EXPECT_TRUE(ValidateCodePage(CP_UTF8, FakeGetCPInfoExA));
    EXPECT_EQ(ValidateCodePage(CP_UTF7, nullptr), ProbeUtfConversion(CP_UTF7));
    EXPECT_EQ(g_fake.isValidCalls, 0);
    EXPECT_EQ(g_fake.getCPInfoCalls, 0);
    EXPECT_EQ(g_fake.getCPInfoExCalls, 0);
    EXPECT_EQ(g_strCodePageName, "untouched");

    g_platform.WideCharToMultiByte = NoUtf7WideCharToMultiByte;
    EXPECT_TRUE(ValidateCodePage(CP_UTF8, nullptr));
    EXPECT_FALSE(ValidateCodePage(CP_UTF7, nullptr));
}

TEST_F(CodePageValidation, ProbeComparesOnlyTheExpectedBytes)
{
    const std::string tail = "XYZ";
    const struct {
        UINT codePage;
        std::string output;
        int result;
        BOOL passes;
    } cases[] = {
        {CP_UTF7, kUtf7, 13, TRUE},
        {CP_UTF8, kUtf8, 9, TRUE},
        {CP_UTF7, kUtf7 + tail, 16, TRUE},
        {CP_UTF8, kUtf8 + tail, 12, TRUE},
        {CP_UTF7, kUtf7, 12, FALSE},
        {CP_UTF8, kUtf8, 8, FALSE},
        {CP_UTF7, kUtf7, 0, FALSE},
        {CP_UTF8, kUtf8, 0, FALSE},
        {CP_UTF7, "+rAA-123+MEi-", 13, FALSE},
        {CP_UTF8, kUtf7, 13, FALSE},
        {CP_UTF7, kUtf8, 9, FALSE},
        {1252, kUtf8, 9, FALSE},
        {932, kUtf7, 13, FALSE},
        {0, kUtf8, 9, FALSE},
    };
    g_platform.WideCharToMultiByte = FakeWideCharToMultiByte;
    for (const auto& c : cases) {
        g_fake.converterOutput = c.output;
        g_fake.converterResult = c.result;
        EXPECT_EQ(ProbeUtfConversion(c.codePage), c.passes) << c.codePage << " " << c.output << " " << c.result;
    }
    EXPECT_EQ(g_fake.lastCodePage, static_cast<UINT>(CP_UTF7)) << "other code pages are never converted";
}

TEST_F(CodePageValidation, CodePageZeroAndInvalidCodePagesAreRefused)
{
    EXPECT_FALSE(ValidateCodePage(0, RealGetCPInfoExA()));
    EXPECT_EQ(g_strCodePageName, "");
    EXPECT_FALSE(ValidateCodePage(0, nullptr));

    g_platform.IsValidCodePage = RefuseIsValidCodePage;
    g_platform.GetCPInfo = CountingGetCPInfo;
    EXPECT_FALSE(ValidateCodePage(1252, FakeGetCPInfoExA));
    EXPECT_FALSE(ValidateCodePage(1252, nullptr));
    EXPECT_EQ(g_fake.getCPInfoExCalls + g_fake.getCPInfoCalls, 0);
}

TEST_F(CodePageValidation, WithoutGetCPInfoExAGetCPInfoDecides)
{
    EXPECT_TRUE(ValidateCodePage(1252, nullptr));
    EXPECT_EQ(g_strCodePageName, "");

    g_platform.IsValidCodePage = AcceptIsValidCodePage;
    g_platform.GetCPInfo = CountingGetCPInfo;
    for (const BOOL answer : {TRUE, FALSE}) {
        g_fake.getCPInfoResult = answer;
        g_strCodePageName = "stale";
        EXPECT_EQ(ValidateCodePage(1252, nullptr), answer);
        EXPECT_EQ(g_strCodePageName, "");
    }
    EXPECT_EQ(g_fake.getCPInfoCalls, 2);
}

TEST_F(CodePageValidation, RecordsTheNameWithoutALeadingNumber)
{
    const struct {
        std::string name;
        std::string recorded;
    } cases[] = {
        {"1252  (ANSI - Latin I)", "(ANSI - Latin I)"},
        {"  932 (ANSI/OEM - Japanese Shift-JIS)", "(ANSI/OEM - Japanese Shift-JIS)"},
        // Wine's names have no number; a number with no blank after it is part of the name.
        {"ISO 8859-13 Latin 7 (Baltic)", "ISO 8859-13 Latin 7 (Baltic)"},
        {"8859-1 Latin 1", "8859-1 Latin 1"},
        {"123456", ""},
        {"437 ", ""},
        {"", ""},
        {std::string(MAX_PATH, 'n'), std::string(MAX_PATH, 'n')}, // unterminated field
    };
    g_platform.IsValidCodePage = AcceptIsValidCodePage;
    g_platform.GetCPInfo = CountingGetCPInfo;
    for (const auto& c : cases) {
        std::memset(g_fake.codePageName, 0, sizeof g_fake.codePageName);
        std::memcpy(g_fake.codePageName, c.name.data(), c.name.size());
        g_strCodePageName = "stale";
        EXPECT_TRUE(ValidateCodePage(1252, FakeGetCPInfoExA)) << c.name;
        EXPECT_EQ(g_strCodePageName, c.recorded) << c.name;
    }
    EXPECT_EQ(g_fake.getCPInfoCalls, 0);
}

TEST_F(CodePageValidation, RefusalByGetCPInfoExAIsFinal)
{
    g_platform.IsValidCodePage = AcceptIsValidCodePage;
    g_platform.GetCPInfo = CountingGetCPInfo;
    g_fake.getCPInfoExResult = FALSE;
    std::strcpy(g_fake.codePageName, "1252  (ANSI - Latin I)");
    EXPECT_FALSE(ValidateCodePage(1252, FakeGetCPInfoExA));
    EXPECT_EQ(g_fake.getCPInfoExCalls, 1);
    EXPECT_EQ(g_fake.getCPInfoCalls, 0);
    EXPECT_EQ(g_strCodePageName, "");
}

TEST_F(CodePageValidation, RealPlatformNameIsRecorded)
{
    const GetCPInfoExAProc getCPInfoEx = RealGetCPInfoExA();
    ASSERT_NE(getCPInfoEx, nullptr);
    for (const UINT codePage : {1252u, 932u, GetACP()}) {
        CPINFOEXA info = {};
        ASSERT_TRUE(getCPInfoEx(codePage, 0, &info)) << codePage;
        const std::wstring name = FromCodePage(GetACP(), info.CodePageName);
        EXPECT_TRUE(ValidateCodePage(codePage, getCPInfoEx)) << codePage;
        // The platform's name, at most without a number in front.
        const std::wstring recorded = FromCp932(g_strCodePageName);
        EXPECT_FALSE(recorded.empty()) << codePage;
        EXPECT_TRUE(name.ends_with(recorded)) << codePage;
    }
}
