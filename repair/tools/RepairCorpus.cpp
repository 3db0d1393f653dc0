// Runs the mojibake repair over a corpus half (repair/tools/build-corpus.py):
// every clean string as it is, and garbled through every plausible pair of
// code pages, once and twice. Prints the figures by family, length and pair,
// and the time each decision took. Not a test.
//
//   pelisan_repair_corpus CORPUS.tsv [--per-cell N] [--features OUT.tsv]
//
// --per-cell: at most N strings for each language, right and wrong code page
// (default 400). --features: one line per decision for repair/tools/tune-margins.py.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "bench/BenchClock.h"
#include "repair/MojibakeRepair.h"
#include "repair/tools/RepairGarbling.h"

namespace {

std::wstring FromUtf8(const std::string& text)
{
    std::wstring result(text.size(), L'\0');
    result.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                                               result.data(), static_cast<int>(result.size()))));
    return result;
}

std::string ToUtf8(std::wstring_view text)
{
    std::string result(text.size() * 3, '\0');
    result.resize(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                                               result.data(), static_cast<int>(result.size()),
                                                               nullptr, nullptr)));
    return result;
}

std::size_t Characters(std::wstring_view text)
{
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](wchar_t c) {
        return c < 0xDC00 || c > 0xDFFF;
    }));
}

constexpr const char* kBuckets[] = {"4-7", "8-15", "16-31", "32-63", "64-200"};
unsigned Bucket(std::size_t characters)
{
    return characters < 8 ? 0 : characters < 16 ? 1 : characters < 32 ? 2 : characters < 64 ? 3 : 4;
}

struct Tally {
    long total = 0, exact = 0, wrong = 0;
    void Add(bool repaired, bool correct)
    {
        ++total;
        exact += repaired && correct;
        wrong += repaired && !correct;
    }
};

struct Item {
    std::string language;
    std::string source;
    std::wstring original;
    std::wstring input;
    std::vector<RepairStep> garbling; // empty for clean text
    bool mixed = false;               // mojibake beside right text, or its clean look-alike
};

struct Report {
    Tally clean, mixedClean;
    long cleanAscii = 0;
    std::map<std::string, Tally> families, pairs, languages, sources, falseByLanguage, falseBySource;
    std::map<std::string, Tally> buckets[2]; // all pairs, pairs that are not Latin as Latin
    Tally overall, notLatin, utf8, cjk, cyrillic, mixed;
    std::vector<double> times;
    std::vector<std::string> falseRepairs, wrongRepairs;
};

std::string PairName(const std::vector<RepairStep>& steps)
{
    return DescribeRepair(steps);
}

