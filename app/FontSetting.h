// One row of the per-code-page RTF font table.
#pragma once

#include <cstdint>
#include <cstdio>

// The largest size, in points, that the font picker accepts.
constexpr int kMaxFontSize = 100;

struct FontSetting {
    std::uint16_t nListIndex;  // entry of the code page list the row was built from
    std::uint16_t nCodePage;
    std::uint16_t nCharSet;    // GDI character set of the code page
    char szFaceName[32];       // code page 932 text; empty: no font chosen
    std::uint16_t nSize;       // points; 0: no size chosen
};

// Where the INI file keeps the rows: a section of faces and one of sizes,
// each keyed by the code page.
constexpr char kFaceSection[] = "FNAM";
constexpr char kSizeSection[] = "FSIZ";

struct FontKey {
    char text[16];
};

inline FontKey FontKeyOf(unsigned nCodePage)
{
    FontKey key;
    std::snprintf(key.text, sizeof(key.text), "FONT%05u", nCodePage);
    return key;
}
