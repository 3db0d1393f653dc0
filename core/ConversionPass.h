// One conversion of the clipboard's text through a code page: CF_TEXT decoded
// to Unicode, CF_UNICODETEXT encoded to 8-bit text, both written back after
// the marker format, with an optional Rich Text Format copy, and followed by
// every other format of the copy, unchanged.
#pragma once

#include <windows.h>

// Name of the format whose presence marks the clipboard as written by a pass.
constexpr const char kMarkerFormatName[] = "CF_PELISAN";

enum class PassResult {
    Converted,        // the result is written
    NothingToConvert, // the clipboard offered neither text format; nothing written
    ClipboardFailed,  // it could not be read or written, or a newer copy came first; nothing written
};

PassResult ConversionPass(UINT nCodePage, BOOL bAddRtf, const char* pszFaceName, int nPointSize);

// The steps of a pass, for the callers that test them one by one.
HGLOBAL ReadFormatCopy(UINT nFormat);
HGLOBAL DecodeClipboardText(UINT nCodePage);
HGLOBAL EncodeClipboardUnicode(UINT nCodePage);
HGLOBAL DuplicateFormatBlock(UINT nFormat);
void WriteConversionResult(HGLOBAL hUnicode, HGLOBAL hText, BOOL bAddRtf, UINT nCodePage,
                           const char* pszFaceName, int nPointSize);
