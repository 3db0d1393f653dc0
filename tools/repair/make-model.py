#!/usr/bin/env python3
"""Makes the text model of the mojibake repair from the corpus's tuning half.

    tools/repair/make-model.py TUNE_TSV MARGINS_JSON core/RepairModelData.cpp

The model gives the cost (bits of surprise, in eighths) of each character
after the one before it: a bigram table of characters that real text uses,
backed off to how likely one kind of character follows another and how common
the character is among its kind. Letters are compared without case; a small
table prices changes of case. Every language of the corpus weighs the same.
"""
import collections
import json
import math
import sys
import unicodedata

# Kinds of character; the order is the engine's (core/RepairModel.h).
CLASSES = ["space", "digit", "ascii_punct", "latin", "cyrillic", "greek", "han", "hiragana", "katakana",
           "halfwidth_katakana", "hangul", "arabic", "hebrew", "thai", "punct", "symbol", "box", "emoji",
           "control", "private", "mark", "fullwidth", "other_letter", "other"]
C = {name: i for i, name in enumerate(CLASSES)}
BIGRAM_BITS = 17
UNIT = 8  # cost units per bit
LANGUAGE_WEIGHT_CHARS = 1_200_000


def classify(code):
    c = chr(code)
    if c in " \t\n\r\x0b\x0c\u00a0\u3000" or unicodedata.category(c) == "Zs":
        return C["space"]
    if "0" <= c <= "9":
        return C["digit"]
    if code < 0x80:
        if c.isalpha():
            return C["latin"]
        return C["ascii_punct"] if unicodedata.category(c)[0] in "PS" else C["control"]
    if 0x80 <= code < 0xA0:
        return C["control"]
    if 0xE000 <= code <= 0xF8FF or code >= 0xF0000:
        return C["private"]
    if 0x2500 <= code <= 0x259F:
        return C["box"]
    if 0xFF01 <= code <= 0xFF5E:
        return C["fullwidth"]
    if 0xFF61 <= code <= 0xFF9F:
        return C["halfwidth_katakana"]
    if code >= 0x1F000 and code <= 0x1FAFF:
        return C["emoji"]
    category = unicodedata.category(c)
    if category == "Cn" or category in ("Cc", "Cs", "Cf") or c == "\ufffd":
        return C["other"]
    if category[0] == "M":
        # Points and tone marks belong to their script's text.
        for prefix, kind in (("HEBREW", "hebrew"), ("ARABIC", "arabic"), ("THAI", "thai")):
            if unicodedata.name(c, "").startswith(prefix):
                return C[kind]
        return C["mark"]
    name = unicodedata.name(c, "")
    if category[0] == "L" or category == "Nd":
        for prefix, kind in (("LATIN", "latin"), ("CYRILLIC", "cyrillic"), ("GREEK", "greek"),
                             ("CJK", "han"), ("HIRAGANA", "hiragana"), ("KATAKANA", "katakana"),
                             ("HANGUL", "hangul"), ("ARABIC", "arabic"), ("HEBREW", "hebrew"), ("THAI", "thai")):
            if name.startswith(prefix):
                return C[kind]
        if 0x3400 <= code <= 0x9FFF or 0xF900 <= code <= 0xFAFF or 0x20000 <= code <= 0x3FFFF:
            return C["han"]
        if 0xAC00 <= code <= 0xD7A3:
            return C["hangul"]
        return C["other_letter"] if category[0] == "L" else C["symbol"]
    if category[0] == "P":
        return C["punct"]
    if category[0] in "SN":
        return C["symbol"]
    return C["other"]


LETTERS = {C[k] for k in ("latin", "cyrillic", "greek", "han", "hiragana", "katakana", "halfwidth_katakana",
                          "hangul", "arabic", "hebrew", "thai", "fullwidth", "other_letter")}


def fold(c):
    """The character compared, and its case: 0 none, 1 lower, 2 upper."""
    case = 2 if c.isupper() else 1 if c.islower() else 0
    lower = c.lower()
    return (lower if len(lower) == 1 else c), case


