#include "repair/MojibakeRepair.h"

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <utility>

#include "core/Platform.h"
#include "repair/RepairModel.h"

namespace {

using namespace repair_model;

// The order is the preference where two readings give the same text: 1252 is
// the commonest wrong reading, UTF-8 the commonest right one.
constexpr UINT kVietnamese = 1258;
constexpr UINT kCandidates[] = {1252, CP_UTF8, 932, 936, 949, 950, 1251, 1250, 1253, 1254,
                                1255, 1256, 1257, 1258, 874, 866, 20866};

// Code pages text is shown through more than written in: the consoles', the
// Mac's and the ISO ones that differ most from their Windows neighbours.
// Each misreads UTF-8 ("g√¢teaux", "╨┐╤Ç"), a console's or an ISO one also
// the Windows code page of its letters, and once: text they garbled is
// seldom saved and misread again. The Mac's read as Windows text would make
// symbols of letters in clean text ("«" in 1251 is "З" in 10007).
struct Reader {
    UINT codePage;
    UINT windowsPage; // 0 for none
};
constexpr Reader kReaders[] = {{437, 1252},   {850, 1252},   {10000, 0},    {852, 1250},  {10029, 0},
                               {855, 1251},   {10007, 0},    {21866, 1251}, {737, 1253},  {775, 1257},
                               {857, 1254},   {862, 1255},   {28591, 1252}, {28592, 1250}, {28595, 1251}};
static_assert(std::size(kCandidates) + std::size(kReaders) <= 32, "a candidate is a bit of a 32-bit mask");

// Texts longer than this are decided on windows of their own (see
// DecideLongText); every window must agree.
constexpr std::size_t kWholeTextLimit = 4096;
constexpr std::size_t kWindowUnits = 1024;
// Readings much less likely than the text, or than a repair found already,
// cannot win and barely matter as runners-up: their cost is counted only this
// far past the text's and the repair's. Far past any margin.
constexpr int kCostHorizon = 64 * 8;
constexpr int kNoRunnerUp = INT_MAX / 2;
// How many of the likeliest UTF-8 readings are undone once more.
constexpr std::size_t kTwiceExpanded = 2;
// A character's token, without its case (case << kTokenBits | token).
constexpr std::uint16_t kTokenMask = (1u << kTokenBits) - 1;

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Reads one code point at i and moves past it; a lone surrogate is itself.
std::uint32_t NextCodePoint(std::wstring_view text, std::size_t& i)
{
    const wchar_t c = text[i++];
    if (IsHighSurrogate(c) && i < text.size() && IsLowSurrogate(text[i])) {
        return 0x10000 + ((static_cast<std::uint32_t>(c) - 0xD800) << 10) + (text[i++] - 0xDC00);
    }
    return c;
}

// Vietnamese is written in 1258 as Windows writes it with its composite
// check: a letter the code page lacks goes as the letter without its tone
// and a combining tone mark ("\u1EBF": "\u00EA" and U+0301). Not every
// platform's conversion does it, so it is done here.
struct VietnameseLetter {
    wchar_t composed;
    wchar_t letter; // in 1258
    wchar_t tone;
    auto operator<=>(const VietnameseLetter&) const = default;
};

bool ByParts(const VietnameseLetter& a, const VietnameseLetter& b)
{
    return std::pair(a.letter, a.tone) < std::pair(b.letter, b.tone);
}

bool IsToneMark(wchar_t c)
{
    return c == 0x0300 || c == 0x0301 || c == 0x0303 || c == 0x0309 || c == 0x0323;
}

// The letters that are one of 1258's letters and a tone.
std::vector<VietnameseLetter> VietnameseLetters(const std::vector<std::uint32_t>& masks, std::uint32_t bit)
{
    std::vector<VietnameseLetter> letters;
    for (const auto& [first, last] : {std::pair(0xC0, 0x24F), std::pair(0x1E00, 0x1EFF)}) {
        for (wchar_t c = static_cast<wchar_t>(first); c <= last; ++c) {
            wchar_t parts[8];
            const int count = NormalizeString(NormalizationD, &c, 1, parts, 8);
            const auto tone = std::find_if(parts + 1, parts + std::max(count, 1), IsToneMark);
            if (count < 2 || tone == parts + count) {
                continue;
            }
            std::rotate(tone, tone + 1, parts + count); // the tone last, the rest to compose
            wchar_t letter[8];
            if (NormalizeString(NormalizationC, parts, count - 1, letter, 8) == 1 && (masks[letter[0]] & bit) != 0) {
                letters.push_back({c, letter[0], parts[count - 1]});
            }
        }
    }
    return letters;
}

// Built once, on first use: which candidates encode each BMP character (from
// the platform's own decoding of every byte sequence), and each character's
// token for the model.
struct Tables {
    std::vector<UINT> codePages;       // the candidates the system has, the readers last
    std::size_t nRightCount = 0;       // the candidates text may be written in: the first ones
    std::vector<UINT> readsAlso;       // per candidate: a reader's Windows code page, or 0
    std::vector<std::uint32_t> masks;  // per BMP character: bit i set when codePages[i] encodes it
    std::vector<std::uint16_t> tokens; // per BMP character: case << kTokenBits | token
    // per token: its cost in each language, as a character of its kind and among them
    std::vector<std::array<std::uint16_t, kLanguageCount>> characterCosts;
    std::vector<bool> asciiTokens; // per token: ASCII, a space or a digit
    std::vector<bool> tripleLetters; // per token: a letter beyond ASCII of a small alphabet
    std::uint32_t nUtf8Bit = 0;
    std::uint32_t nVietnameseBit = 0;
    std::uint32_t nNoBreakSpaceBits = 0; // the candidates whose 0xA0 is a no-break space
    std::vector<VietnameseLetter> vietnamese;        // by the letter beyond 1258
    std::vector<VietnameseLetter> vietnameseByParts; // by its parts
};

void MarkDecoded(std::vector<std::uint32_t>& masks, std::uint32_t bit, UINT codePage, const char* bytes, int length)
{
    wchar_t unit[2];
    if (g_platform.MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, length, unit, 2) == 1) {
        masks[unit[0]] |= bit;
    }
}

void MarkRepertoire(std::vector<std::uint32_t>& masks, std::uint32_t bit, UINT codePage)
{
    CPINFO info{};
    if (!g_platform.GetCPInfo(codePage, &info)) {
        return;
    }
    std::array<bool, 256> lead{};
    for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2) {
        std::fill(lead.begin() + info.LeadByte[i], lead.begin() + info.LeadByte[i + 1] + 1, true);
    }
    for (int first = 0; first < 256; ++first) {
        if (!lead[first]) {
            const char byte = static_cast<char>(first);
            MarkDecoded(masks, bit, codePage, &byte, 1);
            continue;
        }
        for (int second = 0x40; second < 0xFF; ++second) {
            const char pair[2] = {static_cast<char>(first), static_cast<char>(second)};
            MarkDecoded(masks, bit, codePage, pair, 2);
        }
    }
}

constexpr char kSpaceByte = 0x20;
constexpr char kNoBreakSpaceByte = static_cast<char>(0xA0);

bool ReadsNoBreakSpace(UINT codePage)
{
    wchar_t unit = 0;
    return g_platform.MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, &kNoBreakSpaceByte, 1, &unit, 1) == 1 &&
           unit == 0xA0;
}

std::uint32_t KindOf(std::uint32_t codePoint)
{
    const auto run = std::upper_bound(kKindRuns.begin(), kKindRuns.end(), codePoint,
                                      [](std::uint32_t c, std::uint32_t entry) { return c < (entry >> 5); });
    return *std::prev(run) & 31;
}

// The candidate's place among codePages; codePages.size() for one that is none.
std::size_t IndexOf(const std::vector<UINT>& codePages, UINT codePage)
{
    return static_cast<std::size_t>(std::find(codePages.begin(), codePages.end(), codePage) - codePages.begin());
}

// The candidate's bit in the masks; 0 for a code page that is none.
std::uint32_t BitOf(const std::vector<UINT>& codePages, UINT codePage)
{
    const std::size_t index = IndexOf(codePages, codePage);
    return index < codePages.size() ? 1u << index : 0;
}

void AddCandidate(Tables& tables, UINT codePage, UINT readsAlso)
{
    if (!g_platform.IsValidCodePage(codePage)) {
        return;
    }
    const std::uint32_t bit = 1u << tables.codePages.size();
    tables.codePages.push_back(codePage);
    tables.readsAlso.push_back(readsAlso);
    tables.nVietnameseBit |= codePage == kVietnamese ? bit : 0;
    if (codePage == CP_UTF8) {
        tables.nUtf8Bit = bit;
        for (std::uint32_t c = 0; c < 0x10000; ++c) {
            tables.masks[c] |= bit;
        }
    } else {
        MarkRepertoire(tables.masks, bit, codePage);
        tables.nNoBreakSpaceBits |= ReadsNoBreakSpace(codePage) ? bit : 0;
    }
}

