#include "BenchText.h"

#include <windows.h>

namespace {

std::wstring Repeat(const std::wstring& unit, std::size_t nUnits)
{
    std::wstring text;
    text.reserve(nUnits + unit.size());
    while (text.size() < nUnits) {
        text += unit;
    }
    text.resize(nUnits);
    return text;
}

std::string ToCodePage(const std::wstring& text, UINT codePage)
{
    const int bytes = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                          nullptr, nullptr);
    std::string result(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), result.data(), bytes, nullptr,
                        nullptr);
    return result;
}

} // namespace

MixedText MakeMixedText(std::size_t nBytes)
{
    // A line of a Japanese manual: kanji, kana, ASCII words and digits.
    const std::wstring line = L"\u30af\u30ea\u30c3\u30d7\u30dc\u30fc\u30c9\u306e\u6587\u5b57\u30b3\u30fc\u30c9"
                              L"\u3092\u5909\u63db\u3057\u307e\u3059\u3002 Pelisan 1.30 converts CF_TEXT "
                              L"\u3068 CF_UNICODETEXT (932)\r\n";
    // About 1.5 bytes of code page 932 per unit on this line.
    MixedText text;
    text.utf16 = Repeat(line, nBytes * 2 / 3);
    text.cp932 = ToCodePage(text.utf16, 932);
    return text;
}

MixedText MakeLineBreaks(std::size_t nBytes)
{
    MixedText text;
    text.cp932.assign(nBytes, '\n');
    text.utf16.assign(nBytes, L'\n');
    return text;
}
