#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "TestSupport.h"
#include "app/ConverterApp.h"
#include "core/CodePageList.h"

namespace {

// List index, code page, character set, face name, size.
using Row = std::tuple<unsigned, unsigned, unsigned, std::string, unsigned>;

class FontSettingsTest : public ::testing::Test {
protected:
    FontSettingsTest()
    {
        m_app.m_strProfileName = m_dir.File("Pelisan.ini");
        g_pCodePageCombo = &m_list.Combo();
    }
    ~FontSettingsTest() override
    {
        m_app.SaveFontSettings();
        g_pCodePageCombo = nullptr;
    }

    void FillList(const std::vector<UINT>& codePages)
    {
        for (UINT codePage : codePages) {
            char label[8];
            std::snprintf(label, sizeof(label), "%5u", codePage);
            m_list.Combo().SetItemData(m_list.Combo().AddString(label), codePage);
        }
    }

    std::vector<Row> Rows() const
    {
        std::vector<Row> rows;
        for (int i = 0; i < m_app.m_nFontSettings; ++i) {
            const FontSetting& r = m_app.m_pFontSettings[i];
            rows.push_back({r.nListIndex, r.nCodePage, r.nCharSet, r.szFaceName, r.nSize});
        }
        return rows;
    }

    TempDirectory m_dir;
    CConverterApp m_app;
    SortedComboBox m_list;
};

} // namespace

TEST_F(FontSettingsTest, LoadsRowsForCodePagesWithACharacterSetAndSavesThemAll)
{
    // Twenty entries; 874, 932, 936, 1250, 1252 and 1361 have a character set.
    FillList({37, 437, 850, 874, 932, 936, 1250, 1252, 1361, 10000, 10001, 20127, 20932, 20936, 28591, 50220,
              51932, 54936, 65000, 65001});
    const std::string gothic = Sjis(u8"ＭＳ ゴシック");
    const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    const std::string a30 = std::string(30, 'a');
    const std::string b29 = std::string(29, 'b');
    const std::string goshi = Sjis(u8"ゴシ");
    WriteFileBytes(m_app.m_strProfileName,
                   "[FNAM]\r\n"
                   "FONT00037=Courier\r\n"
                   "FONT00932=" + gothic + "\r\n"
                   "FONT00936=" + a30 + goshi + "\r\n"
                   "FONT01250=" + b29 + goshi + "\r\n"
                   "FONT01252=" + letters + "\r\n"
                   "FONT01361=\r\n"
                   "FONT65001=Arial\r\n"
                   "[FSIZ]\r\n"
                   "FONT00037=9\r\n"
                   "FONT00932=65546\r\n"
                   "FONT00936=abc\r\n"
                   "FONT01252=12\r\n"
                   "FONT65001=11\r\n");

    m_app.LoadFontSettings(m_list.Combo().GetCount());
    // A cut never splits a double-byte character: the 31st byte of the 936
    // face would be the first half of one.
    const std::vector<Row> expected = {
        {3, 874, 222, "", 0},
        {4, 932, 128, gothic, 10},
        {5, 936, 134, a30, 0},
        {6, 1250, 238, b29 + Sjis(u8"ゴ"), 0},
        {7, 1252, 0, letters.substr(0, 31), 12},
        {8, 1361, 130, "", 0},
    };
    EXPECT_EQ(Rows(), expected);

    const FontSetting* found = m_app.FindFontSetting(932);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(std::string(found->szFaceName), gothic);
    EXPECT_EQ(found->nSize, 10);
    EXPECT_EQ(m_app.FindFontSetting(65001), nullptr);
    EXPECT_EQ(m_app.FindFontSetting(0x10000 + 932), nullptr);

    m_app.m_pFontSettings[1].nSize = 65535;
    m_app.SaveFontSettings();
    EXPECT_EQ(m_app.m_pFontSettings, nullptr);
    EXPECT_EQ(m_app.m_nFontSettings, 0);
    EXPECT_EQ(m_app.FindFontSetting(932), nullptr);
    EXPECT_EQ(ReadFileBytes(m_app.m_strProfileName),
              "[FNAM]\r\n"
              "FONT00037=Courier\r\n"
              "FONT00932=" + gothic + "\r\n"
              "FONT00936=" + a30 + "\r\n"
              "FONT01250=" + b29 + Sjis(u8"ゴ") + "\r\n"
              "FONT01252=" + letters.substr(0, 31) + "\r\n"
              "FONT01361=\r\n"
              "FONT65001=Arial\r\n"
              "FONT00874=\r\n"
              "[FSIZ]\r\n"
              "FONT00037=9\r\n"
              "FONT00932=65535\r\n"
              "FONT00936=0\r\n"
              "FONT01252=12\r\n"
              "FONT65001=11\r\n"
              "FONT00874=0\r\n"
              "FONT01250=0\r\n"
              "FONT01361=0\r\n");
}

TEST_F(FontSettingsTest, SizesThePickerWouldRefuseReadAsNone)
{
    FillList({874, 932, 936, 1250, 1252, 1361});
    WriteFileBytes(m_app.m_strProfileName, "[FSIZ]\r\n"
                                           "FONT00874=-12\r\n"
                                           "FONT00932=100\r\n"
                                           "FONT00936=101\r\n"
                                           "FONT01250=65636\r\n"
                                           "FONT01252=70000\r\n"
                                           "FONT01361=65545\r\n");
    m_app.LoadFontSettings(m_list.Combo().GetCount());
    std::vector<unsigned> sizes;
    for (const Row& row : Rows()) {
        sizes.push_back(std::get<4>(row));
    }
    // The low 16 bits are taken first: 65636 gives 100, 65545 gives 9, and
    // 70000 gives 4464, which no picker accepts.
    EXPECT_EQ(sizes, (std::vector<unsigned>{0, 100, 0, 100, 0, 9}));
}

TEST_F(FontSettingsTest, CountDecidesWhichEntriesAreRead)
{
    FillList({437, 932, 1252});
    struct Case {
        int count;
        std::vector<unsigned> codePages;
    };
    const Case cases[] = {{3, {932, 1252}}, {2, {932}}, {1, {}}, {0, {}}, {-4, {}}, {1000, {932, 1252}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        m_app.LoadFontSettings(c.count);
        std::vector<unsigned> codePages;
        for (const Row& row : Rows()) {
            codePages.push_back(std::get<1>(row));
        }
        EXPECT_EQ(codePages, c.codePages);
        m_app.SaveFontSettings();
    }
    g_pCodePageCombo = nullptr;
    m_app.LoadFontSettings(3);
    EXPECT_EQ(m_app.m_nFontSettings, 0);
    m_app.SaveFontSettings();

    // Nothing was written for 437, and no row wrote a face it did not have.
    EXPECT_EQ(ReadFileBytes(m_app.m_strProfileName),
              "[FNAM]\r\nFONT00932=\r\nFONT01252=\r\n[FSIZ]\r\nFONT00932=0\r\nFONT01252=0\r\n");
}
