// The misreadings a text of one language plausibly suffers, for measuring the
// mojibake repair: its own code pages and UTF-8 read through every candidate
// the engine undoes them from, and that saved as UTF-8 and misread again.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "repair/MojibakeRepair.h"

struct Garbling {
    std::vector<RepairStep> steps; // the first misreading first
    std::wstring text;
};

// Every misreading of text, a string of language ("ja", "zh_CN", "ru", ...),
// that changes it and can be undone exactly; twice: also those misread again.
std::vector<Garbling> GarblingsOf(std::string_view language, std::wstring_view text, bool twice);

// Mojibake beside right text, made of a clean string: every other word beyond
// ASCII, from the first, is UTF-8 read as another candidate, the rest kept, and
// a right "—" or "’" stands as a word of its own after the first word
// misread, or a right "’" ends that word. original: the clean string with that mark, what a repair must give
// back and what must itself be left alone.
struct MixedGarbling {
    std::wstring original;
    Garbling garbling;
};
std::vector<MixedGarbling> MixedGarblingsOf(std::wstring_view text);

// Clean strings of the corpus's held-out half, in twenty languages, and
// look-alikes made from them: upper-case Cyrillic, half-width katakana,
// emoji, typographic quotes, box drawing.
struct RepairRow {
    const char* language;
    const char8_t* text;
};
std::span<const RepairRow> HeldOutRepairRows();

std::wstring FromUtf8(std::u8string_view text);
