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

std::string MakeHtml(std::size_t nBytes)
{
    const std::string row = "<tr><td class=\"c\">\xe5\xa4\x89\xe6\x8f\x9b</td><td>Pelisan 1.30</td></tr>\r\n";
    std::string html = "Version:0.9\r\nStartHTML:0000000000\r\nEndHTML:0000000000\r\n<html><body><table>\r\n";
    html.reserve(nBytes + row.size());
    while (html.size() < nBytes) {
        html += row;
    }
    return html;
}

std::string MakeDib(int nWidth, int nHeight)
{
    const BITMAPINFOHEADER header{sizeof header, nWidth, nHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::string dib(reinterpret_cast<const char*>(&header), sizeof header);
    dib.resize(dib.size() + 4 * static_cast<std::size_t>(nWidth) * nHeight);
    for (std::size_t i = sizeof header; i < dib.size(); ++i) {
        dib[i] = static_cast<char>(i * 7);
    }
    return dib;
}

std::wstring MakeHalfOutside(std::size_t nBytes)
{
    return Repeat(L"a\u65e5b\u672cc\u8a9ed\u6587", nBytes / 2);
}