Tables BuildTables()
{
    Tables tables;
    tables.masks.assign(0x10000, 0);
    for (const UINT codePage : kCandidates) {
        AddCandidate(tables, codePage, 0);
    }
    tables.nRightCount = tables.codePages.size();
    for (const Reader& reader : kReaders) {
        AddCandidate(tables, reader.codePage, reader.windowsPage);
    }
    tables.vietnamese = VietnameseLetters(tables.masks, tables.nVietnameseBit);
    tables.vietnameseByParts = tables.vietnamese;
    std::sort(tables.vietnameseByParts.begin(), tables.vietnameseByParts.end(), ByParts);
    tables.tokens.resize(0x10000);
    for (std::uint32_t c = 0; c < 0x10000; ++c) {
        tables.tokens[c] = static_cast<std::uint16_t>(KindOf(c));
    }
    for (const std::uint32_t row : kVocabulary) {
        tables.tokens[row >> 16] = static_cast<std::uint16_t>(row & 0xFFFF);
    }
    tables.asciiTokens.assign(kTokenKind.size(), false);
    tables.asciiTokens[kSpace] = tables.asciiTokens[kDigit] = true;
    for (std::uint32_t c = 0; c < 0x80; ++c) {
        const std::uint32_t token = tables.tokens[c] & kTokenMask;
        tables.asciiTokens[token] = tables.asciiTokens[token] || token >= kKindCount;
    }
    tables.tripleLetters.resize(kTokenKind.size());
    for (std::size_t token = kKindCount; token < kTokenKind.size(); ++token) {
        tables.tripleLetters[token] = !tables.asciiTokens[token] && ((kTripleKinds >> kTokenKind[token]) & 1) != 0;
    }
    tables.characterCosts.resize(kTokenKind.size());
    for (std::size_t token = 0; token < kTokenKind.size(); ++token) {
        for (unsigned language = 0; language < kLanguageCount; ++language) {
            tables.characterCosts[token][language] = static_cast<std::uint16_t>(
                kTokenCost[token * kModelCount + language] + kKindUnigramCost[language][kTokenKind[token]]);
        }
    }
    return tables;
}

const Tables& GetTables()
{
    static const Tables tables = BuildTables();
    return tables;
}

// The model ---------------------------------------------------------------

bool IsAscii(std::wstring_view text)
{
    return std::all_of(text.begin(), text.end(), [](wchar_t c) { return c < 0x80; });
}


std::uint32_t TokenOf(const Tables& tables, std::uint32_t codePoint)
{
    return codePoint < 0x10000 ? tables.tokens[codePoint] : KindOf(codePoint);
}

// The cost in one of the model's hashed tables for hash, or -1 where it has none.
template <std::size_t N>
int FindCost(const std::array<std::uint16_t, N>& keys, const std::array<std::uint8_t, N>& costs, std::uint32_t hash)
{
    constexpr int bits = std::countr_zero(N);
    const std::uint16_t fingerprint = (hash & 0xFFFF) != 0 ? static_cast<std::uint16_t>(hash) : 1;
    for (std::uint32_t slot = hash >> (32 - bits); keys[slot] != 0; slot = (slot + 1) & (N - 1)) {
        if (keys[slot] == fingerprint) {
            return costs[slot];
        }
    }
    return -1;
}

inline int PairCost(unsigned model, std::uint32_t a, std::uint32_t b)
{
    const int cost = FindCost(kPairKeys, kPairCost, PairHash(model << kTokenBits | a, b));
    return cost >= 0 ? cost
                     : kBackoffCost[a * kModelCount + model] + kKindCost[model][kTokenKind[a]][kTokenKind[b]] +
                           kTokenCost[b * kModelCount + model];
}

// What c costs after the letters a and b, given what it costs after b alone.
inline int TripleCost(unsigned model, std::uint32_t a, std::uint32_t b, std::uint32_t c, int pairCost)
{
    const std::uint32_t context = PairHash(model << kTokenBits | a, b);
    const int cost = FindCost(kTripleKeys, kTripleCost, PairHash(context, c));
    if (cost >= 0) {
        return cost;
    }
    return pairCost + std::max(0, FindCost(kTripleKeys, kTripleCost, PairHash(context, kAnyFollower)));
}

// Scripts written with spaces between words, whose letters no real word has
// inside a word of another ("frรจres"). Chinese, Japanese and Korean words take
// Latin letters and each other's ("AとB", "PC방"), and are left out.
constexpr bool IsSpacedScript(unsigned kind)
{
    return kind == kLatin || kind == kCyrillic || kind == kGreek || kind == kArabic || kind == kHebrew ||
           kind == kThai;
}

// The case of one word's letters, and whether it mixes alphabets, priced
// when the word ends; whether it has letters beyond ASCII; and how many words
// so far mixed upper and lower case in letters beyond ASCII, or had letters
// of one script between letters of another.
class WordCase {
public:
    void Add(unsigned letterCase, unsigned kind, bool beyondAscii)
    {
        if (IsSpacedScript(kind) && kind != m_nScript) {
            m_nScript = kind;
            ++m_nScriptRuns;
        }
        m_bFirstUpper = m_bFirstUpper || (letterCase == 2 && m_nLower + m_nUpper == 0);
        m_nLower += letterCase == 1;
        m_nUpper += letterCase == 2;
        m_nAlphabets |= kind == kLatin ? 1 : kind == kCyrillic ? 2 : kind == kGreek ? 4 : 0;
        m_bBeyondAscii = m_bBeyondAscii || beyondAscii;
        m_bCasedBeyondAscii = m_bCasedBeyondAscii || (letterCase != 0 && beyondAscii);
    }
    bool BeyondAscii() const { return m_bBeyondAscii; }
    int End()
    {
        const bool mixed = (m_nAlphabets & (m_nAlphabets - 1)) != 0;
        const unsigned pattern = mixed            ? 5
                                 : m_nUpper == 0 ? (m_nLower == 0 ? 0 : 1)
                                 : m_bFirstUpper && m_nUpper == 1 ? 2
                                 : m_nLower == 0                  ? 3
                                                                  : 4;
        m_nMixedCaseWords += pattern == 4 && m_bCasedBeyondAscii;
        m_nScriptInsideWords += m_nScriptRuns > 2;
        m_nScript = kKindCount;
        m_nLower = m_nUpper = m_nAlphabets = m_nScriptRuns = 0;
        m_bFirstUpper = m_bBeyondAscii = m_bCasedBeyondAscii = false;
        return kWordCaseCost[pattern];
    }
    unsigned MixedCaseWords() const { return m_nMixedCaseWords; }
    unsigned ScriptInsideWords() const { return m_nScriptInsideWords; }

private:
    unsigned m_nLower = 0;
    unsigned m_nUpper = 0;
    unsigned m_nAlphabets = 0;
    bool m_bFirstUpper = false;
    bool m_bBeyondAscii = false;
    bool m_bCasedBeyondAscii = false;
    unsigned m_nMixedCaseWords = 0;
    unsigned m_nScript = kKindCount; // of the word's last letter of a spaced script
    unsigned m_nScriptRuns = 0;
    unsigned m_nScriptInsideWords = 0;
};

bool WritesIn(unsigned language, UINT codePage)
{
    const auto& pages = kLanguages[language].codePages;
    return std::find(pages.begin(), pages.end(), codePage) != pages.end();
}

// Text of a language out of a code page that language is not written in is
// itself less likely.
constexpr int kForeignCodePageCost = 6 * 8;
constexpr unsigned kScoredLanguages = 2;
// Marks a token of a word with letters beyond ASCII.
constexpr std::uint16_t kInWordBeyondAscii = 0x8000;
// How far a language may price a pair of ASCII characters outside such words
// from all languages together.
constexpr int kAsciiLeeway = 4;
constexpr int kLanguageWindow = 24 * 8;

using LanguageCosts = std::array<int, kLanguageCount>;

// Writes the languages the characters alone make likeliest, the likeliest
// first, and those not far behind it, that are not written yet.
unsigned* Likeliest(const LanguageCosts& costs, unsigned* first, unsigned* out)
{
    std::array<unsigned, kLanguageCount> order;
    for (unsigned language = 0; language < kLanguageCount; ++language) {
        order[language] = language;
    }
    std::partial_sort(order.begin(), order.begin() + kScoredLanguages, order.end(),
                      [&](unsigned a, unsigned b) { return costs[a] < costs[b]; });
    for (unsigned k = 0; k < kScoredLanguages && costs[order[k]] <= costs[order[0]] + kLanguageWindow; ++k) {
        if (std::find(first, out, order[k]) == out) {
            *out++ = order[k];
        }
    }
    return out;
}