void Decide(const Item& item, Report& report, FILE* features)
{
    const double start = Now();
    const RepairResult result = RepairMojibake(item.input);
    const double elapsed = Now() - start;
    if (Characters(item.input) <= 200) {
        report.times.push_back(elapsed);
    }
    const bool correct = result.bRepaired && result.strText == item.original;
    if (features != nullptr) {
        const RepairAnalysis analysis = AnalyseMojibake(item.input);
        const bool bestCorrect = analysis.best.bRepaired && analysis.best.strText == item.original;
        std::fprintf(features, "%s\t%s\t%u\t%u\t%d\t%d\t%d\t%s\t%s\t%s\t%s\t%d\t%d\n",
                     item.garbling.empty() ? "clean" : "garbled",
                     item.garbling.empty() ? "-" : FamilyName(FamilyOf(item.garbling)),
                     analysis.best.bRepaired ? static_cast<unsigned>(FamilyOf(analysis.best.steps)) : 99u,
                     analysis.nLengthBand, analysis.nOverInput, analysis.nOverRunnerUp, bestCorrect ? 1 : 0,
                     item.language.c_str(), ToUtf8(item.input).c_str(), ToUtf8(analysis.best.strText).c_str(),
                     item.garbling.empty() ? "-" : DescribeRepair(item.garbling).c_str(), result.bRepaired ? 1 : 0,
                     analysis.nOverUnaltered);
    }
    if (item.garbling.empty()) {
        (item.mixed ? report.mixedClean : report.clean).Add(result.bRepaired, false);
        report.falseByLanguage[item.language].Add(result.bRepaired, false);
        report.falseBySource[item.source].Add(result.bRepaired, false);
        if (result.bRepaired && report.falseRepairs.size() < 40) {
            report.falseRepairs.push_back(item.language + "/" + item.source + (item.mixed ? " (look-alike)  " : "  ") +
                                          ToUtf8(item.input) + "  ->  " + ToUtf8(result.strText) + "  (" +
                                          DescribeRepair(result.steps) + ")");
        }
        return;
    }
    const RepairFamily family = FamilyOf(item.garbling);
    if (item.mixed) {
        // A family of its own, kept out of the figures of whole-text misreadings.
        report.mixed.Add(result.bRepaired, correct);
        report.families["Mixed"].Add(result.bRepaired, correct);
        report.pairs["mixed " + PairName(item.garbling)].Add(result.bRepaired, correct);
        if (result.bRepaired && !correct && report.wrongRepairs.size() < 60) {
            report.wrongRepairs.push_back(item.language + " [mixed " + DescribeRepair(item.garbling) + "]  " +
                                          ToUtf8(item.input) + "  ->  " + ToUtf8(result.strText));
        }
        return;
    }
    const bool latin = family == RepairFamily::LatinAsLatin;
    const unsigned bucket = Bucket(Characters(item.original));
    report.overall.Add(result.bRepaired, correct);
    report.families[FamilyName(family)].Add(result.bRepaired, correct);
    report.pairs[PairName(item.garbling)].Add(result.bRepaired, correct);
    report.languages[item.language].Add(result.bRepaired, correct);
    report.sources[item.source].Add(result.bRepaired, correct);
    report.buckets[0][kBuckets[bucket]].Add(result.bRepaired, correct);
    if (!latin) {
        report.notLatin.Add(result.bRepaired, correct);
        report.buckets[1][kBuckets[bucket]].Add(result.bRepaired, correct);
    }
    if (item.garbling.front().nRightCodePage == CP_UTF8 && item.garbling.size() == 1) {
        report.utf8.Add(result.bRepaired, correct);
    }
    if (family == RepairFamily::CjkAsCjk) {
        report.cjk.Add(result.bRepaired, correct);
    }
    if (family == RepairFamily::CyrillicAsCyrillic) {
        report.cyrillic.Add(result.bRepaired, correct);
    }
    if (result.bRepaired && !correct && report.wrongRepairs.size() < 60) {
        report.wrongRepairs.push_back(item.language + " [" + DescribeRepair(item.garbling) + "]  " +
                                      ToUtf8(item.input) + "  ->  " + ToUtf8(result.strText) + "  (" +
                                      DescribeRepair(result.steps) + ")");
    }
}

std::string Percent(long part, long whole)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f %%", whole ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0.0);
    return text;
}

void PrintTable(const char* title, const std::map<std::string, Tally>& rows)
{
    std::printf("\n### %s\n\n| | garbled | exact | wrong |\n|---|---|---|---|\n", title);
    for (const auto& [name, t] : rows) {
        std::printf("| %s | %ld | %s | %s |\n", name.c_str(), t.total, Percent(t.exact, t.total).c_str(),
                    Percent(t.wrong, t.total).c_str());
    }
}

// Clean strings, look-alikes included, and how many were changed.
void PrintCleanTable(const char* title, const std::map<std::string, Tally>& rows)
{
    std::printf("\n### %s\n\n| | clean | repaired falsely |\n|---|---|---|\n", title);
    for (const auto& [name, t] : rows) {
        std::printf("| %s | %ld | %ld |\n", name.c_str(), t.total, t.wrong);
    }
}

