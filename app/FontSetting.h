// One row of the per-code-page RTF font table.
#pragma once

#include <cstdint>

// The largest size, in points, that the font picker accepts.
constexpr int kMaxFontSize = 100;

struct FontSetting {
    std::uint16_t nListIndex;  // entry of the code page list the row was built from
    std::uint16_t nCodePage;
    std::uint16_t nCharSet;    // GDI character set of the code page
    char szFaceName[32];       // code page 932 text; empty: no font chosen
    std::uint16_t nSize;       // points; 0: no size chosen
};