// What clean text seldom has and misreadings make: words like "ЗаНЬ" or
// "frรจres", and private-use characters, which a code page's user-defined
// area decodes to.
struct Oddities {
    unsigned mixedCaseWords = 0;
    unsigned scriptInsideWords = 0;
    unsigned privateUse = 0;
    bool NoMoreThan(const Oddities& other) const
    {
        return mixedCaseWords <= other.mixedCaseWords && scriptInsideWords <= other.scriptInsideWords &&
               privateUse <= other.privateUse;
    }
};

struct TextScore {
    int cost;
    Oddities oddities;
};

// The text with its combining sequences composed (NFC); false when that
// changes nothing or cannot be done.
bool Composed(std::wstring_view text, std::wstring& composed)
{
    const int length = static_cast<int>(text.size());
    composed.resize(text.size() * 3 + 8); // as far as composing may lengthen a text
    const int got = NormalizeString(NormalizationC, text.data(), length, composed.data(),
                                    static_cast<int>(composed.size()));
    composed.resize(static_cast<std::size_t>(std::max(got, 0)));
    return got > 0 && composed != text;
}

// How unlikely text is as real text of the language it most looks like.
// codePage: what its bytes were written in, 0 for the text as it came.
// Counting stops past limit. tokens: room for the text's tokens.
// bComposed: the text's combining sequences are composed already.
TextScore TextCost(const Tables& tables, std::wstring_view text, UINT codePage, int limit,
                   std::vector<std::uint16_t>& tokens, bool bComposed = false)
{
    tokens.clear();
    // Which languages it may be in, by all its characters and by those
    // beyond ASCII alone: a word of Russian amid English is Russian too.
    LanguageCosts all{};
    LanguageCosts beyondAscii{};
    WordCase word;
    int caseCost = 0;
    unsigned privateUse = 0;
    std::size_t wordStart = 0;
    const auto endWord = [&] {
        for (std::size_t k = wordStart; word.BeyondAscii() && k < tokens.size(); ++k) {
            tokens[k] |= kInWordBeyondAscii;
        }
        caseCost += word.End();
    };
    for (std::size_t i = 0; i < text.size();) {
        const std::uint32_t codePoint = NextCodePoint(text, i);
        const std::uint32_t entry = TokenOf(tables, codePoint);
        const std::uint32_t token = entry & kTokenMask;
        // A combining mark belongs to its letter: text in decomposed form,
        // as macOS writes it, is judged as the same text composed, the form
        // the model knows, so that its marks are never a reason for a
        // repair. Readings are still made of the text as it is, and so keep
        // its form. A mark that composes with nothing is priced as it is.
        if (kTokenKind[token] == kMark && !bComposed) [[unlikely]] {
            std::wstring composed;
            if (Composed(text, composed)) {
                return TextCost(tables, composed, codePage, limit, tokens, true);
            }
            bComposed = true;
        }
        privateUse += kTokenKind[token] == kPrivate;
        const auto& costs = tables.characterCosts[token];
        LanguageCosts& sum = codePoint >= 0x80 ? beyondAscii : all;
        for (unsigned language = 0; language < kLanguageCount; ++language) {
            sum[language] += costs[language];
        }
        if (IsLetterKind(kTokenKind[token])) {
            word.Add(entry >> kTokenBits, kTokenKind[token], codePoint >= 0x80);
        } else {
            endWord();
            wordStart = tokens.size() + 1;
        }
        tokens.push_back(static_cast<std::uint16_t>(token));
    }
    endWord();
    const bool foreign = codePage != 0 && codePage != CP_UTF8;
    for (unsigned language = 0; language < kLanguageCount; ++language) {
        beyondAscii[language] += foreign && !WritesIn(language, codePage) ? kForeignCodePageCost : 0;
        all[language] += beyondAscii[language];
    }
    std::array<unsigned, 2 * kScoredLanguages> languages;
    const auto count =
        Likeliest(beyondAscii, languages.data(), Likeliest(all, languages.data(), languages.data())) - languages.data();
    // The languages are counted side by side, so that their lookups overlap;
    // each stops once past limit, where its cost no longer counts.
    std::array<int, 2 * kScoredLanguages> costs;
    for (std::ptrdiff_t k = 0; k < count; ++k) {
        costs[k] = caseCost + (foreign && !WritesIn(languages[k], codePage) ? kForeignCodePageCost : 0);
    }
    const auto cheapest = [&] { return *std::min_element(costs.begin(), costs.begin() + count); };
    std::uint32_t before = kSpace;
    std::uint32_t previous = kSpace;
    bool previousInWord = false;
    for (std::size_t i = 0; i <= tokens.size() && cheapest() <= limit; ++i) {
        const std::uint32_t token = i < tokens.size() ? tokens[i] & kTokenMask : std::uint32_t{kSpace};
        const bool inWord = i < tokens.size() && (tokens[i] & kInWordBeyondAscii) != 0;
        // Pairs of ASCII characters outside words with letters beyond ASCII
        // (commands, addresses, English) cost nearly the same in every
        // language: every reading has them, and a language whose text is full
        // of them must not win on them. Within such words a language may price
        // them lower, never higher.
        const bool ascii = tables.asciiTokens[previous] && tables.asciiTokens[token];
        const bool neutral = ascii && !inWord && !previousInWord;
        const int pooled = ascii ? PairCost(kPooledModel, previous, token) : INT_MAX;
        const int floor = neutral ? pooled - kAsciiLeeway : 0;
        const int ceiling = neutral ? pooled + kAsciiLeeway : pooled;
        const bool triple = tables.tripleLetters[before] && tables.tripleLetters[previous];
        for (std::ptrdiff_t k = 0; k < count; ++k) {
            if (costs[k] <= limit) {
                const int pair = PairCost(languages[k], previous, token);
                costs[k] += std::clamp(triple ? TripleCost(languages[k], before, previous, token, pair) : pair, floor,
                                       ceiling);
            }
        }
        before = previous;
        previous = token;
        previousInWord = inWord;
    }
    return {cheapest(), {word.MixedCaseWords(), word.ScriptInsideWords(), privateUse}};
}

bool IsLetter(const Tables& tables, std::uint32_t codePoint)
{
    return IsLetterKind(kTokenKind[TokenOf(tables, codePoint) & kTokenMask]);
}

// Whether the two texts differ in their letters, not only in punctuation,
// symbols or spacing.
bool AltersLetter(const Tables& tables, std::wstring_view a, std::wstring_view b)
{
    std::size_t i = 0;
    std::size_t j = 0;
    for (;;) {
        std::uint32_t x = 0;
        std::uint32_t y = 0;
        while (i < a.size() && !IsLetter(tables, x = NextCodePoint(a, i))) {
            x = 0;
        }
        while (j < b.size() && !IsLetter(tables, y = NextCodePoint(b, j))) {
            y = 0;
        }
        if (x != y) {
            return true;
        }
        if (x == 0) {
            return false;
        }
    }
}

// Whether b only makes letters of a's symbols or punctuation, keeping the rest.
bool OnlyMakesLetters(const Tables& tables, std::wstring_view a, std::wstring_view b)
{
    if (a.size() != b.size() || a == b) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && (IsLetter(tables, a[i]) || !IsLetter(tables, b[i]))) {
            return false;
        }
    }
    return true;
}

bool IsLatinLetter(const Tables& tables, wchar_t c)
{
    return kTokenKind[TokenOf(tables, c) & kTokenMask] == kLatin;
}

// Whether the two texts differ in one Latin letter only, wherever it stands,
// for another Latin letter ("ç" for "ē" throughout): code pages with Latin
// letters read as one another often do, and such a letter cannot tell which
// text is the right one. Mojibake more often shows a symbol there ("³" for "ł").
bool SwapsOneLatinLetter(const Tables& tables, std::wstring_view a, std::wstring_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    std::pair<wchar_t, wchar_t> swap{};
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] == b[i] || (!IsLetter(tables, a[i]) && !IsLetter(tables, b[i]))) {
            continue;
        }
        if (!IsLatinLetter(tables, a[i]) || !IsLatinLetter(tables, b[i]) ||
            (swap.first != 0 && swap != std::pair(a[i], b[i]))) {
            return false;
        }
        swap = {a[i], b[i]};
    }
    return true;
}

// Strict conversions ------------------------------------------------------

bool InVietnamese(wchar_t c)
{
    const Tables& tables = GetTables();
    return (tables.masks[c] & tables.nVietnameseBit) != 0;
}

