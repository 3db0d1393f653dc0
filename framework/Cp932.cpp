#include "framework/Cp932.h"

#include <windows.h>

std::wstring FromCp932(std::string_view text)
{
    return FromCodePage(kUiCodePage, text);
}

std::wstring FromCodePage(unsigned codePage, std::string_view text)
{
    const int length = static_cast<int>(text.size());
    const int units = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    std::wstring result(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), length, result.data(), units);
    return result;
}

std::string ToCp932(std::wstring_view text)
{
    const int length = static_cast<int>(text.size());
    const int bytes = WideCharToMultiByte(kUiCodePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(kUiCodePage, 0, text.data(), length, result.data(), bytes, nullptr, nullptr);
    return result;
}

std::size_t Cp932PrefixLength(std::string_view text, std::size_t limit)
{
    std::size_t length = 0;
    while (length < text.size()) {
        const bool pair = IsDBCSLeadByteEx(kUiCodePage, static_cast<BYTE>(text[length])) && length + 1 < text.size();
        const std::size_t next = length + (pair ? 2 : 1);
        if (next > limit) {
            break;
        }
        length = next;
    }
    return length;
}
