// The command-line grammar. Free of Windows headers.
#pragma once

#include <string>

#include "framework/CommandLineInfo.h"

class CConverterCommandLineInfo : public CCommandLineInfo {
public:
    void ParseParam(const char* pszParam, int bFlag, int bLast) override;

    int m_bConvertMode = 0;  // any argument at all: one pass, no window
    int m_nCodePage = 932;
    int m_bRtf = 0;
    std::string m_strFaceName;
    int m_nFontSize = 0;     // points; 0: none
    int m_bRepair = 0;       // /repair: undo mojibake instead of converting
    int m_bStandardInput = 0; // a lone - : with /repair, lines from standard input, not the clipboard
};
