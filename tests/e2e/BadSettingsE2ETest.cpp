// Damaged settings files: the window opens with sound values on screen and,
// at exit, writes its settings without losing the file's other sections.
#include <gtest/gtest.h>

#include <windows.h>

#include <random>
#include <string>
#include <vector>

#include "PelisanWindow.h"
#include "ProcessRunner.h"
#include "framework/Cp932.h"
#include "unit/TestSupport.h"

namespace {

// A section of another program's, which every save must leave as it was.
constexpr char kKeep[] = "[KEEP]\r\nfirst=1\r\nsecond=two\r\n";

std::string RandomBytes(std::size_t count)
{
    std::mt19937 random(7);
    std::string bytes(count, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(random());
    }
    return bytes;
}

struct IniCase {
    const char* name;
    std::string bytes;
    bool directory = false; // a directory stands where the file belongs
};

std::vector<IniCase> Cases()
{
    const std::string digits(100 * 1024, '9');
    std::string longName;
    for (int i = 0; i < 50 * 1024; ++i) {
        longName += "\x82\xA0"; // あ: double-byte all the way
    }
    return {
        {"binary bytes", RandomBytes(4096) + "\r\n" + kKeep + RandomBytes(512)},
        {"lines of 100 KB",
         "[SET]\r\nXPOS=" + digits + "\r\nCDPG=" + digits + "\r\n[" + std::string(100 * 1024, 'S') + "]\r\nA=1\r\n" +
             kKeep + "[FNAM]\r\nFONT00932=" + longName + "\r\n[FSIZ]\r\nFONT00932=" + digits + "\r\n"},
        {"huge and negative numbers",
         std::string("[SET]\r\nCDPG=-932\r\nXPOS=-2147483649\r\nYPOS=99999999999999999999\r\nAUTO=-1\r\n"
                     "MSLP=4294967296\r\nTOPM=-0\r\nARTF=2147483648\r\n[FSIZ]\r\nFONT00932=-12\r\n") +
             kKeep},
        {"duplicate sections and keys",
         std::string("[SET]\r\nCDPG=1252\r\nCDPG=437\r\nXPOS=300\r\n") + kKeep +
             "[SET]\r\nCDPG=850\r\nYPOS=200\r\n[KEEP]\r\nthird=3\r\nfirst=one\r\n"},
        {"no newline at the end", std::string("[SET]\r\nCDPG=1252\r\nYPOS=50\r\n") + kKeep + "last=9"},
        {"a directory", "", true},
    };
}

std::string SectionText(const std::string& ini, const char* section)
{
    std::string text(64 * 1024, '\0');
    text.resize(GetPrivateProfileSectionA(section, text.data(), static_cast<DWORD>(text.size()), ini.c_str()));
    return text;
}

int IniInt(const std::string& ini, const char* key, int fallback)
{
    return static_cast<int>(GetPrivateProfileIntA("SET", key, fallback, ini.c_str()));
}

// The code page the window should select: the saved one when its list has
// it, else the list's first entry.
UINT ExpectedCodePage(HWND combo, UINT saved)
{
    const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        if (static_cast<UINT>(SendMessageW(combo, CB_GETITEMDATA, i, 0)) == saved) {
            return saved;
        }
    }
    return static_cast<UINT>(SendMessageW(combo, CB_GETITEMDATA, 0, 0));
}

bool IsOnScreen(const RECT& window)
{
    RECT screen;
    GetWindowRect(GetDesktopWindow(), &screen);
    return window.left >= 0 && window.top >= 0 && window.right <= screen.right && window.bottom <= screen.bottom;
}

TEST(BadSettings, TheWindowOpensSoundlyAndTheOtherSectionsSurvive)
{
    for (const IniCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        const std::wstring workDir = MakeTempDir();
        const std::string ini = ToCp932(workDir) + "\\Pelisan.ini";
        if (c.directory) {
            ASSERT_TRUE(CreateDirectoryA(ini.c_str(), nullptr));
        } else {
            WriteFileBytes(ini, c.bytes);
        }
        // What the platform's profile reader makes of the file.
        const std::string keep = SectionText(ini, "KEEP");
        const UINT savedCodePage = static_cast<UINT>(IniInt(ini, "CDPG", 932));

        PelisanWindow pelisan;
        ASSERT_TRUE(pelisan.Start(workDir)) << "the window did not open";
        RECT window;
        GetWindowRect(pelisan.Window(), &window);
        EXPECT_TRUE(IsOnScreen(window)) << window.left << "," << window.top;
        const HWND combo = GetDlgItem(pelisan.Window(), 1001);
        const LRESULT selected = SendMessageW(combo, CB_GETCURSEL, 0, 0);
        ASSERT_GE(selected, 0) << "no code page selected";
        const UINT codePage = static_cast<UINT>(SendMessageW(combo, CB_GETITEMDATA, selected, 0));
        EXPECT_EQ(codePage, ExpectedCodePage(combo, savedCodePage));

        ASSERT_EQ(pelisan.Close(), 0) << "the program did not end cleanly";
        if (c.directory) {
            EXPECT_NE(GetFileAttributesA(ini.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
            continue;
        }
        EXPECT_EQ(SectionText(ini, "KEEP"), keep);
        EXPECT_FALSE(keep.empty());
        EXPECT_EQ(IniInt(ini, "CDPG", 0), static_cast<int>(codePage));
        EXPECT_EQ(IniInt(ini, "XPOS", -1), window.left);
        EXPECT_EQ(IniInt(ini, "YPOS", -1), window.top);
        for (const char* flag : {"AUTO", "MSLP", "TOPM", "ARTF"}) {
            const int value = IniInt(ini, flag, -1);
            EXPECT_TRUE(value == 0 || value == 1) << flag << "=" << value;
        }
        // The Japanese row, whose face and size some files damage.
        EXPECT_LE(GetPrivateProfileIntA("FSIZ", "FONT00932", -1, ini.c_str()), 100u);
        char face[256];
        EXPECT_LE(GetPrivateProfileStringA("FNAM", "FONT00932", "", face, sizeof face, ini.c_str()), 31u);
    }
}

} // namespace
