// For the word-processor check: runs pelisan.exe's command-line pass on texts
// of the script's and keeps each RTF copy in a file, staying alive meanwhile
// so that the clipboard does too.
//   pelisan_rtf_tool DIR
// Each DIR\*.case holds pelisan.exe's arguments on its first line and the
// text to copy after it (UTF-8); the RTF copy goes to the same name with .rtf.
// Ends with 1 when a case could not be run.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "e2e/ProcessRunner.h"
#include "unit/ClipboardProbe.h"

namespace {

std::wstring FromUtf8(const std::string& bytes)
{
    std::wstring text(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, bytes.data(),
                                                                    static_cast<int>(bytes.size()), nullptr, 0)),
                      L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                        static_cast<int>(text.size()));
    return text;
}

bool RunCase(const std::wstring& path)
{
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    const std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::size_t lineEnd = content.find('\n');
    if (lineEnd == std::string::npos) {
        return false;
    }
    const std::wstring arguments = FromUtf8(content.substr(0, lineEnd));
    if (!PlaceOnClipboard({{CF_UNICODETEXT, WithZero(FromUtf8(content.substr(lineEnd + 1)))}}) ||
        RunPelisan(arguments, L"") != 0) {
        return false;
    }
    const std::optional<std::string> rtf = ClipboardBytes(RtfFormatId());
    if (!rtf) {
        return false;
    }
    std::ofstream(std::filesystem::path(path).replace_extension(L".rtf"), std::ios::binary) << rtf->c_str();
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) {
        return 1;
    }
    const std::wstring dir = argv[1];
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((dir + L"\\*.case").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return 1;
    }
    bool ran = true;
    do {
        ran = RunCase(dir + L"\\" + found.cFileName) && ran;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return ran ? 0 : 1;
}