std::wstring SpellForVietnamese(std::wstring_view text)
{
    const auto& spellings = GetTables().vietnamese;
    std::wstring spelled;
    for (const wchar_t c : text) {
        const auto spelling = std::lower_bound(spellings.begin(), spellings.end(), VietnameseLetter{c, 0, 0});
        if (InVietnamese(c) || spelling == spellings.end() || spelling->composed != c) {
            spelled += c;
        } else {
            spelled += {spelling->letter, spelling->tone};
        }
    }
    return spelled;
}

// What a 1258 reading gives as people type it: letters with their tones
// composed.
void ComposeVietnamese(std::wstring& text)
{
    const auto& letters = GetTables().vietnameseByParts;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (kept > 0 && IsToneMark(text[i])) {
            const VietnameseLetter parts{0, text[kept - 1], text[i]};
            const auto letter = std::lower_bound(letters.begin(), letters.end(), parts, ByParts);
            if (letter != letters.end() && letter->letter == parts.letter && letter->tone == parts.tone) {
                text[kept - 1] = letter->composed;
                continue;
            }
        }
        text[kept++] = text[i];
    }
    text.resize(kept);
}

// Every character must encode, without a best fit or the default character.
bool EncodeStrict(UINT codePage, std::wstring_view text, std::string& bytes)
{
    std::wstring spelled;
    if (codePage == kVietnamese && !std::all_of(text.begin(), text.end(), InVietnamese)) {
        spelled = SpellForVietnamese(text);
        text = spelled;
    }
    bytes.resize(text.size() * 3 + 1);
    BOOL usedDefault = FALSE;
    const bool utf8 = codePage == CP_UTF8;
    const int length = g_platform.WideCharToMultiByte(
        codePage, utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
        bytes.data(), static_cast<int>(bytes.size()), nullptr, utf8 ? nullptr : &usedDefault);
    bytes.resize(static_cast<std::size_t>(std::max(length, 0)));
    return length > 0 && !usedDefault;
}

// No invalid sequence may be met.
bool DecodeStrict(UINT codePage, std::string_view bytes, std::wstring& text)
{
    text.resize(bytes.size());
    const int length = g_platform.MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(),
                                                      static_cast<int>(bytes.size()), text.data(),
                                                      static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(std::max(length, 0)));
    return length > 0;
}

// The bytes read as the code page they were written in: strictly, and
// Vietnamese composed.
bool ReadStrict(UINT codePage, std::string_view bytes, std::wstring& text)
{
    if (!DecodeStrict(codePage, bytes, text)) {
        return false;
    }
    if (codePage == kVietnamese && std::any_of(text.begin(), text.end(), IsToneMark)) {
        ComposeVietnamese(text);
    }
    return true;
}

// How many trail bytes a UTF-8 lead byte takes; -1 for a byte no sequence
// begins with.
int TrailCount(unsigned char lead)
{
    return lead < 0x80 ? 0 : lead >= 0xC2 && lead < 0xE0 ? 1 : lead >= 0xE0 && lead < 0xF0 ? 2
           : lead >= 0xF0 && lead < 0xF5                ? 3
                                                         : -1;
}

bool IsTrailByte(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// A cheap look before asking the platform: bytes that are not UTF-8 in shape.
bool MayBeUtf8(std::string_view bytes)
{
    for (std::size_t i = 0; i < bytes.size();) {
        const int trail = TrailCount(static_cast<unsigned char>(bytes[i++]));
        if (trail < 0 || bytes.size() - i < static_cast<std::size_t>(trail)) {
            return false;
        }
        for (int k = 0; k < trail; ++k) {
            if (!IsTrailByte(bytes[i++])) {
                return false;
            }
        }
    }
    return true;
}

// UTF-8 read as a code page whose 0xA0 is a no-break space often loses it to
// a plain space, as programs and web forms tidy spaces ("Ã " for "à"). A
// space where a trail byte must stand was one; false when there is none.
bool RestoreNoBreakSpaces(std::string_view bytes, std::string& restored)
{
    restored.assign(bytes);
    bool any = false;
    for (std::size_t i = 0; i < restored.size();) {
        const int trail = TrailCount(static_cast<unsigned char>(restored[i++]));
        for (int k = 0; k < trail && i < restored.size(); ++k, ++i) {
            if (restored[i] == kSpaceByte) {
                restored[i] = kNoBreakSpaceByte;
                any = true;
            } else if (!IsTrailByte(restored[i])) {
                break;
            }
        }
    }
    return any;
}

// The bytes of text misread through wrong, read as right, strictly; with
// mayRestore, UTF-8 that lost its no-break spaces to spaces is read with them
// restored.
bool ReadMisread(const Tables& tables, UINT wrong, UINT right, std::string_view bytes, bool mayRestore,
                 std::wstring& decoded)
{
    if (right != CP_UTF8 || MayBeUtf8(bytes)) {
        return ReadStrict(right, bytes, decoded);
    }
    std::string restored;
    return mayRestore && (tables.nNoBreakSpaceBits & BitOf(tables.codePages, wrong)) != 0 &&
           RestoreNoBreakSpaces(bytes, restored) && MayBeUtf8(restored) && ReadStrict(CP_UTF8, restored, decoded);
}

// Equal, but where a no-break space the text lost stands as a plain space.
bool SameButSpaces(std::wstring_view garbled, std::wstring_view input)
{
    return garbled.size() == input.size() &&
           std::equal(garbled.begin(), garbled.end(), input.begin(),
                      [](wchar_t a, wchar_t b) { return a == b || (a == 0xA0 && b == L' '); });
}

// The text as garbled again through the steps: equal to what was repaired
// when every step is exact.
bool GarblesBackTo(const RepairResult& repair, std::wstring_view input)
{
    std::wstring text = repair.strText;
    for (const RepairStep& step : repair.steps) {
        std::wstring misread;
        if (!MisreadText(text, step, misread)) {
            return false;
        }
        text.swap(misread);
    }
    return SameButSpaces(text, input);
}

// Deciding -----------------------------------------------------------------

enum class Script { Utf8, Cjk, Cyrillic, Latin, Other };

Script ScriptOf(UINT codePage)
{
    switch (codePage) {
    case CP_UTF8: return Script::Utf8;
    case 932: case 936: case 949: case 950: return Script::Cjk;
    case 1251: case 866: case 20866: case 855: case 10007: case 21866: case 28595: return Script::Cyrillic;
    case 1250: case 1252: case 1254: case 1257: case 1258: return Script::Latin;
    case 437: case 850: case 10000: case 852: case 10029: case 775: case 857: case 28591: case 28592:
        return Script::Latin;
    default: return Script::Other;
    }
}

// A misreading is itself unlikely, some more than others: UTF-8 read as a
// legacy code page is by far the commonest, then a legacy code page read as
// 1252 or as another of its own script.
int StepCost(const RepairStep& step)
{
    if (step.nRightCodePage == CP_UTF8) {
        return 1 * 8;
    }
    const bool common = step.nWrongCodePage == 1252 || ScriptOf(step.nRightCodePage) == ScriptOf(step.nWrongCodePage);
    return (common ? 4 : 8) * 8;
}

struct Candidate {
    std::wstring text;
    std::vector<RepairStep> steps; // the first misreading first
    int cost;                      // the text's, with StepCost for each step
    Oddities oddities;
};

// The readings of a text, as they are found.
struct Readings {
    explicit Readings(const TextScore& input)
        : inputOddities(input.oddities), textLimit(input.cost + kCostHorizon), limit(textLimit)
    {
    }
    // A reading with more oddities than the text is never the repair, though
    // it still competes as the runner-up.
    bool MayRepair(const Candidate& c) const { return c.oddities.NoMoreThan(inputOddities); }

    Oddities inputOddities;
    int textLimit;
    int limit; // also past the likeliest repair so far
    std::vector<Candidate> candidates;
    int unaltered = kNoRunnerUp; // the likeliest reading that alters no letter
};

std::uint32_t EncodableMask(const Tables& tables, std::wstring_view text)
{
    std::uint32_t mask = ~0u;
    for (std::size_t i = 0; i < text.size() && mask != 0;) {
        const std::uint32_t c = NextCodePoint(text, i);
        mask &= c < 0x10000 ? (IsHighSurrogate(static_cast<wchar_t>(c)) || IsLowSurrogate(static_cast<wchar_t>(c))
                                   ? 0
                                   : tables.masks[c])
                            : tables.nUtf8Bit;
    }
    return mask;
}

bool IsReader(const Tables& tables, std::size_t w)
{
    return w >= tables.nRightCount;
}

// Whether right read as the candidate w is a misreading the engine undoes:
// a reader misreads only UTF-8 and its Windows code page.
bool Undoes(const Tables& tables, std::size_t w, UINT right)
{
    return right != tables.codePages[w] && (!IsReader(tables, w) || right == CP_UTF8 || right == tables.readsAlso[w]);
}

// Every reading of text as bytes of one candidate decoded through another,
// that alters a letter and gives a text not found before. outer: the steps
// that made text, undone already. Of the text as it came, the readings that
// alter no letter are priced too.
void AddReadings(const Tables& tables, std::wstring_view text, const std::vector<RepairStep>& outer,
                 Readings& readings)
{
    std::vector<Candidate>& candidates = readings.candidates;
    std::string bytes;
    std::wstring decoded;
    std::vector<std::uint16_t> tokens;
    const std::uint32_t mask = EncodableMask(tables, text);
    for (std::size_t w = 0; w < tables.codePages.size(); ++w) {
        const UINT wrong = tables.codePages[w];
        // Text misread twice went through the same reader both times, or
        // through a Western one the second time.
        const bool sameReader = outer.empty() || outer.front().nWrongCodePage == wrong ||
                                outer.front().nWrongCodePage == 1252;
        const bool once = outer.empty() || !IsReader(tables, w);
        if ((mask & (1u << w)) == 0 || !sameReader || !once || !EncodeStrict(wrong, text, bytes)) {
            continue;
        }
        for (std::size_t r = 0; r < tables.nRightCount; ++r) {
            const UINT right = tables.codePages[r];
            if (!Undoes(tables, w, right) || !ReadMisread(tables, wrong, right, bytes, outer.empty(), decoded) ||
                decoded == text) {
                continue;
            }
            // A reading that alters no letter is never a repair; of the text
            // as it came, it is still priced.
            const bool candidate = AltersLetter(tables, text, decoded);
            if (!candidate && !outer.empty()) {
                continue;
            }
            const auto found = [&](const Candidate& c) { return c.text == decoded; };
            if (candidate && ((outer.empty() && SwapsOneLatinLetter(tables, text, decoded)) ||
                              std::any_of(candidates.begin(), candidates.end(), found))) {
                continue;
            }
            std::vector<RepairStep> steps{{right, wrong}};
            steps.insert(steps.end(), outer.begin(), outer.end());
            // The UTF-8 readings of the text as it came are priced in full:
            // the likeliest are undone once more.
            const int limit = outer.empty() && right == CP_UTF8 ? readings.textLimit : readings.limit;
            const TextScore score = TextCost(tables, decoded, right, limit, tokens);
            int cost = std::min(score.cost, limit);
            for (const RepairStep& step : steps) {
                cost += StepCost(step);
            }
            if (!candidate) {
                readings.unaltered = std::min(readings.unaltered, cost);
                continue;
            }
            candidates.push_back({decoded, std::move(steps), cost, score.oddities});
            if (readings.MayRepair(candidates.back())) {
                readings.limit = std::min(readings.limit, cost + kCostHorizon);
            }
        }
    }
}

// Moves past the combining marks at i, which belong to the character before.
void SkipMarks(const Tables& tables, std::wstring_view text, std::size_t& i)
{
    while (i < text.size() && text[i] >= 0x300 && kTokenKind[tables.tokens[text[i]] & kTokenMask] == kMark) {
        ++i;
    }
}

unsigned LengthBand(const Tables& tables, std::wstring_view text)
{
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++characters) {
        NextCodePoint(text, i);
        SkipMarks(tables, text, i);
    }
    const auto after = std::upper_bound(kLengthBandStarts.begin(), kLengthBandStarts.end(), characters);
    return static_cast<unsigned>(after - kLengthBandStarts.begin()) - 1;
}

