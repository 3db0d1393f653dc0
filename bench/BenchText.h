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

// About nBytes of HTML around Japanese and ASCII text, as a browser copies it.
std::string MakeHtml(std::size_t nBytes);

// A CF_DIB block: a 32-bit picture of nWidth by nHeight pixels.
std::string MakeDib(int nWidth, int nHeight);

// nBytes / 2 UTF-16 units: ASCII letters and kanji by turns, so that half of
// the characters lie outside code page 1252.
std::wstring MakeHalfOutside(std::size_t nBytes);
