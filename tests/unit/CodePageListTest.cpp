#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <ostream>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "PlatformOverride.h"
#include "TestSupport.h"
#include "core/CodePageList.h"

namespace {

struct Entry {
    std::string label;
    UINT data;
    bool operator==(const Entry&) const = default;
};

void PrintTo(const Entry& entry, std::ostream* os)
{
    *os << '"' << entry.label << "\" " << entry.data;
}

// What the injected platform reports and answers.
struct FakeSystem {
    std::vector<std::string> reported;
    std::set<UINT> extraValid;  // valid code pages the real platform does not have
    bool hasGetCPInfoEx = true;
    std::string platformName;   // CodePageName for extraValid, in the platform's form
    UINT ansiCodePage = 932;    // the platform's name is text of this code page
    HMODULE loaded = nullptr;
    std::vector<HMODULE> freed;
    std::set<UINT> failingProbes;
};
FakeSystem g_fake;

std::vector<std::string> g_collected;

BOOL CALLBACK CollectProc(LPSTR pszCodePage)
{
    g_collected.emplace_back(pszCodePage);
    return TRUE;
}

std::vector<std::string> PlatformCodePages()
{
    g_collected.clear();
    DefaultPlatform().EnumSystemCodePagesA(CollectProc, CP_INSTALLED);
    return g_collected;
}

BOOL WINAPI FakeEnum(CODEPAGE_ENUMPROCA proc, DWORD flags)
{
    EXPECT_EQ(flags, static_cast<DWORD>(CP_INSTALLED));
    for (std::string text : g_fake.reported) {
        proc(text.data());
    }
    return TRUE;
}

BOOL WINAPI FakeIsValidCodePage(UINT cp)
{
    return g_fake.extraValid.count(cp) != 0 || DefaultPlatform().IsValidCodePage(cp);
}

BOOL WINAPI FakeGetCPInfo(UINT cp, LPCPINFO info)
{
    return g_fake.extraValid.count(cp) != 0 || DefaultPlatform().GetCPInfo(cp, info);
}

BOOL WINAPI FakeGetCPInfoEx(UINT cp, DWORD flags, LPCPINFOEXA info)
{
    if (g_fake.extraValid.count(cp) == 0) {
        return GetCPInfoExA(cp, flags, info);
    }
    *info = {};
    std::strncpy(info->CodePageName, g_fake.platformName.c_str(), MAX_PATH - 1);
    return TRUE;
}

UINT WINAPI FakeGetACP()
{
    return g_fake.ansiCodePage;
}

HMODULE WINAPI FakeLoadLibrary(LPCSTR name)
{
    EXPECT_STREQ(name, "KERNEL32.DLL");
    g_fake.loaded = DefaultPlatform().LoadLibraryA(name);
    return g_fake.loaded;
}

FARPROC WINAPI FakeGetProcAddress(HMODULE module, LPCSTR name)
{
    EXPECT_EQ(module, g_fake.loaded);
    EXPECT_STREQ(name, "GetCPInfoExA");
    return g_fake.hasGetCPInfoEx ? reinterpret_cast<FARPROC>(reinterpret_cast<void*>(FakeGetCPInfoEx)) : nullptr;
}

BOOL WINAPI FakeFreeLibrary(HMODULE module)
{
    g_fake.freed.push_back(module);
    return DefaultPlatform().FreeLibrary(module);
}

int WINAPI FakeWideCharToMultiByte(UINT cp, DWORD flags, LPCWCH text, int length, LPSTR out, int capacity,
                                   LPCCH defaultChar, LPBOOL usedDefault)
{
    if (g_fake.failingProbes.count(cp) != 0) {
        return 0;
    }
    return DefaultPlatform().WideCharToMultiByte(cp, flags, text, length, out, capacity, defaultChar, usedDefault);
}

UINT LeadingNumber(const std::string& label)
{
    return static_cast<UINT>(std::strtoul(label.c_str(), nullptr, 10));
}

class CodePageListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_fake = FakeSystem{};
        g_fake.reported = PlatformCodePages();
        g_platform.EnumSystemCodePagesA = FakeEnum;
        g_platform.IsValidCodePage = FakeIsValidCodePage;
        g_platform.GetCPInfo = FakeGetCPInfo;
        g_platform.GetACP = FakeGetACP;
        g_platform.LoadLibraryA = FakeLoadLibrary;
        g_platform.GetProcAddress = FakeGetProcAddress;
        g_platform.FreeLibrary = FakeFreeLibrary;
        g_platform.WideCharToMultiByte = FakeWideCharToMultiByte;
    }
    void TearDown() override { g_pCodePageCombo = nullptr; }

    // Fills a new list and reads it back.
    std::vector<Entry> Fill()
    {
        SortedComboBox list;
        g_pCodePageCombo = &list.Combo();
        FillCodePageList();
        g_pCodePageCombo = nullptr;
        std::vector<Entry> entries;
        for (int i = 0; i < list.Combo().GetCount(); ++i) {
            entries.push_back({list.Combo().GetLBText(i), static_cast<UINT>(list.Combo().GetItemData(i))});
        }
        return entries;
    }

    PlatformOverride m_restore;
};

