// The program's 8-bit texts (labels, face names, INI values, arguments) are
// code page 932 whatever the system's ANSI code page; windows are UTF-16.
// These are the only crossings between the two.
#pragma once

#include <string>
#include <string_view>

constexpr unsigned kUiCodePage = 932;

std::wstring FromCp932(std::string_view text);
// Text of another code page, such as the platform's own in the ANSI code page.
std::wstring FromCodePage(unsigned codePage, std::string_view text);
std::string ToCp932(std::wstring_view text);

// The length of the longest start of text that fits in limit bytes without
// splitting a double-byte character, so a cut text is still valid.
std::size_t Cp932PrefixLength(std::string_view text, std::size_t limit);