// Bytes lost on the way, to U+FFFD or to a question mark amid characters
// beyond ASCII, cannot come back: such text is left alone.
bool LostBytes(std::wstring_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool between = i > 0 && i + 1 < text.size() && text[i - 1] >= 0x80 && text[i + 1] >= 0x80;
        if (text[i] == 0xFFFD || (text[i] == L'?' && between)) {
            return true;
        }
    }
    return false;
}

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

// A list of lone characters beyond ASCII, such as an alphabet or a table of
// characters, is neither repaired nor read once more after a UTF-8 reading:
// with no neighbour, each tells only how common it is, and such lists are
// made of the rare ones. A UTF-8 misreading still shows in one: each
// character becomes several. A letter with its combining marks is one. A
// list may hold a few longer items among its lone ones ("[à’ â å ä æ]").
bool IsListOfLoneCharacters(std::wstring_view text)
{
    constexpr std::size_t kShortestList = 5;
    constexpr std::size_t kMostLonger = 2;
    constexpr std::size_t kLonePerLonger = 4;
    // Only ASCII is of that kind: the table of kinds is searched for nothing else.
    const auto isAsciiPunct = [](wchar_t c) { return c < 0x80 && KindOf(c) == kAsciiPunct; };
    std::size_t lone = 0;
    std::size_t longer = 0;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t end = i;
        while (end < text.size() && !IsBlank(text[end])) {
            ++end;
        }
        std::wstring_view item = text.substr(i, end - i);
        while (!item.empty() && isAsciiPunct(item.front())) {
            item.remove_prefix(1);
        }
        while (!item.empty() && isAsciiPunct(item.back())) {
            item.remove_suffix(1);
        }
        if (!IsAscii(item)) {
            std::size_t next = 0;
            NextCodePoint(item, next);
            SkipMarks(GetTables(), item, next);
            ++(next == item.size() ? lone : longer);
            if (longer > kMostLonger) {
                return false;
            }
        }
        i = end + 1;
    }
    return lone >= kShortestList && lone >= kLonePerLonger * longer;
}

// Text left alone before any reading is made.
bool RefusedUnread(std::wstring_view text)
{
    return IsAscii(text) || LostBytes(text) || IsListOfLoneCharacters(text);
}

// Text whose misreading touched only its punctuation ("a√z" for "a–z") has
// a reading that alters no letter far likelier than any repair of its
// letters, which would then be wrong. Checked beside the margins, which are
// chosen without it but for Cyrillic as Cyrillic (repair/tools/tune-margins.py).

bool PassesMargins(const RepairAnalysis& analysis, std::wstring_view text)
{
    if (!analysis.best.bRepaired || analysis.nOverUnaltered < -kUnalteredLeeway) {
        return false;
    }
    const RepairFamily family = FamilyOf(analysis.best.steps);
    // Western punctuation read through KOI8-R or 866 shows as symbols that the
    // other Cyrillic code page makes lone letters ("—" shown as "≈", undone
    // into "Ч"). The family's margins leave those to the check above; a repair
    // that only makes letters of symbols must also beat that reading outright.
    if (family == RepairFamily::CyrillicAsCyrillic && analysis.nOverUnaltered < 0 &&
        OnlyMakesLetters(GetTables(), text, analysis.best.strText)) {
        return false;
    }
    const Margin& margin = kMargins[static_cast<unsigned>(family) * kLengthBandCount + analysis.nLengthBand];
    return analysis.nOverInput >= margin.nOverInput && analysis.nOverRunnerUp >= margin.nOverRunnerUp;
}

// Mixed text ---------------------------------------------------------------
//
// Mojibake often stands beside right text: a quote typed right next to UTF-8
// read as 1252, one misread word in a right sentence, a right line joined to
// a misread one. Such text has no reading as a whole, and is read run by run,
// a run being what lies between blanks: a blank is one byte below 0x40 in
// every candidate, so no character of any reading spans one.

struct Run {
    std::size_t nFirst;
    std::size_t nLast;
    std::uint32_t nMask;       // the candidates that encode it
    std::uint32_t nLetterMask; // and that encode its letters, its marks aside
};

// The candidates that encode the letters of text.
std::uint32_t LetterMask(const Tables& tables, std::wstring_view text)
{
    std::uint32_t mask = ~0u;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t at = i;
        if (IsLetter(tables, NextCodePoint(text, i))) {
            mask &= EncodableMask(tables, text.substr(at, i - at));
        }
    }
    return mask;
}

std::vector<Run> RunsBeyondAscii(const Tables& tables, std::wstring_view text)
{
    std::vector<Run> runs;
    for (const RepairRun& span : RepairRunsBeyondAscii(text)) {
        const std::wstring_view run = text.substr(span.nFirst, span.nLast - span.nFirst);
        runs.push_back({span.nFirst, span.nLast, EncodableMask(tables, run), LetterMask(tables, run)});
    }
    return runs;
}

