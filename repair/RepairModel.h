// How much a text looks like real text of one language: the tables the
// repair engine decides by, made by repair/tools/make-model.py from clean text
// in many languages. Costs are in eighths of a bit: the lower, the likelier.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "repair/RepairShared.h"

namespace repair_model {

// One model per language, and one of all languages together for pairs of
// ASCII characters, which every language's text has.
constexpr unsigned kModelCount = kLanguageCount + 1;
constexpr unsigned kPooledModel = kLanguageCount;

// A character outside the vocabulary stands for itself by its kind's token,
// which is the kind's number.
extern const std::span<const std::uint32_t> kVocabulary; // code point << 16 | case << 14 | token, by code point
extern const std::span<const std::uint32_t> kKindRuns;   // first code point << 5 | kind, ascending
extern const std::span<const std::uint8_t> kTokenKind;
// By token, then model.
extern const std::span<const std::uint8_t> kTokenCost;   // among the characters of its kind
extern const std::span<const std::uint8_t> kBackoffCost; // for a follower never seen after it
extern const std::array<std::array<std::array<std::uint8_t, kKindCount>, kKindCount>, kModelCount> kKindCost;
extern const std::array<std::array<std::uint8_t, kKindCount>, kModelCount> kKindUnigramCost;

// How the cased letters of a word are: none, all lower, capitalised, all
// upper, mixed; or the word mixes Latin, Cyrillic and Greek letters.
extern const std::array<std::uint8_t, kWordCaseCount> kWordCaseCost;

// Pairs of tokens seen in a language's text, by hash of the model and the
// pair: a 16-bit fingerprint (0 for an empty slot) and the pair's cost.
extern const std::array<std::uint16_t, 1u << kPairBits> kPairKeys;
extern const std::array<std::uint8_t, 1u << kPairBits> kPairCost;

// The character after two letters beyond ASCII of a small alphabet, priced
// by both, by hash of the pair's hash and the character: its cost where the
// three were seen together often enough. With kAnyFollower as the character:
// what any other follower of that pair costs on top of its cost after the
// second letter alone.
constexpr std::uint32_t kAnyFollower = (1u << kTokenBits) - 1;
extern const std::array<std::uint16_t, 1u << kTripleBits> kTripleKeys;
extern const std::array<std::uint8_t, 1u << kTripleBits> kTripleCost;

constexpr std::uint32_t PairHash(std::uint32_t a, std::uint32_t b)
{
    std::uint32_t h = a * 0x9E3779B1u;
    h ^= b * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return h;
}

// How far a repair must beat the text as it is, and the next other repair.
struct Margin {
    std::uint16_t nOverInput;
    std::uint16_t nOverRunnerUp;
};
extern const std::array<Margin, kFamilyCount * kLengthBandCount> kMargins;

} // namespace repair_model
