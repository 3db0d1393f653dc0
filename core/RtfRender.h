// The Rich Text Format copy of a pass's 8-bit text. Free of Windows headers.
#pragma once

#include <cstddef>

// Length in bytes, zero byte excluded, of what RenderRtf writes for these inputs.
std::size_t RtfLength(const char* pszText, unsigned nCodePage, const char* pszFaceName, int nSize);

// Writes the document and its zero byte to pszOut, which must hold at least
// RtfLength(...) + 1 bytes. nSize is in half-points; 0 writes no size. A null
// or empty face name writes no face.
void RenderRtf(char* pszOut, const char* pszText, unsigned nCodePage, const char* pszFaceName, int nSize);