// The runs beyond ASCII of a text's bytes, split where the text is.
void ByteRuns(std::string_view bytes, std::vector<std::string_view>& runs)
{
    const auto isBlank = [](char byte) { return IsBlank(static_cast<wchar_t>(byte)); };
    runs.clear();
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t end =
            static_cast<std::size_t>(std::find_if(bytes.begin() + static_cast<std::ptrdiff_t>(i), bytes.end(), isBlank) -
                                     bytes.begin());
        const std::string_view run = bytes.substr(i, end - i);
        if (std::any_of(run.begin(), run.end(), [](char byte) { return (byte & 0x80) != 0; })) {
            runs.push_back(run);
        }
        i = end + 1;
    }
}

struct MixedReading {
    std::wstring text;
    std::size_t nConverted = 0; // runs read through the step
    std::size_t nKept = 0;      // runs beyond ASCII left as they are
    // A run kept holds letters the step would read, beside others it
    // cannot ("Ã©tè"). Read or not, the text would stay part mojibake, so
    // it is no repair.
    bool bMisreadKept = false;
    bool bMarksKept = false; // a run read had right marks kept inside it ("l’Ã©cole")
};

// The code point the UTF-8 sequence at i is, decoded into character, and its
// length; 0 where no sequence beyond ASCII begins there.
std::uint32_t SequenceAt(std::string_view bytes, std::size_t i, std::size_t& length, std::wstring& character)
{
    const int trail = TrailCount(static_cast<unsigned char>(bytes[i]));
    length = static_cast<std::size_t>(trail) + 1;
    if (trail <= 0 || bytes.size() - i < length || !MayBeUtf8(bytes.substr(i, length)) ||
        !DecodeStrict(CP_UTF8, bytes.substr(i, length), character)) {
        return 0;
    }
    std::size_t k = 0;
    return NextCodePoint(character, k);
}

// Whether a run's bytes hold UTF-8 of a letter of a script the run's own
// letters are in ("Ã©tè" holds "é"): clean Russian in 866 holds sequences
// too, of Han ("очень" holds "祭").
bool HasLetterSequence(const Tables& tables, std::wstring_view run, std::string_view bytes)
{
    std::uint32_t kinds = 0;
    for (std::size_t i = 0; i < run.size();) {
        const unsigned kind = kTokenKind[TokenOf(tables, NextCodePoint(run, i)) & kTokenMask];
        kinds |= IsLetterKind(kind) ? 1u << kind : 0;
    }
    std::wstring character;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::size_t length = 0;
        const std::uint32_t c = SequenceAt(bytes, i, length, character);
        if (c != 0 && ((kinds >> kTokenKind[TokenOf(tables, c) & kTokenMask]) & 1) != 0) {
            return true;
        }
    }
    return false;
}

// Where each character of a run begins in its bytes, and in the run.
struct Piece {
    std::size_t nByte;
    std::size_t nUnit;
};

// A character the wrong code page lacks stands as a byte that no UTF-8
// sequence holds.
constexpr char kUnencodedByte = static_cast<char>(0xFF);

// run's bytes through wrong, character by character; pieces end with the end.
void MarkBytes(UINT wrong, std::wstring_view run, std::string& bytes, std::vector<Piece>& pieces)
{
    bytes.clear();
    pieces.clear();
    std::string character;
    for (std::size_t i = 0; i < run.size();) {
        pieces.push_back({bytes.size(), i});
        const std::size_t at = i;
        NextCodePoint(run, i);
        if (EncodeStrict(wrong, run.substr(at, i - at), character)) {
            bytes += character;
        } else {
            bytes += kUnencodedByte;
        }
    }
    pieces.push_back({bytes.size(), run.size()});
}

// run's bytes read as UTF-8 where they are, the rest kept as it is: a right
// mark typed inside a misread word ("l’Ã©cole"). A byte no sequence takes
// must begin a character of the run that is no letter beyond ASCII; else, or
// where no sequence beyond ASCII is read, false. Each sequence goes where it
// is, across the characters of a double-byte code page too. weak: no sequence
// read is a letter or more or less than one character of the run ("路" in 936
// is "·" in UTF-8), as right text beside its marks often is.
bool ReadAroundMarks(const Tables& tables, std::wstring_view run, std::string_view bytes,
                     const std::vector<Piece>& pieces, std::wstring& decoded, bool& weak)
{
    decoded.clear();
    weak = true;
    bool read = false;
    std::wstring character;
    std::size_t p = 0; // the piece byte i lies in
    for (std::size_t i = 0; i < bytes.size();) {
        std::size_t length = 1;
        const std::uint32_t c = static_cast<unsigned char>(bytes[i]) < 0x80
                                    ? static_cast<unsigned char>(bytes[i])
                                    : SequenceAt(bytes, i, length, character);
        if (c >= 0x80) {
            const bool onePiece = pieces[p].nByte == i && pieces[p + 1].nByte == i + length;
            weak = weak && onePiece && !IsLetter(tables, c);
            read = true;
            decoded += character;
        } else if (c != 0) {
            decoded += static_cast<wchar_t>(c);
        } else {
            const std::wstring_view kept = run.substr(pieces[p].nUnit, pieces[p + 1].nUnit - pieces[p].nUnit);
            std::size_t k = 0;
            const std::uint32_t first = NextCodePoint(kept, k);
            if (pieces[p].nByte != i || (first >= 0x80 && IsLetter(tables, first))) {
                return false;
            }
            decoded += kept;
            length = pieces[p + 1].nByte - i;
        }
        i += length;
        while (pieces[p + 1].nByte <= i && p + 1 < pieces.size() - 1) {
            ++p;
        }
    }
    return read;
}

bool HasMarkBeyondAscii(const Tables& tables, std::wstring_view run)
{
    return std::any_of(run.begin(), run.end(), [&](wchar_t c) { return c >= 0x80 && !IsLetter(tables, c); });
}

// run read through step around the right marks it holds; false where it
// holds none or cannot be so read.
bool ReadRunAroundMarks(const Tables& tables, std::wstring_view run, const RepairStep& step, std::wstring& decoded,
                        bool& weak)
{
    if (step.nRightCodePage != CP_UTF8 || !HasMarkBeyondAscii(tables, run)) {
        return false;
    }
    std::string bytes;
    std::vector<Piece> pieces;
    MarkBytes(step.nWrongCodePage, run, bytes, pieces);
    return ReadAroundMarks(tables, run, bytes, pieces, decoded, weak);
}

// A run's reading.
struct RunReading {
    std::size_t nRun;
    std::wstring text;
    bool bMarksKept;
    bool bWeak; // read around marks weakly: taken only beside other runs read
};

// text with every run that reads through step read so, the rest kept. Each
// stretch of runs the wrong code page encodes is encoded at once; only the
// runs whose bytes may be the right code page's are read, strictly or around
// their right marks. Beside runs kept, a run is read only where its reading
// alone is likelier than it is: clean Russian in 866 is often UTF-8 in shape
// ("тон" reads as "⮭").
MixedReading ReadRunByRun(const Tables& tables, std::wstring_view text, const std::vector<Run>& runs,
                          const RepairStep& step)
{
    const std::uint32_t bit = BitOf(tables.codePages, step.nWrongCodePage);
    std::vector<RunReading> read;
    std::string bytes;
    std::vector<std::string_view> byteRuns;
    std::wstring decoded;
    MixedReading reading;
    const auto readAroundMarks = [&](std::size_t k, std::string_view runBytes) {
        const std::wstring_view original = text.substr(runs[k].nFirst, runs[k].nLast - runs[k].nFirst);
        bool weak = false;
        if (ReadRunAroundMarks(tables, original, step, decoded, weak)) {
            read.push_back({k, decoded, true, weak});
        } else {
            reading.bMisreadKept = reading.bMisreadKept || HasLetterSequence(tables, original, runBytes);
        }
    };
    for (std::size_t k = 0; k < runs.size();) {
        std::size_t end = k;
        while (end < runs.size() && (runs[end].nMask & bit) != 0) {
            ++end;
        }
        if (end == k) {
            readAroundMarks(k++, {});
            continue;
        }
        const std::wstring_view stretch = text.substr(runs[k].nFirst, runs[end - 1].nLast - runs[k].nFirst);
        byteRuns.clear();
        if (EncodeStrict(step.nWrongCodePage, stretch, bytes)) {
            ByteRuns(bytes, byteRuns);
        }
        for (std::size_t r = 0; r < byteRuns.size() && byteRuns.size() == end - k; ++r) {
            const Run& run = runs[k + r];
            if (!ReadMisread(tables, step.nWrongCodePage, step.nRightCodePage, byteRuns[r], false, decoded)) {
                readAroundMarks(k + r, byteRuns[r]);
            } else if (decoded != text.substr(run.nFirst, run.nLast - run.nFirst)) {
                read.push_back({k + r, decoded, false, false});
            }
        }
        k = end;
    }
    std::vector<std::uint16_t> tokens;
    const bool othersRead = std::any_of(read.begin(), read.end(), [](const RunReading& r) { return !r.bWeak; });
    std::size_t copied = 0; // what comes before is in reading.text
    for (const RunReading& runReading : read) {
        const Run& run = runs[runReading.nRun];
        const std::wstring_view original = text.substr(run.nFirst, run.nLast - run.nFirst);
        const bool likelier = read.size() == runs.size() ||
                              TextCost(tables, runReading.text, step.nRightCodePage, INT_MAX, tokens).cost <
                                  TextCost(tables, original, 0, INT_MAX, tokens).cost;
        if (!likelier || (runReading.bWeak && !othersRead)) {
            continue;
        }
        reading.text.append(text.substr(copied, run.nFirst - copied)).append(runReading.text);
        copied = run.nLast;
        ++reading.nConverted;
        reading.bMarksKept = reading.bMarksKept || runReading.bMarksKept;
    }
    reading.nKept = runs.size() - reading.nConverted;
    reading.text.append(text.substr(copied));
    return reading;
}