std::string TableLabel(const CodePageNameEntry& row)
{
    char number[8];
    std::snprintf(number, sizeof(number), "%5u ", row.nCodePage);
    return number + std::string(row.pszName);
}

} // namespace

TEST_F(CodePageListTest, AscendingByNumberWhateverThePlatformOrder)
{
    // The usable code pages, asked of the platform without the program's list.
    std::set<UINT> expected;
    for (const std::string& text : g_fake.reported) {
        const UINT cp = LeadingNumber(text);
        if (cp != 65000 && cp != 65001 && ValidateCodePage(cp, GetCPInfoExA)) {
            expected.insert(cp);
        }
    }
    for (UINT utf : {65000u, 65001u}) {
        if (ProbeUtfConversion(utf)) {
            expected.insert(utf);
        }
    }

    std::vector<std::string> shuffled = g_fake.reported;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(20240601));
    std::vector<std::string> reversed(g_fake.reported.rbegin(), g_fake.reported.rend());
    std::vector<Entry> first;
    for (const std::vector<std::string>* order : {&reversed, &shuffled}) {
        g_fake.reported = *order;
        const std::vector<Entry> entries = Fill();
        std::set<UINT> listed;
        UINT previous = 0;
        for (const Entry& entry : entries) {
            EXPECT_EQ(entry.data, LeadingNumber(entry.label)) << entry.label;
            EXPECT_GT(entry.data, previous) << entry.label;
            previous = entry.data;
            listed.insert(entry.data);
        }
        EXPECT_EQ(listed, expected);
        if (first.empty()) {
            first = entries;
        } else {
            EXPECT_EQ(entries, first);
        }
    }

    // Every listed code page of the table carries the table's name.
    for (const CodePageNameEntry* row = g_codePageNames.data(); row->nCodePage != 0; ++row) {
        const auto found = std::find_if(first.begin(), first.end(),
                                        [row](const Entry& e) { return e.data == row->nCodePage; });
        if (found != first.end()) {
            EXPECT_EQ(found->label, TableLabel(*row));
        }
    }
    for (const char8_t* label : {u8"  932 ANSI/OEM - 日本語 Shift-JIS", u8" 1252 ANSI - ラテン I",
                                 u8"20127 US-ASCII", u8"65001 UTF-8"}) {
        const std::string want = Sjis(label);
        EXPECT_NE(std::find_if(first.begin(), first.end(), [&](const Entry& e) { return e.label == want; }),
                  first.end())
            << "missing " << LeadingNumber(want);
    }
}

