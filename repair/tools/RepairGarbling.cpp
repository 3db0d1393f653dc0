#include "repair/tools/RepairGarbling.h"

#include <algorithm>
#include <iterator>

#include "repair/RepairModel.h"

namespace {

constexpr RepairRow kRows[] = {
#include "repair/tests/RepairRows.inc"
};

bool Garble(std::wstring_view text, const RepairStep& step, std::wstring& garbled)
{
    return MisreadText(text, step, garbled) && garbled != text;
}

} // namespace

std::vector<Garbling> GarblingsOf(std::string_view language, std::wstring_view text, bool twice)
{
    std::vector<Garbling> garblings;
    // The code pages the language is written in besides UTF-8, as the model has them.
    const auto& languages = repair_model::kLanguages;
    const auto native = std::find_if(languages.begin(), languages.end(),
                                     [&](const repair_model::LanguageInfo& info) { return language == info.name; });
    if (native == languages.end()) {
        return garblings;
    }
    std::vector<UINT> rights;
    std::copy_if(native->codePages.begin(), native->codePages.end(), std::back_inserter(rights),
                 [](UINT codePage) { return codePage != 0; });
    rights.push_back(CP_UTF8);
    for (const UINT right : rights) {
        for (const UINT wrong : RepairCodePages()) {
            Garbling once{{{right, wrong}}, {}};
            if (!RepairUndoes(once.steps) || !Garble(text, once.steps.front(), once.text)) {
                continue;
            }
            garblings.push_back(once);
            // UTF-8 misread, saved as UTF-8 and misread again, the same way
            // or as 1252.
            const UINT seconds[] = {wrong, 1252};
            for (std::size_t i = 0; twice && right == CP_UTF8 && i < (wrong == 1252 ? 1u : 2u); ++i) {
                Garbling again{{once.steps.front(), {CP_UTF8, seconds[i]}}, {}};
                if (seconds[i] != CP_UTF8 && RepairUndoes(again.steps) &&
                    Garble(once.text, again.steps.back(), again.text)) {
                    garblings.push_back(again);
                }
            }
        }
    }
    return garblings;
}

std::vector<MixedGarbling> MixedGarblingsOf(std::wstring_view text)
{
    std::vector<MixedGarbling> garblings;
    const std::vector<RepairRun> words = RepairRunsBeyondAscii(text);
    if (words.empty()) {
        return garblings;
    }
    // A dash or a quote as a word of its own, or a quote at the word's end, in its run.
    const wchar_t* const marks[] = {L" \u2014", L" \u2019", L"\u2019"};
    const std::wstring mark = marks[text.size() % std::size(marks)];
    for (const UINT wrong : RepairCodePages()) {
        const RepairStep step{CP_UTF8, wrong};
        MixedGarbling mixed{std::wstring(text.substr(0, words.front().nFirst)), {{step}, {}}};
        mixed.garbling.text = mixed.original;
        bool garbled = wrong != CP_UTF8;
        std::size_t end = words.front().nFirst;
        for (std::size_t k = 0; garbled && k < words.size(); ++k) {
            const std::wstring_view between = text.substr(end, words[k].nFirst - end);
            const std::wstring_view word = text.substr(words[k].nFirst, words[k].nLast - words[k].nFirst);
            std::wstring misread;
            garbled = k % 2 != 0 || Garble(word, step, misread);
            mixed.original.append(between).append(word);
            mixed.garbling.text.append(between).append(k % 2 != 0 ? word : std::wstring_view(misread));
            if (k == 0) {
                mixed.original += mark;
                mixed.garbling.text += mark;
            }
            end = words[k].nLast;
        }
        if (garbled) {
            mixed.original.append(text.substr(end));
            mixed.garbling.text.append(text.substr(end));
            garblings.push_back(std::move(mixed));
        }
    }
    return garblings;
}

std::span<const RepairRow> HeldOutRepairRows()
{
    return kRows;
}

std::wstring FromUtf8(std::u8string_view text)
{
    std::wstring result(text.size(), L'\0');
    result.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(text.data()),
                                                               static_cast<int>(text.size()), result.data(),
                                                               static_cast<int>(result.size()))));
    return result;
}
