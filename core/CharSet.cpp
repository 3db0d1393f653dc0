#include "core/CharSet.h"

#include <array>

namespace {

struct CharSetRow {
    unsigned nCodePage;
    unsigned nCharSet;
};

// The pairs Windows' TranslateCharsetInfo knows for TCI_SRCCODEPAGE. Wine
// answers more (65001 gives 254, which RTF readers take as PC 437), so the
// platform is not asked.
constexpr std::array<CharSetRow, 16> kCharSets{{
    {1252, 0},   {1250, 238}, {1251, 204}, {1253, 161}, {1254, 162}, {1255, 177},
    {1256, 178}, {1257, 186}, {1258, 163}, {874, 222},  {932, 128},  {936, 134},
    {949, 129},  {950, 136},  {1361, 130}, {42, 2},
}};

} // namespace

bool CharSetOfCodePage(unsigned nCodePage, unsigned* pnCharSet)
{
    for (const CharSetRow& row : kCharSets) {
        if (row.nCodePage == nCodePage) {
            *pnCharSet = row.nCharSet;
            return true;
        }
    }
    return false;
}