// What lies at i up to the next blank, and where that is.
std::wstring_view RunAt(std::wstring_view text, std::size_t i, std::size_t& end)
{
    end = i;
    while (end < text.size() && !IsBlank(text[end])) {
        ++end;
    }
    return text.substr(i, end - i);
}

// Whether each run of repaired is the input's run, or garbles back to it
// through step, or is its reading around right marks; the blanks the same.
bool GarblesBackRunByRun(std::wstring_view repaired, const RepairStep& step, std::wstring_view input)
{
    const Tables& tables = GetTables();
    std::wstring misread;
    for (std::size_t i = 0, j = 0;; ++i, ++j) {
        std::size_t iEnd = 0;
        std::size_t jEnd = 0;
        const std::wstring_view run = RunAt(repaired, i, iEnd);
        const std::wstring_view original = RunAt(input, j, jEnd);
        bool weak = false;
        if (run != original && (!MisreadText(run, step, misread) || misread != original) &&
            (!ReadRunAroundMarks(tables, original, step, misread, weak) || misread != run)) {
            return false;
        }
        if (iEnd == repaired.size() || jEnd == input.size()) {
            return iEnd == repaired.size() && jEnd == input.size();
        }
        if (repaired[iEnd] != input[jEnd]) {
            return false;
        }
        i = iEnd;
        j = jEnd;
    }
}

// The misreadings a text is read through run by run: UTF-8 read as any
// candidate that encodes a run's letters.
std::vector<RepairStep> MixedSteps(const Tables& tables, const std::vector<Run>& runs)
{
    std::uint32_t encoded = 0;
    for (const Run& run : runs) {
        encoded |= run.nLetterMask;
    }
    std::vector<RepairStep> steps;
    for (std::size_t w = 0; w < tables.codePages.size(); ++w) {
        if (tables.codePages[w] != CP_UTF8 && (encoded & (1u << w)) != 0) {
            steps.push_back({CP_UTF8, tables.codePages[w]});
        }
    }
    return steps;
}

// The likeliest reading of the text whole, and how far it is ahead.
RepairAnalysis AnalyseWholeText(std::wstring_view text)
{
    RepairAnalysis analysis;
    if (IsAscii(text)) {
        return analysis;
    }
    const Tables& tables = GetTables();
    std::vector<std::uint16_t> tokens;
    const TextScore input = TextCost(tables, text, 0, INT_MAX, tokens);
    Readings readings(input);
    const std::vector<Candidate>& candidates = readings.candidates;
    AddReadings(tables, text, {}, readings);
    // Text saved as UTF-8 after a misreading and misread again: undo the
    // likeliest UTF-8 readings once more, whether or not they look better
    // than the text yet (what they give may be mojibake still).
    std::vector<std::size_t> utf8;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const RepairStep& step = candidates[i].steps.front();
        if (step.nRightCodePage == CP_UTF8 && !IsReader(tables, IndexOf(tables.codePages, step.nWrongCodePage))) {
            utf8.push_back(i);
        }
    }
    const std::size_t expanded = std::min<std::size_t>(utf8.size(), kTwiceExpanded);
    std::partial_sort(utf8.begin(), utf8.begin() + static_cast<std::ptrdiff_t>(expanded), utf8.end(),
                      [&](std::size_t a, std::size_t b) { return candidates[a].cost < candidates[b].cost; });
    for (std::size_t k = 0; k < expanded; ++k) {
        const Candidate outer = candidates[utf8[k]];
        if (!IsListOfLoneCharacters(outer.text)) {
            AddReadings(tables, outer.text, outer.steps, readings);
        }
    }
    // Held to the oddities only now: a UTF-8 reading undone once more above
    // may be mojibake still and have them.
    auto best = candidates.end();
    for (auto c = candidates.begin(); c != candidates.end(); ++c) {
        if (readings.MayRepair(*c) && (best == candidates.end() || c->cost < best->cost)) {
            best = c;
        }
    }
    if (best == candidates.end()) {
        return analysis;
    }
    int runnerUp = kNoRunnerUp;
    for (auto c = candidates.begin(); c != candidates.end(); ++c) {
        if (c != best) {
            runnerUp = std::min(runnerUp, c->cost);
        }
    }
    analysis.best = {true, best->text, best->steps};
    analysis.nLengthBand = LengthBand(tables, text);
    analysis.nOverInput = input.cost - best->cost;
    analysis.nOverRunnerUp = runnerUp - best->cost;
    analysis.nOverUnaltered = readings.unaltered - best->cost;
    return analysis;
}

// The text read run by run through each misreading, as AnalyseWholeText
// reads it whole: the likeliest reading that converts a run and keeps one,
// or keeps right marks inside one.
RepairAnalysis AnalyseMixedText(std::wstring_view text)
{
    const Tables& tables = GetTables();
    const std::vector<Run> runs = RunsBeyondAscii(tables, text);
    RepairAnalysis analysis;
    if (runs.empty()) {
        return analysis;
    }
    std::vector<std::uint16_t> tokens;
    std::optional<TextScore> input;
    Candidate best{{}, {}, kNoRunnerUp, {}};
    int runnerUp = kNoRunnerUp;
    // Code pages alike in the runs give the same reading, which counts once,
    // for the first of them (1252 before the others).
    std::vector<std::wstring> seen;
    for (const RepairStep& step : MixedSteps(tables, runs)) {
        MixedReading reading = ReadRunByRun(tables, text, runs, step);
        // Read whole, with nothing kept, the text has a whole reading, which
        // is priced on its own, unless right marks were kept inside a run.
        if (reading.nConverted == 0 || (reading.nKept == 0 && !reading.bMarksKept) || reading.bMisreadKept ||
            !AltersLetter(tables, text, reading.text) ||
            std::find(seen.begin(), seen.end(), reading.text) != seen.end()) {
            continue;
        }
        seen.push_back(reading.text);
        if (!input) {
            input = TextCost(tables, text, 0, INT_MAX, tokens);
        }
        const int limit = std::min(input->cost, best.cost) + kCostHorizon;
        const TextScore score = TextCost(tables, reading.text, step.nRightCodePage, limit, tokens);
        const int cost = std::min(score.cost, limit) + StepCost(step);
        // A reading with more oddities than the text is never the repair, as
        // for whole readings; it still competes as the runner-up.
        if (cost < best.cost && score.oddities.NoMoreThan(input->oddities)) {
            runnerUp = std::min(runnerUp, best.cost);
            best = {std::move(reading.text), {step}, cost, score.oddities};
        } else {
            runnerUp = std::min(runnerUp, cost);
        }
    }
    if (best.steps.empty()) {
        return analysis;
    }
    analysis.best = {true, std::move(best.text), std::move(best.steps)};
    analysis.nLengthBand = LengthBand(tables, text);
    analysis.nOverInput = input->cost - best.cost;
    analysis.nOverRunnerUp = runnerUp - best.cost;
    analysis.nOverUnaltered = kNoRunnerUp; // every reading counted alters a letter
    return analysis;
}

// The likelier of the whole and the mixed reading is decided, the other
// being among its runners-up: mixed text often has a whole reading too, of
// another misreading, and right text can have a mixed one.
RepairAnalysis AnalyseShortText(std::wstring_view text)
{
    RepairAnalysis whole = AnalyseWholeText(text);
    RepairAnalysis mixed = AnalyseMixedText(text);
    const bool mixedFirst = mixed.best.bRepaired && (!whole.best.bRepaired || mixed.nOverInput > whole.nOverInput);
    RepairAnalysis& first = mixedFirst ? mixed : whole;
    const RepairAnalysis& other = mixedFirst ? whole : mixed;
    if (other.best.bRepaired) {
        first.nOverRunnerUp = std::min(first.nOverRunnerUp, first.nOverInput - other.nOverInput);
    }
    first.bRunByRun = mixedFirst;
    return std::move(first);
}

