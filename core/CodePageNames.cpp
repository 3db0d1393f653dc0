#include <windows.h>

#include <string>
#include <string_view>

#include "core/CodePageList.h"
#include "framework/Cp932.h"

namespace {

struct SourceName {
    UINT nCodePage;
    const char8_t* pszName;
};

// Written in UTF-8 so that they read here as they show on screen; the list
// labels are code page 932, into which they are converted once at start-up.
constexpr SourceName kSourceNames[] = {
    {37, u8"IBM EBCDIC - 米国/カナダ"},
    {437, u8"OEM - 米国"},
    {500, u8"IBM EBCDIC - インターナショナル"},
    {708, u8"アラビア語 - ASMO"},
    {720, u8"アラビア語 - Transparent ASMO"},
    {737, u8"OEM - ギリシャ語 437G"},
    {775, u8"OEM - バルト"},
    {850, u8"OEM - 多言語ラテン I"},
    {852, u8"OEM - ラテン II"},
    {855, u8"OEM - キリル"},
    {857, u8"OEM - トルコ語"},
    {858, u8"OEM - 多言語ラテン I + ユーロ"},
    {860, u8"OEM - ポルトガル語"},
    {861, u8"OEM - アイスランド語"},
    {862, u8"OEM - ヘブライ語"},
    {863, u8"OEM - カナダ フランス語"},
    {864, u8"OEM - アラビア語"},
    {865, u8"OEM - 北欧"},
    {866, u8"OEM - ロシア語"},
    {869, u8"OEM - 現代ギリシャ語"},
    {870, u8"IBM EBCDIC - 多言語ラテン II"},
    {874, u8"ANSI/OEM - タイ語"},
    {875, u8"IBM EBCDIC - 現代ギリシャ語"},
    {932, u8"ANSI/OEM - 日本語 Shift-JIS"},
    {936, u8"ANSI/OEM - 簡体字中国語 GBK"},
    {949, u8"ANSI/OEM - 韓国語"},
    {950, u8"ANSI/OEM - 繁体字中国語 Big5"},
    {1026, u8"IBM EBCDIC - トルコ語 ラテン 5"},
    {1047, u8"IBM EBCDIC - ラテン 1/Open System"},
    {1140, u8"IBM EBCDIC - 米国/カナダ + ユーロ"},
    {1141, u8"IBM EBCDIC - ドイツ + ユーロ"},
    {1142, u8"IBM EBCDIC - デンマーク/ノルウェー + ユーロ"},
    {1143, u8"IBM EBCDIC - フィンランド/スウェーデン + ユーロ"},
    {1144, u8"IBM EBCDIC - イタリア + ユーロ"},
    {1145, u8"IBM EBCDIC - ラテン アメリカ/スペイン + ユーロ"},
    {1146, u8"IBM EBCDIC - 英国 + ユーロ"},
    {1147, u8"IBM EBCDIC - フランス + ユーロ"},
    {1148, u8"IBM EBCDIC - インターナショナル + ユーロ"},
    {1149, u8"IBM EBCDIC - アイスランド語 + ユーロ"},
    {1250, u8"ANSI - 中央ヨーロッパ"},
    {1251, u8"ANSI - キリル"},
    {1252, u8"ANSI - ラテン I"},
    {1253, u8"ANSI - ギリシャ語"},
    {1254, u8"ANSI - トルコ語"},
    {1255, u8"ANSI - ヘブライ語"},
    {1256, u8"ANSI - アラビア語"},
    {1257, u8"ANSI - バルト"},
    {1258, u8"ANSI/OEM - ベトナム語"},
    {1361, u8"韓国語 - Johab"},
    {10000, u8"MAC - ローマ字"},
    {10001, u8"MAC - 日本語"},
    {10002, u8"MAC - 繁体字中国語 Big5"},
    {10003, u8"MAC - 韓国語"},
    {10004, u8"MAC - アラビア語"},
    {10005, u8"MAC - ヘブライ語"},
    {10006, u8"MAC - ギリシャ語 I"},
    {10007, u8"MAC - キリル"},
    {10008, u8"MAC - 簡体字中国語 GB 2312"},
    {10010, u8"MAC - ルーマニア語"},
    {10017, u8"MAC - ウクライナ語"},
    {10021, u8"MAC - タイ語"},
    {10029, u8"MAC - ラテン II"},
    {10079, u8"MAC - アイスランド語"},
    {10081, u8"MAC - トルコ語"},
    {10082, u8"MAC - クロアチア語"},
    {20000, u8"CNS - 台湾"},
    {20001, u8"TCA - 台湾"},
    {20002, u8"Eten - 台湾"},
    {20003, u8"IBM5550 - 台湾"},
    {20004, u8"TeleText - 台湾"},
    {20005, u8"Wang - 台湾"},
    {20105, u8"IA5 IRV 国際アルファベット No.5 7 ビット"},
    {20106, u8"IA5 ドイツ語 7 ビット"},
    {20107, u8"IA5 スウェーデン語 7 ビット"},
    {20108, u8"IA5 ノルウェー語 7 ビット"},
    {20127, u8"US-ASCII"},
    {20261, u8"T.61"},
    {20269, u8"ISO 6937 ノンスペーシング アクセント"},
    {20273, u8"IBM EBCDIC - ドイツ"},
    {20277, u8"IBM EBCDIC - デンマーク/ノルウェー"},
    {20278, u8"IBM EBCDIC - フィンランド/スウェーデン"},
    {20280, u8"IBM EBCDIC - イタリア"},
    {20284, u8"IBM EBCDIC - ラテン アメリカ/スペイン"},
    {20285, u8"IBM EBCDIC - 英国"},
    {20290, u8"IBM EBCDIC - 日本語 カタカナ拡張"},
    {20297, u8"IBM EBCDIC - フランス"},
    {20420, u8"IBM EBCDIC - アラビア語"},
    {20423, u8"IBM EBCDIC - ギリシャ語"},
    {20424, u8"IBM EBCDIC - ヘブライ語"},
    {20833, u8"IBM EBCDIC - 韓国語 拡張"},
    {20838, u8"IBM EBCDIC - タイ語"},
    {20866, u8"ロシア語 - KOI8-R"},
    {20871, u8"IBM EBCDIC - アイスランド語"},
    {20880, u8"IBM EBCDIC - キリル ロシア語"},
    {20905, u8"IBM EBCDIC - トルコ語"},
    {20924, u8"IBM EBCDIC - ラテン 1/Open System + ユーロ"},
    {20932, u8"JIS X 0208-1990 & 0212-1990"},
    {20936, u8"簡体字中国語 GB2312"},
    {20949, u8"Korean Wansung"},
    {21025, u8"IBM EBCDIC - キリル セルビア語/ブルガリア語"},
    {21027, u8"Ext Alpha 小文字"},
    {21866, u8"ウクライナ語 - KOI8-U"},
    {28591, u8"ISO 8859-1 ラテン I"},
    {28592, u8"ISO 8859-2 中央ヨーロッパ"},
    {28593, u8"ISO 8859-3 ラテン 3"},
    {28594, u8"ISO 8859-4 バルト"},
    {28595, u8"ISO 8859-5 キリル"},
    {28596, u8"ISO 8859-6 アラビア語"},
    {28597, u8"ISO 8859-7 ギリシャ語"},
    {28598, u8"ISO 8859-8 ヘブライ語: 視覚順"},
    {28599, u8"ISO 8859-9 トルコ語"},
    {28605, u8"ISO 8859-15 ラテン 9"},
    {38598, u8"ISO 8859-8 ヘブライ語: 論理順"},
    {50220, u8"ISO-2022 日本語、半角カタカナなし"},
    {50221, u8"ISO-2022 日本語、半角カタカナ"},
    {50222, u8"ISO-2022 日本語、半角カタカナ SO/SI"},
    {50225, u8"ISO-2022 韓国語"},
    {50227, u8"ISO-2022 簡体字中国語"},
    {50229, u8"ISO-2022 繁体字中国語"},
    {50930, u8"IBM EBCDIC - 日本語 カタカナ拡張と日本語"},
    {50931, u8"IBM EBCDIC - 米国/カナダと日本語"},
    {50933, u8"IBM EBCDIC - 韓国語 拡張と韓国語"},
    {50935, u8"IBM EBCDIC - 簡体字中国語 拡張と簡体字中国語"},
    {50937, u8"IBM EBCDIC - 米国/カナダと繁体字中国語"},
    {50939, u8"IBM EBCDIC - 日本語 ラテン拡張と日本語"},
    {51932, u8"EUC-日本語"},
    {51936, u8"EUC-簡体字中国語"},
    {51949, u8"EUC-韓国語"},
    {51950, u8"EUC-繁体字中国語"},
    {52936, u8"HZ-GB2312 簡体字中国語"},
    {54936, u8"GB18030 簡体字中国語"},
    {57002, u8"ISCII デバナガリ文字"},
    {57003, u8"ISCII ベンガル文字"},
    {57004, u8"ISCII タミル文字"},
    {57005, u8"ISCII テルグ文字"},
    {57006, u8"ISCII アッサム文字"},
    {57007, u8"ISCII オリヤー文字"},
    {57008, u8"ISCII カンナダ文字"},
    {57009, u8"ISCII マラヤーラム文字"},
    {57010, u8"ISCII グジャラート文字"},
    {57011, u8"ISCII パンジャブ文字"},
    {65000, u8"UTF-7"},
    {65001, u8"UTF-8"},
};
static_assert(std::size(kSourceNames) == kCodePageNameCount);

std::string Cp932FromUtf8(std::u8string_view name)
{
    return ToCp932(FromCodePage(CP_UTF8, {reinterpret_cast<const char*>(name.data()), name.size()}));
}

// Storage for the converted names; the table points into it.
const std::array<std::string, kCodePageNameCount> kNames932 = [] {
    std::array<std::string, kCodePageNameCount> names;
    for (std::size_t i = 0; i < kCodePageNameCount; ++i) {
        names[i] = Cp932FromUtf8(kSourceNames[i].pszName);
    }
    return names;
}();

} // namespace

const std::array<CodePageNameEntry, kCodePageNameCount + 1> g_codePageNames = [] {
    std::array<CodePageNameEntry, kCodePageNameCount + 1> table{};
    for (std::size_t i = 0; i < kCodePageNameCount; ++i) {
        table[i] = {kSourceNames[i].nCodePage, kNames932[i].c_str()};
    }
    table[kCodePageNameCount] = {0, nullptr};
    return table;
}();