void PrintReport(Report& report)
{
    std::printf("## Clean text\n\n%ld strings beyond ASCII, %ld repaired falsely (%ld pure ASCII strings, never touched)\n",
                report.clean.total, report.clean.exact + report.clean.wrong, report.cleanAscii);
    std::printf("%ld look-alikes of mixed text (a clean string with a right mark as a word), %ld repaired falsely\n",
                report.mixedClean.total, report.mixedClean.exact + report.mixedClean.wrong);
    for (const std::string& line : report.falseRepairs) {
        std::printf("    false: %s\n", line.c_str());
    }
    PrintCleanTable("Clean text by language", report.falseByLanguage);
    PrintCleanTable("Clean text by source", report.falseBySource);
    std::printf("\n## Garbled text\n\n| set | garbled | exact | wrong |\n|---|---|---|---|\n");
    const std::pair<const char*, Tally*> sets[] = {{"overall", &report.overall},
                                                   {"without Latin as Latin", &report.notLatin},
                                                   {"UTF-8 read as anything", &report.utf8},
                                                   {"CJK as CJK", &report.cjk},
                                                   {"Cyrillic as Cyrillic", &report.cyrillic},
                                                   {"Mixed (not in the above)", &report.mixed}};
    for (const auto& [name, t] : sets) {
        std::printf("| %s | %ld | %s | %s |\n", name, t->total, Percent(t->exact, t->total).c_str(),
                    Percent(t->wrong, t->total).c_str());
    }
    PrintTable("By family", report.families);
    PrintTable("By length, all pairs", report.buckets[0]);
    PrintTable("By length, without Latin as Latin", report.buckets[1]);
    PrintTable("By language", report.languages);
    PrintTable("By source", report.sources);
    PrintTable("By pair", report.pairs);
    double worst = 0;
    std::string worstPair;
    for (const auto& [name, t] : report.pairs) {
        const double rate = t.total ? static_cast<double>(t.wrong) / static_cast<double>(t.total) : 0;
        if (rate > worst) {
            worst = rate;
            worstPair = name;
        }
    }
    std::printf("\nWorst pair for wrong repairs: %s (%.2f %%)\n", worstPair.c_str(), worst * 100);
    for (const std::string& line : report.wrongRepairs) {
        std::printf("    wrong: %s\n", line.c_str());
    }
    std::sort(report.times.begin(), report.times.end());
    if (!report.times.empty()) {
        std::printf("\n## Time per decision (strings of at most 200 characters, %zu decisions)\n\n"
                    "| median | 99th percentile | slowest |\n|---|---|---|\n| %.4f ms | %.4f ms | %.4f ms |\n",
                    report.times.size(), report.times[report.times.size() / 2] * 1e3,
                    report.times[report.times.size() * 99 / 100] * 1e3, report.times.back() * 1e3);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: pelisan_repair_corpus CORPUS.tsv [--per-cell N] [--features OUT.tsv]\n");
        return 2;
    }
    std::size_t perCell = 400;
    FILE* features = nullptr;
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--per-cell") == 0) {
            perCell = static_cast<std::size_t>(std::atoi(argv[i + 1]));
        } else if (std::strcmp(argv[i], "--features") == 0) {
            features = std::fopen(argv[i + 1], "w");
        }
    }
    RepairCodePages(); // tables built before anything is timed
    std::ifstream corpus(argv[1], std::ios::binary);
    Report report;
    std::map<std::string, std::size_t> cells;
    std::string line;
    while (std::getline(corpus, line)) {
        const std::size_t tab1 = line.find('\t');
        const std::size_t tab2 = line.find('\t', tab1 + 1);
        if (tab2 == std::string::npos) {
            continue;
        }
        Item item{line.substr(0, tab1), line.substr(tab1 + 1, tab2 - tab1 - 1), FromUtf8(line.substr(tab2 + 1)), {},
                  {}};
        item.input = item.original;
        if (std::all_of(item.input.begin(), item.input.end(), [](wchar_t c) { return c < 0x80; })) {
            ++report.cleanAscii;
            continue;
        }
        Decide(item, report, features);
        for (Garbling& garbling : GarblingsOf(item.language, item.original, true)) {
            std::size_t& count = cells[item.language + DescribeRepair(garbling.steps)];
            if (count++ < perCell) {
                Decide({item.language, item.source, item.original, std::move(garbling.text), std::move(garbling.steps)}, report,
                       features);
            }
        }
        std::vector<MixedGarbling> mixedGarblings = MixedGarblingsOf(item.original);
        if (!mixedGarblings.empty()) {
            const std::wstring& lookAlike = mixedGarblings.front().original;
            Decide({item.language, item.source, lookAlike, lookAlike, {}, true}, report, features);
        }
        for (MixedGarbling& mixed : mixedGarblings) {
            std::size_t& count = cells[item.language + "mixed " + DescribeRepair(mixed.garbling.steps)];
            if (count++ < perCell) {
                Decide({item.language, item.source, std::move(mixed.original), std::move(mixed.garbling.text),
                        std::move(mixed.garbling.steps), true},
                       report, features);
            }
        }
    }
    if (features != nullptr) {
        std::fclose(features);
    }
    PrintReport(report);
    return 0;
}
