// One conversion of the clipboard's text through a code page: CF_TEXT decoded
// to Unicode, CF_UNICODETEXT encoded to 8-bit text, both written back after
// the marker format where the copy's own text stood, with a locale of that
// code page and an optional Rich Text Format copy, among every other format
// of the copy, unchanged and in its order.
#pragma once

#include <windows.h>

#include <vector>

// Name of the format whose presence marks the clipboard as written by a pass.
constexpr const char kMarkerFormatName[] = "CF_PELISAN";

enum class PassResult {
    Converted,        // the result is written
    NothingToConvert, // the clipboard offered neither text format; nothing written
    LeftAsItIs,       // an automatic pass on a copy that asks to be left alone or needs nothing; nothing written
    GivenUp,          // an automatic pass that could not read the whole copy in time; nothing written
    TextUnreadable,   // the copy offers text that its program did not give (failed, or no answer in time); nothing written
    ClipboardFailed,  // it could not be read or written, or a newer copy came first; nothing written
};

// Who asked for the pass: the user (Convert, the command line), or the window
// after a copy. An automatic pass leaves a password manager's copy alone,
// writes only when it would change what a paster gets, and only what it read
// whole within about a second. Asked by the user, a pass leaves out what
// cannot be read, and names it.
enum class PassMode { OnRequest, Automatic };

// What a pass tells its caller besides its result.
struct PassReport {
    // The formats a written conversion left out, or the texts that could not
    // be read.
    std::vector<UINT> leftOut;
    // The clipboard's change count when the pass read it: a result that wrote
    // nothing is of that copy, not of one made since.
    DWORD nReadSequence = 0;
};

PassResult ConversionPass(UINT nCodePage, BOOL bAddRtf, const char* pszFaceName, int nPointSize,
                          PassMode mode = PassMode::OnRequest, PassReport* pReport = nullptr);

// The steps of a pass, for the callers that test them one by one.
HGLOBAL ReadFormatCopy(UINT nFormat);
HGLOBAL DecodeClipboardText(UINT nCodePage);
HGLOBAL EncodeClipboardUnicode(UINT nCodePage);
HGLOBAL DuplicateFormatBlock(UINT nFormat);
void WriteConversionResult(HGLOBAL hUnicode, HGLOBAL hText, BOOL bAddRtf, UINT nCodePage,
                           const char* pszFaceName, int nPointSize);
