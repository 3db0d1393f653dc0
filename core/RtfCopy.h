// The Rich Text Format copy of a pass's 8-bit text, as a clipboard block.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string_view>

// The clipboard format's registered name.
constexpr char kRtfFormatName[] = "Rich Text Format";

// RtfCharacters' question for a Windows code page (*pCodePage): its bytes
// for the character when they decode back to it, else 0.
std::size_t EncodeExactly(void* pCodePage, const char16_t* pUnits, std::size_t nUnits, unsigned char* pBytes);

// The RTF copy of the 8-bit text in hText (its bytes up to the first zero, or
// the whole block), or null when it cannot be made. When the text was encoded
// from Unicode text, source is that text: characters the code page cannot
// express then go in as "\uN?" instead of the code page's default character.
HGLOBAL MakeRtfCopy(HGLOBAL hText, std::optional<std::wstring_view> source, UINT nCodePage, const char* pszFaceName,
                    int nPointSize);

// Whether the Rich Text Format block begins as every RTF copy of a pass does.
bool IsRtfCopy(HANDLE hRtf);