def main():
    tune_path, margins_path, out_path = sys.argv[1:4]
    lines = collections.defaultdict(list)
    for row in open(tune_path, encoding="utf-8"):
        language, _, text = row.rstrip("\n").split("\t", 2)
        lines[language].append(text)
    # Each language contributes about the same number of characters.
    sample = []
    for language, texts in sorted(lines.items()):
        total = 0
        for text in texts:
            if total > LANGUAGE_WEIGHT_CHARS:
                break
            sample.append(text)
            total += len(text)

    class_of = {}

    def kind(code):
        k = class_of.get(code)
        if k is None:
            k = class_of[code] = classify(code)
        return k

    # Vocabulary: folded characters seen at least twice, besides space and digits.
    counts = collections.Counter()
    for text in sample:
        for ch in text:
            k = kind(ord(ch))
            if k not in (C["space"], C["digit"]):
                counts[fold(ch)[0]] += 1
    vocabulary = sorted(ch for ch, n in counts.items()
                        if n >= 2 and ord(ch) < 0x10000 and kind(ord(ch)) not in (C["control"], C["other"]))
    assert len(CLASSES) + len(vocabulary) < 1 << 14
    token_of = {ch: len(CLASSES) + i for i, ch in enumerate(vocabulary)}
    token_count = len(CLASSES) + len(vocabulary)
    token_class = [i for i in range(len(CLASSES))] + [kind(ord(ch)) for ch in vocabulary]

    def tokenize(text):
        out = []
        for ch in text:
            k = kind(ord(ch))
            if k in (C["space"], C["digit"]):
                out.append((k, 0))
                continue
            folded, case = fold(ch)
            out.append((token_of.get(folded, k), case))
        return out

    unigram = collections.Counter()
    bigram = collections.Counter()
    class_pair = collections.Counter()
    case_pair = collections.Counter()
    for text in sample:
        previous, previous_case = C["space"], 0
        for token, case in tokenize(text) + [(C["space"], 0)]:
            unigram[token] += 1
            bigram[(previous, token)] += 1
            class_pair[(token_class[previous], token_class[token])] += 1
            if token_class[token] in LETTERS:
                case_pair[(previous_case, case)] += 1
            previous = token
            previous_case = case if token_class[token] in LETTERS else 0

    def cost(p):
        return min(255, max(0, round(-math.log2(p) * UNIT)))

    # Within a kind: how common each token is; a rare character shares its
    # kind's rare mass with every other code point of that kind.
    class_total = collections.Counter()
    for token, n in unigram.items():
        class_total[token_class[token]] += n
    members = collections.Counter(kind(code) for code in range(0x110000) if not 0xD800 <= code <= 0xDFFF)
    for ch in vocabulary:
        members[kind(ord(ch))] -= 1
    # A kind's token stands for each of its rare characters: it gets one share.
    share = [1.0 / max(1, members[token_class[t]]) if t < len(CLASSES) and t not in (C["space"], C["digit"]) else 1.0
             for t in range(token_count)]
    within = []
    for token in range(token_count):
        k = token_class[token]
        within.append((unigram[token] + 0.5) / (class_total[k] + 1.0) * share[token])
    unigram_costs = [cost(p) for p in within]

    # How one kind follows another, smoothed.
    from_total = collections.Counter()
    for (a, b), n in class_pair.items():
        from_total[a] += n
    class_costs = [[cost((class_pair[(a, b)] + 0.1) / (from_total[a] + 0.1 * len(CLASSES)))
                    for b in range(len(CLASSES))] for a in range(len(CLASSES))]
    case_total = collections.Counter()
    for (a, b), n in case_pair.items():
        case_total[a] += n
    # A word may start either way; within it, case tells how real it is.
    case_costs = [[0 if a == 0 else cost((case_pair[(a, b)] + 1) / (case_total[a] + 3)) for b in range(3)]
                  for a in range(3)]

    # Witten-Bell: the share a token leaves for followers never seen after it.
    followers = collections.Counter(a for (a, _) in bigram)
    left = collections.Counter()
    for (a, _), n in bigram.items():
        left[a] += n
    backoff = [followers[t] / (left[t] + followers[t]) if left[t] else 1.0 for t in range(token_count)]
    backoff_costs = [cost(p) for p in backoff]

    def fallback(a, b):
        return backoff_costs[a] + class_costs[token_class[a]][token_class[b]] + unigram_costs[b]

    kept = []
    for (a, b), n in bigram.items():
        if n < 2:
            continue
        pb = within[b] * 2 ** (-class_costs[token_class[a]][token_class[b]] / UNIT)
        p = (n * share[b] + followers[a] * pb) / (left[a] + followers[a])
        c = cost(p)
        if c + UNIT <= fallback(a, b):
            kept.append((n, a, b, c))
    kept.sort(reverse=True)
    capacity = 1 << BIGRAM_BITS
    kept = kept[:int(capacity * 0.6)]
    keys = [0] * capacity
    values = [0] * capacity
    for _, a, b, c in kept:
        h = bigram_hash(a, b)
        slot = h >> (32 - BIGRAM_BITS)
        fingerprint = (h & 0xFFFF) or 1
        while keys[slot]:
            slot = (slot + 1) & (capacity - 1)
        keys[slot] = fingerprint
        values[slot] = c

    # Ranges of code points by kind, for characters outside the vocabulary.
    ranges = []
    previous = None
    for code in range(0x110000):
        k = C["other"] if 0xD800 <= code <= 0xDFFF else kind(code)
        if k != previous:
            ranges.append((code, k))
            previous = k

    vocabulary_rows = []
    for ch in vocabulary:
        vocabulary_rows.append((ord(ch), token_of[ch], fold(ch)[1]))
        upper = ch.upper()
        if len(upper) == 1 and upper != ch and upper.lower() == ch:
            vocabulary_rows.append((ord(upper), token_of[ch], 2))
    vocabulary_rows.sort()

    margins = json.load(open(margins_path)) if margins_path != "-" else None
    write(out_path, vocabulary_rows, ranges, token_class, unigram_costs, backoff_costs, class_costs, case_costs,
          keys, values, margins, len(kept))
    print(f"{len(vocabulary)} characters, {token_count} tokens, {len(ranges)} ranges, {len(kept)} pairs",
          file=sys.stderr)


