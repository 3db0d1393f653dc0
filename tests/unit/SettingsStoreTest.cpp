#include <gtest/gtest.h>

#include <array>
#include <string>

#include "TestSupport.h"
#include "app/ConverterApp.h"
#include "app/MainSettings.h"

namespace {

// The profile name is relative: run each test inside its own scratch directory.
class SettingsStoreTest : public ::testing::Test {
protected:
    SettingsStoreTest()
    {
        GetCurrentDirectoryA(MAX_PATH, m_oldDirectory);
        SetCurrentDirectoryA(m_dir.Path().c_str());
    }
    ~SettingsStoreTest() override { SetCurrentDirectoryA(m_oldDirectory); }

    std::string Ini() const { return m_dir.File("Pelisan.ini"); }

    TempDirectory m_dir;
    char m_oldDirectory[MAX_PATH] = {};
    CConverterApp m_app;
};

// The nine fields in file order.
using Values = std::array<int, 9>;

Values ValuesOf(const MainSettings& s)
{
    return {static_cast<int>(s.m_nCodePage), s.m_nPosX,    s.m_nPosY,   s.m_bAutoConvert,   s.m_bSleepMinimized,
            s.m_bTopMost,                     s.m_bAddRtf, s.m_wConvertHotKey, s.m_wRepairHotKey};
}

// Ctrl+Alt+Shift+U and Ctrl+Alt+Shift+R, as the hotkey control holds them.
constexpr int kConvertKey = 0x0755;
constexpr int kRepairKey = 0x0752;

std::string SetSection(const char* values)
{
    return std::string("[SET]\r\n") + values;
}

} // namespace

TEST_F(SettingsStoreTest, NoFileGivesDefaultsAndTheFirstSaveWritesAllNine)
{
    MainSettings settings;
    settings.m_nCodePage = 1252;
    settings.m_bTopMost = 1;
    LoadSettings(m_app, settings);
    EXPECT_EQ(ValuesOf(settings), (Values{932, 100, 100, 1, 1, 0, 1, kConvertKey, kRepairKey}));

    SaveSettings(m_app, settings);
    EXPECT_EQ(ReadFileBytes(Ini()), SetSection("CDPG=932\r\nXPOS=100\r\nYPOS=100\r\nAUTO=1\r\nMSLP=1\r\nTOPM=0\r\nARTF="
                                               "1\r\nHKCV=1877\r\nHKRP=1874\r\n"));
}

TEST_F(SettingsStoreTest, StoredValuesLoadAndSaveBack)
{
    struct Case {
        const char* stored;
        Values loaded;
        const char* saved;
    };
    const Case cases[] = {
        // Alt+F5 and none.
        {"CDPG=1252\r\nXPOS=40\r\nYPOS=300\r\nAUTO=5\r\nMSLP=0\r\nTOPM=5\r\nARTF=0\r\nHKCV=1140\r\nHKRP=0\r\n",
         {1252, 40, 300, 1, 0, 1, 0, 0x0474, 0},
         "CDPG=1252\r\nXPOS=40\r\nYPOS=300\r\nAUTO=1\r\nMSLP=0\r\nTOPM=1\r\nARTF=0\r\nHKCV=1140\r\nHKRP=0\r\n"},
        // Text reads as none.
        {"CDPG=abc\r\nXPOS=12px\r\nYPOS=none\r\nAUTO=on\r\nMSLP=yes\r\nTOPM=x1\r\nARTF=2abc\r\nHKCV=ctrl\r\n"
         "HKRP=none\r\n",
         {0, 12, 0, 0, 0, 0, 1, 0, 0},
         "CDPG=0\r\nXPOS=12\r\nYPOS=0\r\nAUTO=0\r\nMSLP=0\r\nTOPM=0\r\nARTF=1\r\nHKCV=0\r\nHKRP=0\r\n"},
        // A key without Ctrl or Alt, one with no key, and numbers no control
        // holds read as the defaults.
        {"TOPM=7\r\nHKCV=85\r\nHKRP=1024\r\n", {932, 100, 100, 1, 1, 1, 1, kConvertKey, kRepairKey},
         "TOPM=1\r\nHKCV=1877\r\nHKRP=1874\r\nCDPG=932\r\nXPOS=100\r\nYPOS=100\r\nAUTO=1\r\nMSLP=1\r\nARTF=1\r\n"},
        {"HKCV=-1\r\nHKRP=67410\r\n", {932, 100, 100, 1, 1, 0, 1, kConvertKey, kRepairKey},
         "HKCV=1877\r\nHKRP=1874\r\nCDPG=932\r\nXPOS=100\r\nYPOS=100\r\nAUTO=1\r\nMSLP=1\r\nTOPM=0\r\nARTF=1\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        // A new name each time: the platform may keep a file it has read in memory.
        TempDirectory dir;
        m_app.m_strProfileName = dir.File("Pelisan.ini");
        WriteFileBytes(m_app.m_strProfileName, SetSection(c.stored));
        MainSettings settings;
        LoadSettings(m_app, settings);
        EXPECT_EQ(ValuesOf(settings), c.loaded);
        SaveSettings(m_app, settings);
        EXPECT_EQ(ReadFileBytes(m_app.m_strProfileName), SetSection(c.saved));
    }
}

TEST_F(SettingsStoreTest, SavingKeepsTheFontSectionsByteForByte)
{
    const std::string fonts = "[FNAM]\r\nFONT00932=" + Sjis(u8"ＭＳ ゴシック") +
                              "\r\nFONT01252=\r\n[FSIZ]\r\nFONT00932=10\r\nFONT01252=0\r\n";
    WriteFileBytes(Ini(), fonts);
    MainSettings settings;
    settings.m_nPosX = 5;
    SaveSettings(m_app, settings);
    const std::string saved = ReadFileBytes(Ini());
    EXPECT_EQ(saved.substr(0, fonts.size()), fonts);
    const std::string set = SetSection(
        "CDPG=932\r\nXPOS=5\r\nYPOS=100\r\nAUTO=1\r\nMSLP=1\r\nTOPM=0\r\nARTF=1\r\nHKCV=1877\r\nHKRP=1874\r\n");
    ASSERT_GE(saved.size(), set.size());
    EXPECT_EQ(saved.substr(saved.size() - set.size()), set);
}

TEST_F(SettingsStoreTest, UnwritableFileLosesNothing)
{
    // Another program holds the file open for reading only: it cannot be written.
    const std::string stored = SetSection("CDPG=936\r\nXPOS=1\r\n") + "[FSIZ]\r\nFONT00932=10\r\n";
    WriteFileBytes(Ini(), stored);
    HANDLE reader = CreateFileA(Ini().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    MainSettings settings;
    settings.m_nCodePage = 1252;
    SaveSettings(m_app, settings);
    CloseHandle(reader);
    EXPECT_EQ(ReadFileBytes(Ini()), stored);

    // A directory that does not exist cannot take the file either.
    m_app.m_strProfileName = m_dir.File("missing\\Pelisan.ini");
    SaveSettings(m_app, settings);
    LoadSettings(m_app, settings);
    EXPECT_EQ(ValuesOf(settings), (Values{932, 100, 100, 1, 1, 0, 1, kConvertKey, kRepairKey}));
    EXPECT_EQ(GetFileAttributesA(m_dir.File("missing").c_str()), INVALID_FILE_ATTRIBUTES);
}