// A repair of text short enough to be read whole, and how much likelier it
// is than the text.
struct Decision {
    RepairResult result;
    int nOverInput = 0;
};

Decision DecideShortText(std::wstring_view text)
{
    RepairAnalysis analysis = AnalyseShortText(text);
    // A reading undone twice can give the text back but for its spaces.
    if (!PassesMargins(analysis, text) || !AltersLetter(GetTables(), text, analysis.best.strText) ||
        !(analysis.bRunByRun ? GarblesBackRunByRun(analysis.best.strText, analysis.best.steps.front(), text)
                             : GarblesBackTo(analysis.best, text))) {
        return {};
    }
    return {std::move(analysis.best), analysis.nOverInput};
}

// A window of about kWindowUnits around position. Its edges lie at blanks or
// line breaks where it has them: a byte below 0x40 is never the second byte
// of a double-byte character, so no character of any reading is cut there.
// Text without them (Chinese or Japanese has no blanks) is cut anywhere.
struct Window {
    std::size_t nFirst;
    std::size_t nLast;
    bool bFirstCut; // nFirst may lie inside a character of the right reading
    bool bLastCut;
};

Window WindowAround(std::wstring_view text, std::size_t position)
{
    Window window{position > kWindowUnits / 2 ? position - kWindowUnits / 2 : 0, 0, false, false};
    window.nLast = std::min(text.size(), window.nFirst + kWindowUnits);
    std::size_t first = window.nFirst;
    while (first > 0 && first < position && !IsBlank(text[first - 1])) {
        ++first;
    }
    std::size_t last = window.nLast;
    while (last < text.size() && last > position && !IsBlank(text[last])) {
        --last;
    }
    window.bFirstCut = first > 0 && !IsBlank(text[first - 1]);
    window.bLastCut = last < text.size() && !IsBlank(text[last]);
    if (!window.bFirstCut) {
        window.nFirst = first;
    }
    if (!window.bLastCut) {
        window.nLast = last;
    }
    return window;
}

// The most units of misread text that one character of the right text
// becomes: the four bytes of UTF-8, each read as a character.
constexpr std::size_t kMostUnitsOfOneCharacter = 4;

// A window decided on its own. One cut anywhere is tried at each place
// where a character of the right reading may begin or end: at a place inside
// one, no strict reading of the window can be the right one.
RepairResult DecideWindow(std::wstring_view text, std::size_t position)
{
    const Window window = WindowAround(text, position);
    const std::size_t starts = window.bFirstCut ? kMostUnitsOfOneCharacter : 1;
    const std::size_t ends = window.bLastCut ? kMostUnitsOfOneCharacter : 1;
    // A window cut inside a character may still read through another
    // misreading (a byte of UTF-8 is a letter of 866); the right cut reads
    // far better.
    Decision best;
    for (std::size_t start = 0; start < starts; ++start) {
        for (std::size_t end = 0; end < ends; ++end) {
            const std::size_t first = window.nFirst + start;
            Decision decision = DecideShortText(text.substr(first, window.nLast - end - first));
            if (decision.result.bRepaired && (!best.result.bRepaired || decision.nOverInput > best.nOverInput)) {
                best = std::move(decision);
            }
        }
    }
    return std::move(best.result);
}

// A long text with a right passage beside the misread ones: each run that
// reads through step is read so, the rest kept.
RepairResult ConvertRunByRun(std::wstring_view text, const RepairStep& step)
{
    const Tables& tables = GetTables();
    MixedReading reading = ReadRunByRun(tables, text, RunsBeyondAscii(tables, text), step);
    if (reading.nConverted == 0 || reading.bMisreadKept || !AltersLetter(tables, text, reading.text)) {
        return {};
    }
    return {true, std::move(reading.text), {step}};
}

// A long text is decided on three windows round its first, middle and last
// characters beyond ASCII; when all three agree, the whole text is converted
// through the steps, strictly.
RepairResult DecideLongText(std::wstring_view text)
{
    const auto outside = [](wchar_t c) { return c >= 0x80; };
    const std::size_t first = static_cast<std::size_t>(std::find_if(text.begin(), text.end(), outside) - text.begin());
    const std::size_t middle = static_cast<std::size_t>(
        std::find_if(text.begin() + std::max(first, text.size() / 2), text.end(), outside) - text.begin());
    const std::size_t last = text.size() - 1 -
                             static_cast<std::size_t>(std::find_if(text.rbegin(), text.rend(), outside) - text.rbegin());
    std::vector<RepairStep> steps;
    for (const std::size_t position : {first, std::min(middle, last), last}) {
        const RepairResult window = DecideWindow(text, position);
        if (!window.bRepaired || (!steps.empty() && window.steps != steps)) {
            return {};
        }
        steps = window.steps;
    }
    RepairResult result{true, std::wstring(text), steps};
    std::string bytes;
    for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
        if (!EncodeStrict(step->nWrongCodePage, result.strText, bytes) ||
            !ReadMisread(GetTables(), step->nWrongCodePage, step->nRightCodePage, bytes, steps.size() == 1,
                         result.strText)) {
            return steps.size() == 1 ? ConvertRunByRun(text, steps.front()) : RepairResult{};
        }
    }
    return result;
}

std::string CodePageName(UINT codePage)
{
    return codePage == CP_UTF8 ? "UTF-8" : std::to_string(codePage);
}

} // namespace

RepairFamily FamilyOf(const std::vector<RepairStep>& steps)
{
    if (steps.size() > 1) {
        return RepairFamily::Twice;
    }
    const Script right = ScriptOf(steps.front().nRightCodePage);
    const Script wrong = ScriptOf(steps.front().nWrongCodePage);
    if (right == Script::Utf8) {
        return RepairFamily::Utf8;
    }
    if (wrong == Script::Utf8) {
        return RepairFamily::ReadAsUtf8;
    }
    switch (right) {
    case Script::Cjk: return wrong == Script::Cjk ? RepairFamily::CjkAsCjk : RepairFamily::CjkAsOther;
    case Script::Cyrillic:
        return wrong == Script::Cyrillic ? RepairFamily::CyrillicAsCyrillic : RepairFamily::CyrillicAsOther;
    case Script::Latin: return wrong == Script::Latin ? RepairFamily::LatinAsLatin : RepairFamily::LatinAsOther;
    default: return RepairFamily::OtherLegacy;
    }
}

const char* FamilyName(RepairFamily family)
{
    return kFamilyNames[static_cast<unsigned>(family)];
}

std::vector<RepairRun> RepairRunsBeyondAscii(std::wstring_view text)
{
    std::vector<RepairRun> runs;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t end = i;
        bool beyond = false;
        for (; end < text.size() && !IsBlank(text[end]); ++end) {
            beyond = beyond || text[end] >= 0x80;
        }
        if (beyond) {
            runs.push_back({i, end});
        }
        i = end + 1;
    }
    return runs;
}

const std::vector<UINT>& RepairCodePages()
{
    return GetTables().codePages;
}

bool RepairUndoes(const std::vector<RepairStep>& steps)
{
    const Tables& tables = GetTables();
    const std::vector<UINT>& pages = tables.codePages;
    return !steps.empty() && std::all_of(steps.begin(), steps.end(), [&](const RepairStep& step) {
        const std::size_t w = IndexOf(pages, step.nWrongCodePage);
        return w < pages.size() && IndexOf(pages, step.nRightCodePage) < tables.nRightCount &&
               Undoes(tables, w, step.nRightCodePage) && (steps.size() == 1 || !IsReader(tables, w));
    });
}

RepairAnalysis AnalyseMojibake(std::wstring_view text)
{
    if (RefusedUnread(text) || text.size() > kWholeTextLimit) {
        return {};
    }
    return AnalyseShortText(text);
}

RepairResult RepairMojibake(std::wstring_view text)
{
    if (RefusedUnread(text)) {
        return {};
    }
    return text.size() > kWholeTextLimit ? DecideLongText(text) : DecideShortText(text).result;
}

bool MisreadText(std::wstring_view text, const RepairStep& step, std::wstring& misread)
{
    std::string bytes;
    std::string back;
    return EncodeStrict(step.nRightCodePage, text, bytes) && DecodeStrict(step.nWrongCodePage, bytes, misread) &&
           EncodeStrict(step.nWrongCodePage, misread, back) && back == bytes;
}

std::string DescribeRepair(const std::vector<RepairStep>& steps)
{
    std::string description;
    for (const RepairStep& step : steps) {
        description += (description.empty() ? "" : ", then ") + CodePageName(step.nRightCodePage) + " read as " +
                       CodePageName(step.nWrongCodePage);
    }
    return description;
}