TEST_F(CodePageListTest, CodePagesMissingFromTheTable)
{
    struct Case {
        bool hasGetCPInfoEx;
        UINT ansiCodePage;
        std::string platformName;
        std::string fourDigitLabel;
        std::string fiveDigitLabel;
    };
    const Case cases[] = {
        {true, 932, "4321 " + Sjis(u8"テスト名"), " 4321 " + Sjis(u8"テスト名"), "12345 " + Sjis(u8"テスト名")},
        {true, 932, Sjis(u8"テスト名"), " 4321 " + Sjis(u8"テスト名"), "12345 " + Sjis(u8"テスト名")},
        // Code page 1252's plus-minus and section signs, which code page 932 has too.
        {true, 1252, "4321  (ANSI \xB1 Latin \xA7)", " 4321 " + Sjis(u8"(ANSI ± Latin §)"),
         "12345 " + Sjis(u8"(ANSI ± Latin §)")},
        {true, 1252, "ANSI \xB1 Latin \xA7", " 4321 " + Sjis(u8"ANSI ± Latin §"), "12345 " + Sjis(u8"ANSI ± Latin §")},
        {true, 932, "4321 ", " 4321", "12345"},
        {true, 932, "", " 4321", "12345"},
        {false, 932, "4321 " + Sjis(u8"テスト名"), " 4321", "12345"},
    };
    std::vector<Entry> utf;
    for (UINT cp : {65000u, 65001u}) {
        if (ProbeUtfConversion(cp)) {
            utf.push_back({cp == 65000 ? "65000 UTF-7" : "65001 UTF-8", cp});
        }
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.platformName + (c.hasGetCPInfoEx ? "" : " without GetCPInfoExA"));
        g_fake.reported = {"65001", "12345", "abc", "932", "4321", "65000"};
        g_fake.extraValid = {4321, 12345};
        g_fake.hasGetCPInfoEx = c.hasGetCPInfoEx;
        g_fake.ansiCodePage = c.ansiCodePage;
        g_fake.platformName = c.platformName;
        g_fake.freed.clear();

        std::vector<Entry> expected = {
            {Sjis(u8"  932 ANSI/OEM - 日本語 Shift-JIS"), 932},
            {c.fourDigitLabel, 4321},
            {c.fiveDigitLabel, 12345},
        };
        expected.insert(expected.end(), utf.begin(), utf.end());
        EXPECT_EQ(Fill(), expected);
        EXPECT_EQ(g_fake.freed, std::vector<HMODULE>{g_fake.loaded});
        EXPECT_EQ(g_pfnGetCPInfoEx, nullptr);
    }
}

TEST_F(CodePageListTest, FailedProbeLeavesItsCodePageOut)
{
    ASSERT_TRUE(ProbeUtfConversion(65000) && ProbeUtfConversion(65001))
        << "the platform converts UTF-7 and UTF-8";
    const std::pair<UINT, UINT> cases[] = {{65000, 65001}, {65001, 65000}};
    for (const auto& [failing, kept] : cases) {
        g_fake.failingProbes = {failing};
        const std::vector<Entry> entries = Fill();
        ASSERT_FALSE(entries.empty());
        EXPECT_EQ(entries.back().data, kept);
        EXPECT_EQ(std::count_if(entries.begin(), entries.end(), [&](const Entry& e) { return e.data == failing; }), 0);
    }
}

namespace {

WNDPROC g_comboProc = nullptr;
std::vector<WPARAM> g_itemDataIndices;

// Refuses the entry for 1252 and notes where item data is attached.
LRESULT CALLBACK RefusingComboProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == CB_ADDSTRING && std::wcsncmp(reinterpret_cast<LPCWSTR>(lParam), L" 1252", 5) == 0) {
        return CB_ERRSPACE;
    }
    if (message == CB_SETITEMDATA) {
        g_itemDataIndices.push_back(wParam);
    }
    return CallWindowProcW(g_comboProc, hWnd, message, wParam, lParam);
}

} // namespace

