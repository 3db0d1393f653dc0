// Texts the benchmark places on the clipboard.
#pragma once

#include <string>

// Japanese double-byte characters, ASCII and CR LF line breaks, in code page
// 932 and UTF-16 (the same text), about nBytes long in code page 932.
struct MixedText {
    std::string cp932;
    std::wstring utf16;
};
MixedText MakeMixedText(std::size_t nBytes);

// nBytes lone LF bytes: the worst case of the RTF copy (six bytes out per byte in).
MixedText MakeLineBreaks(std::size_t nBytes);
