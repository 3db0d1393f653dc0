// Receives the program's arguments one by one. Kept free of Windows headers so
// the grammar built on it can be compiled and fuzzed anywhere.
#pragma once

#include <string>
#include <vector>

class CCommandLineInfo {
public:
    virtual ~CCommandLineInfo() = default;

    // bFlag and bLast are Win32 BOOLs: pszParam follows the '-' or '/' of a
    // flag; bLast is set for the last argument.
    virtual void ParseParam(const char* pszParam, int bFlag, int bLast) = 0;
};

// Hands each argument (program name excluded) to info.ParseParam.
void DispatchArguments(const std::vector<std::string>& args, CCommandLineInfo& info);