TEST_F(CodePageListTest, RefusedEntryGetsNoItemData)
{
    g_fake.reported = {"1252", "932", "437"};
    SortedComboBox list;
    g_comboProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        list.Combo().m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RefusingComboProc)));
    g_itemDataIndices.clear();
    g_pCodePageCombo = &list.Combo();
    FillCodePageList();
    CodePageEnumProc(nullptr);

    for (WPARAM index : g_itemDataIndices) {
        EXPECT_LT(index, static_cast<WPARAM>(list.Combo().GetCount()));
    }
    std::vector<UINT> listed;
    for (int i = 0; i < list.Combo().GetCount(); ++i) {
        listed.push_back(static_cast<UINT>(list.Combo().GetItemData(i)));
        EXPECT_EQ(listed.back(), LeadingNumber(list.Combo().GetLBText(i)));
    }
    EXPECT_EQ(std::count(listed.begin(), listed.end(), 1252u), 0);
    EXPECT_EQ(std::count(listed.begin(), listed.end(), 932u), 1);
}

TEST(CodePageNames, TableIsOrderedAndValidText)
{
    std::vector<UINT> codePages;
    const CodePageNameEntry* row = g_codePageNames.data();
    for (; row->nCodePage != 0; ++row) {
        SCOPED_TRACE(row->nCodePage);
        if (!codePages.empty()) {
            EXPECT_GT(row->nCodePage, codePages.back());
        }
        codePages.push_back(row->nCodePage);
        ASSERT_NE(row->pszName, nullptr);
        const std::string name = row->pszName;
        EXPECT_FALSE(name.empty());
        EXPECT_EQ(name.find(std::to_string(row->nCodePage)), std::string::npos) << "names carry no number";
        // A character code page 932 lacks would have become a question mark.
        EXPECT_EQ(name.find('?'), std::string::npos);
        const int units = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, name.data(),
                                              static_cast<int>(name.size()), nullptr, 0);
        EXPECT_GT(units, 0);
        EXPECT_EQ(ToCp932(FromCp932(name)), name);
    }
    EXPECT_EQ(row->pszName, nullptr);
    EXPECT_EQ(codePages.size(), kCodePageNameCount);
    EXPECT_EQ(codePages.front(), 37u);
    EXPECT_EQ(codePages.back(), 65001u);

    const std::pair<UINT, const char8_t*> quoted[] = {
        {37, u8"IBM EBCDIC - 米国/カナダ"},
        {437, u8"OEM - 米国"},
        {850, u8"OEM - 多言語ラテン I"},
        {874, u8"ANSI/OEM - タイ語"},
        {932, u8"ANSI/OEM - 日本語 Shift-JIS"},
        {936, u8"ANSI/OEM - 簡体字中国語 GBK"},
        {949, u8"ANSI/OEM - 韓国語"},
        {950, u8"ANSI/OEM - 繁体字中国語 Big5"},
        {1252, u8"ANSI - ラテン I"},
        {1361, u8"韓国語 - Johab"},
        {10001, u8"MAC - 日本語"},
        {20127, u8"US-ASCII"},
        {20932, u8"JIS X 0208-1990 & 0212-1990"},
        {20936, u8"簡体字中国語 GB2312"},
        {20949, u8"Korean Wansung"},
        {28591, u8"ISO 8859-1 ラテン I"},
        {28598, u8"ISO 8859-8 ヘブライ語: 視覚順"},
        {50220, u8"ISO-2022 日本語、半角カタカナなし"},
        {50221, u8"ISO-2022 日本語、半角カタカナ"},
        {51932, u8"EUC-日本語"},
        {54936, u8"GB18030 簡体字中国語"},
        {57002, u8"ISCII デバナガリ文字"},
        {65000, u8"UTF-7"},
        {65001, u8"UTF-8"},
    };
    for (const auto& [codePage, name] : quoted) {
        const auto found = std::find_if(g_codePageNames.begin(), g_codePageNames.end(),
                                        [codePage](const CodePageNameEntry& e) { return e.nCodePage == codePage; });
        ASSERT_NE(found, g_codePageNames.end()) << codePage;
        EXPECT_EQ(std::string(found->pszName), Sjis(name)) << codePage;
    }
}