def bigram_hash(a, b):
    h = (a * 0x9E3779B1) & 0xFFFFFFFF
    h ^= (b * 0x85EBCA77) & 0xFFFFFFFF
    h ^= h >> 15
    h = (h * 0x2C1B3C6D) & 0xFFFFFFFF
    h ^= h >> 12
    return h


def rows(values, per_line=24, width=0):
    text = []
    for i in range(0, len(values), per_line):
        text.append("    " + ", ".join(str(v) for v in values[i:i + per_line]) + ",")
    return "\n".join(text)


def write(path, vocabulary_rows, ranges, token_class, unigram_costs, backoff_costs, class_costs, case_costs,
          keys, values, margins, pair_count):
    out = []
    out.append("// Generated by tools/repair/make-model.py from the corpus's tuning half. Do not edit.")
    out.append('#include "core/RepairModel.h"\n')
    out.append("namespace repair_model {\n")
    out.append("// Names ending in Data are the spans' storage.")
    def span(name, kind, values, comment, per_line=24):
        out.append(f"// {comment}")
        out.append(f"const {kind} {name}Data[] = {{")
        out.append(rows(values, per_line))
        out.append("};")
        out.append(f"const std::span<const {kind}> {name}({name}Data);\n")

    span("kVocabulary", "std::uint32_t", [code << 16 | case << 14 | token for code, token, case in vocabulary_rows],
         f"{len(vocabulary_rows)} rows: code point, case (none, lower, upper), token.", 8)
    span("kKindRuns", "std::uint32_t", [code << 5 | k for code, k in ranges], "Runs of one kind: first code point, kind.", 8)
    span("kTokenKind", "std::uint8_t", token_class, "Each token's kind.")
    span("kTokenCost", "std::uint8_t", unigram_costs, "Each token among its kind.")
    span("kBackoffCost", "std::uint8_t", backoff_costs, "After each token, a follower not in the pair table.")
    out.append(f"const std::array<std::array<std::uint8_t, {len(class_costs)}>, {len(class_costs)}> kKindCost = {{{{")
    for row in class_costs:
        out.append("    {" + ", ".join(str(v) for v in row) + "},")
    out.append("}};\n")
    out.append("const std::array<std::array<std::uint8_t, 3>, 3> kCaseCost = {{")
    for row in case_costs:
        out.append("    {" + ", ".join(str(v) for v in row) + "},")
    out.append("}};\n")
    out.append(f"// {pair_count} pairs in {len(keys)} slots: a 16-bit fingerprint (0: empty), and the cost.")
    out.append(f"const std::array<std::uint16_t, {len(keys)}> kPairKeys = {{")
    out.append(rows(keys, 16))
    out.append("};\n")
    out.append(f"const std::array<std::uint8_t, {len(values)}> kPairCost = {{")
    out.append(rows(values, 24))
    out.append("};\n")
    out.append("// Margins by family, then length band, tuned on the corpus's tuning half"
               " (tools/repair/tune-margins.py).")
    out.append("const std::array<Margin, kFamilyCount * kLengthBandCount> kMargins = {{")
    for m in (margins["margins"] if margins else [[0, 0]] * 40):
        out.append(f"    {{{m[0]}, {m[1]}}},")
    out.append("}};\n")
    out.append("} // namespace repair_model")
    open(path, "w", encoding="utf-8").write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
