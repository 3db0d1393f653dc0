#!/usr/bin/env python3
"""Makes the text model of the mojibake repair from part of the corpus's tuning half
and the prose written beside the corpus for the model alone.

    repair/tools/make-model.py MODEL_TSV MARGINS_JSON repair/RepairModelData.cpp

One model per language of the corpus: the cost (bits of surprise, in eighths)
of each character after the one before it. A pair of characters seen in the
language's text has a cost of its own; any other backs off to how likely the
character's kind follows the previous one's in that language, and how common
the character is among its kind there, smoothed towards all languages
together so that a character a language never uses is unlikely, not
impossible. After two letters beyond ASCII of a small alphabet (Cyrillic,
Greek, Hebrew ...), where pairs alone tell real words from garbled ones too
little, the next character is priced by both, where the three were seen often
enough; any other follower of a common context costs more than after the
second letter alone. Letters are compared without case; the case of whole
words is priced apart, the same for every language.
"""
import collections
import json
import math
import sys
import unicodedata

import shared


CLASSES = shared.KINDS
C = {name: i for i, name in enumerate(CLASSES)}
LANGUAGES = shared.language_names()
POOLED = "pooled"
MODELS = LANGUAGES + [POOLED]
PAIR_BITS = shared.PAIR_BITS
TRIPLE_BITS = shared.TRIPLE_BITS
TOKEN_BITS = shared.TOKEN_BITS
UNIT = 8  # cost units per bit
LANGUAGE_CHARS = 2_000_000  # characters read per language at most
LANGUAGE_PRIOR = 2.0        # counts of all languages' distribution each language's own is smoothed with
KIND_PRIOR = 1.0


# The first level of GB 2312, Big5 and JIS X 0208, by code: the Han
# characters everyday text is written with.
COMMON_HAN = (("gb2312", 0xB0A1, 0xD7FE), ("big5", 0xA440, 0xC67E), ("shift_jis", 0x889F, 0x9872))


def common_han(c):
    for codec, first, last in COMMON_HAN:
        try:
            code = int.from_bytes(c.encode(codec), "big")
        except UnicodeEncodeError:
            continue
        if first <= code <= last:
            return True
    return False


def classify(code):
    # Han and Hangul beyond the common sets are kinds of their own: clean
    # text seldom has them, and misread bytes often land on them.
    kind = classify_script(code)
    if kind == C["han"] and not common_han(chr(code)):
        return C["rare_han"]
    if kind == C["hangul"] and 0xAC00 <= code <= 0xD7A3 and len(chr(code).encode("euc_kr")) != 2:
        # Beyond the 2,350 syllables of KS X 1001.
        return C["rare_hangul"]
    return kind


def classify_script(code):
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
    if category == "Cf" and code < 0xE0000:
        # Direction marks and joiners are part of the text they stand in.
        return C["punct"]
    if category in ("Cn", "Cc", "Cs", "Cf") or c == "\ufffd":
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


# ASCII letters, which every language has, are left to pairs.
TRIPLE_KINDS = {C[k] for k in shared.TRIPLE_KINDS}
# Stands for "any follower" in the triple table: the context's own row.
CONTEXT = (1 << TOKEN_BITS) - 1
LETTERS = {C[k] for k in shared.LETTER_KINDS}
# Words that mix alphabets, which clean text seldom has and mojibake often makes ("УMayLoadФ").
WORD_CASES = shared.WORD_CASES
ALPHABETS = {C["latin"], C["cyrillic"], C["greek"]}


def fold(c):
    """The character compared, and its case: 0 none, 1 lower, 2 upper."""
    case = 2 if c.isupper() else 1 if c.islower() else 0
    lower = c.lower()
    return (lower if len(lower) == 1 else c), case


def word_case(letters):
    """letters: the case and kind of each letter of the word."""
    if len({kind for _, kind in letters} & ALPHABETS) > 1:
        return 5
    cased = [c for c, _ in letters if c]
    if not cased:
        return 0
    if all(c == 1 for c in cased):
        return 1
    if cased[0] == 2 and all(c == 1 for c in cased[1:]):
        return 2
    return 3 if all(c == 2 for c in cased) else 4


def cost(p):
    return min(255, max(0, round(-math.log2(p) * UNIT)))


def main():
    model_path, margins_path, out_path = sys.argv[1:4]
    lines = collections.defaultdict(list)
    for row in open(model_path, encoding="utf-8"):
        language, _, text = row.rstrip("\n").split("\t", 2)
        lines[language].append(text)
    samples = {}
    for language in LANGUAGES:
        total = 0
        samples[language] = []
        for text in lines.get(language, []):
            if total > LANGUAGE_CHARS:
                break
            samples[language].append(text)
            total += len(text)

    class_of = {}

    def kind(code):
        k = class_of.get(code)
        if k is None:
            k = class_of[code] = classify(code)
        return k

    # Vocabulary: folded characters seen at least twice, besides space and digits.
    counts = collections.Counter()
    for texts in samples.values():
        for text in texts:
            for ch in text:
                if kind(ord(ch)) not in (C["space"], C["digit"]):
                    counts[fold(ch)[0]] += 1
    vocabulary = sorted(ch for ch, n in counts.items()
                        if n >= 2 and ord(ch) < 0x10000 and kind(ord(ch)) not in (C["control"], C["other"]))
    assert len(CLASSES) + len(vocabulary) < CONTEXT
    token_of = {ch: len(CLASSES) + i for i, ch in enumerate(vocabulary)}
    token_count = len(CLASSES) + len(vocabulary)
    token_class = list(range(len(CLASSES))) + [kind(ord(ch)) for ch in vocabulary]
    kinds = len(CLASSES)
    token_ascii = [t in (C["space"], C["digit"]) for t in range(kinds)] + [ord(ch) < 0x80 for ch in vocabulary]

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

    assert token_count < CONTEXT
    triple_letter = [t >= kinds and token_class[t] in TRIPLE_KINDS and not token_ascii[t] for t in range(token_count)]

    unigram = {}
    bigram = {}
    trigram = {}
    word_cases = collections.Counter()
    for language in LANGUAGES:
        uni = unigram[language] = collections.Counter()
        bi = bigram[language] = collections.Counter()
        tri = trigram[language] = collections.Counter()
        for text in samples[language]:
            previous = C["space"]
            before = C["space"]
            letters = []
            for token, case in tokenize(text) + [(C["space"], 0)]:
                uni[token] += 1
                bi[(previous, token)] += 1
                if triple_letter[before] and triple_letter[previous]:
                    tri[(before, previous, token)] += 1
                before = previous
                if token_class[token] in LETTERS:
                    letters.append((case, token_class[token]))
                elif letters:
                    word_cases[word_case(letters)] += 1
                    letters = []
                previous = token

    # A model of all languages together for pairs of ASCII characters, which
    # every language's text has (names, commands, English): a language's own
    # never costs much more, so that they do not decide which language a text
    # is in.
    unigram[POOLED] = collections.Counter()
    bigram[POOLED] = collections.Counter()
    for language in LANGUAGES:
        unigram[POOLED].update(unigram[language])
        bigram[POOLED].update(bigram[language])

    # All languages together: how common each kind is, and each token among
    # its kind; a rare character shares its kind's rare mass with every other
    # code point of that kind.
    everything = unigram[POOLED]
    kind_total = collections.Counter()
    for token, n in everything.items():
        kind_total[token_class[token]] += n
    members = collections.Counter(kind(code) for code in range(0x110000) if not 0xD800 <= code <= 0xDFFF)
    for ch in vocabulary:
        members[kind(ord(ch))] -= 1
    # The common sets hold many rare characters too: one of them outside the
    # vocabulary is priced as one among all of its script, rare ones included.
    for common, rare in ((C["han"], C["rare_han"]), (C["hangul"], C["rare_hangul"])):
        members[common] += members[rare]
    share = [1.0 / max(1, members[token_class[t]]) if t < kinds and t not in (C["space"], C["digit"]) else 1.0
             for t in range(token_count)]
    global_within = [(everything[t] + 0.5) / (kind_total[token_class[t]] + 1.0) * share[t]
                     for t in range(token_count)]
    all_kinds = sum(kind_total.values())
    global_kind = [(kind_total[k] + 1.0) / (all_kinds + kinds) for k in range(kinds)]

    token_costs = []   # [token][language]
    backoff_costs = []
    kind_costs = []    # [language][kind][kind]
    kind_unigram_costs = []  # [language][kind]
    within = {}
    pairs = []

    def backoff_cost(li, a, b):
        # What the engine prices a pair not in the table at.
        return backoff_costs[li][a] + kind_costs[li][token_class[a]][token_class[b]] + token_costs[li][b]

    for li, language in enumerate(MODELS):
        uni = unigram[language]
        bi = bigram[language]
        lang_kind = collections.Counter()
        for token, n in uni.items():
            lang_kind[token_class[token]] += n
        # Which letter is how common tells languages apart; punctuation and
        # symbols are much the same in all of them.
        within[language] = [global_within[t] if token_class[t] not in LETTERS else
                            (uni[t] * share[t] + LANGUAGE_PRIOR * global_within[t]) / (lang_kind[token_class[t]] + LANGUAGE_PRIOR)
                            for t in range(token_count)]
        n_lang = sum(lang_kind.values())
        kind_unigram_costs.append([cost((lang_kind[k] + KIND_PRIOR * global_kind[k]) / (n_lang + KIND_PRIOR))
                                   for k in range(kinds)])
        kind_pair = collections.Counter()
        for (a, b), n in bi.items():
            kind_pair[(token_class[a], token_class[b])] += n
        from_kind = collections.Counter()
        for (a, _), n in kind_pair.items():
            from_kind[a] += n
        kind_prob = [[(kind_pair[(a, b)] + KIND_PRIOR * global_kind[b]) / (from_kind[a] + KIND_PRIOR)
                      for b in range(kinds)] for a in range(kinds)]
        kind_costs.append([[cost(p) for p in row] for row in kind_prob])
        followers = collections.Counter(a for (a, _) in bi)
        left = collections.Counter()
        for (a, _), n in bi.items():
            left[a] += n
        backoff = [followers[t] / (left[t] + followers[t]) if left[t] else 1.0 for t in range(token_count)]
        backoff_costs.append([cost(p) for p in backoff])
        token_costs.append([cost(p) for p in within[language]])
        for (a, b), n in bi.items():
            if n < 2:
                continue
            lower = within[language][b] * kind_prob[token_class[a]][token_class[b]]
            c = cost((n * share[b] + followers[a] * lower) / (left[a] + followers[a]))
            if c + UNIT <= backoff_cost(li, a, b) and (language != POOLED or (token_ascii[a] and token_ascii[b])):
                pairs.append((n, li, a, b, c))

    pairs.sort(reverse=True)
    pairs = pairs[:int((1 << PAIR_BITS) * 0.7)]
    keys, values = hash_table(PAIR_BITS, [(pair_hash(li << TOKEN_BITS | a, b), c) for _, li, a, b, c in pairs])
    pair_table = {(li, a, b): c for _, li, a, b, c in pairs}

    def pair_cost(li, a, b):
        c = pair_table.get((li, a, b))
        return backoff_cost(li, a, b) if c is None else c

    # Triples, smoothed towards the cost after the second letter alone: a context seen
    # often with few followers makes any other follower unlikely.
    triples = []
    for li, language in enumerate(LANGUAGES):
        seen = collections.Counter()
        distinct = collections.Counter()
        for (a, b, _), n in trigram[language].items():
            seen[(a, b)] += n
            distinct[(a, b)] += 1
        for (a, b), n in seen.items():
            context = cost(distinct[(a, b)] / (n + distinct[(a, b)]))
            if n >= 4 and context >= UNIT:
                triples.append((n, li, a, b, CONTEXT, context))
        for (a, b, c), n in trigram[language].items():
            if n < 2:
                continue
            t = distinct[(a, b)]
            p = (n + t * 2 ** (-pair_cost(li, b, c) / UNIT)) / (seen[(a, b)] + t)
            if cost(p) + UNIT <= cost(t / (seen[(a, b)] + t)) + pair_cost(li, b, c):
                triples.append((n, li, a, b, c, cost(p)))
    triples.sort(reverse=True)
    triple_count = len(triples)
    triples = triples[:int((1 << TRIPLE_BITS) * 0.7)]
    triple_keys, triple_values = hash_table(
        TRIPLE_BITS, [(pair_hash(pair_hash(li << TOKEN_BITS | a, b), c), v) for _, li, a, b, c, v in triples])

    total_words = sum(word_cases[c] for c in range(1, WORD_CASES))
    word_case_costs = [0] + [cost((word_cases[c] + 1) / (total_words + WORD_CASES)) for c in range(1, WORD_CASES)]

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

    no_margins = [[0, 0]] * (len(shared.FAMILIES) * len(shared.LENGTH_BANDS))
    margins = json.load(open(margins_path))["margins"] if margins_path != "-" else no_margins
    model = {
        "vocabulary": vocabulary_rows, "ranges": ranges, "token_class": token_class,
        "token_costs": [token_costs[li][t] for t in range(token_count) for li in range(len(MODELS))],
        "backoff_costs": [backoff_costs[li][t] for t in range(token_count) for li in range(len(MODELS))],
        "kind_costs": kind_costs, "kind_unigram_costs": kind_unigram_costs, "word_case_costs": word_case_costs,
        "margins": margins,
        "tables": [("Pair", "pairs", keys, values, len(pairs)),
                   ("Triple", "triples and contexts", triple_keys, triple_values, len(triples))],
    }
    write(out_path, model)
    print(f"{len(vocabulary)} characters, {token_count} tokens, {len(ranges)} ranges, {len(pairs)} pairs, "
          f"{len(triples)} of {triple_count} triples, word cases {word_case_costs}", file=sys.stderr)


def hash_table(bits, entries):
    """Open addressing by the hash's top bits; a 16-bit fingerprint (never 0) and a cost per slot."""
    capacity = 1 << bits
    keys = [0] * capacity
    values = [0] * capacity
    for h, value in entries:
        slot = h >> (32 - bits)
        while keys[slot]:
            slot = (slot + 1) & (capacity - 1)
        keys[slot] = (h & 0xFFFF) or 1
        values[slot] = value
    return keys, values


def pair_hash(a, b):
    h = (a * 0x9E3779B1) & 0xFFFFFFFF
    h ^= (b * 0x85EBCA77) & 0xFFFFFFFF
    h ^= h >> 15
    h = (h * 0x2C1B3C6D) & 0xFFFFFFFF
    h ^= h >> 12
    return h


def rows(values, per_line=24):
    return "\n".join("    " + ", ".join(str(v) for v in values[i:i + per_line]) + ","
                     for i in range(0, len(values), per_line))


def write(path, model):
    out = ["// Generated by repair/tools/make-model.py from the corpus's tuning half. Do not edit.",
           '#include "repair/RepairModel.h"\n', "namespace repair_model {\n",
           f"static_assert(kShapeFingerprint == {shared.fingerprint():#010x}, "
           '"made for another shape: repair/tools/measure.sh --retune makes it anew");\n',
           "// Names ending in Data are the spans' storage."]

    def span(name, kind, values, comment, per_line=24):
        out.append(f"// {comment}")
        out.append(f"const {kind} {name}Data[] = {{")
        out.append(rows(values, per_line))
        out.append("};")
        out.append(f"const std::span<const {kind}> {name}({name}Data);\n")

    def table(declaration, values):
        out.append(f"{declaration} = {{{{")
        out.extend("    {" + ", ".join(str(v) for v in row) + "}," for row in values)
        out.append("}};\n")

    vocabulary_rows = model["vocabulary"]
    span("kVocabulary", "std::uint32_t", [code << 16 | case << TOKEN_BITS | token for code, token, case in vocabulary_rows],
         f"{len(vocabulary_rows)} rows: code point, case (none, lower, upper), token.", 8)
    span("kKindRuns", "std::uint32_t", [code << 5 | k for code, k in model["ranges"]],
         "Runs of one kind: first code point, kind.", 8)
    span("kTokenKind", "std::uint8_t", model["token_class"], "Each token's kind.")
    span("kTokenCost", "std::uint8_t", model["token_costs"], "Each token among its kind, by model.", len(MODELS))
    span("kBackoffCost", "std::uint8_t", model["backoff_costs"],
         "After each token, a follower not in the pair table, by model.", len(MODELS))
    out.append("// By model: one kind after another.")
    out.append("const std::array<std::array<std::array<std::uint8_t, kKindCount>, kKindCount>, kModelCount> "
               "kKindCost = {{")
    for language_costs in model["kind_costs"]:
        out.append("    {{")
        out.extend("        {" + ", ".join(str(v) for v in row) + "}," for row in language_costs)
        out.append("    }},")
    out.append("}};\n")
    table("// By model: how common each kind is.\n"
          "const std::array<std::array<std::uint8_t, kKindCount>, kModelCount> kKindUnigramCost",
          model["kind_unigram_costs"])
    out.append("const std::array<std::uint8_t, kWordCaseCount> kWordCaseCost = {"
               + ", ".join(str(v) for v in model["word_case_costs"]) + "};\n")
    for name, what, keys, values, count in model["tables"]:
        out.append(f"// {count} {what} in {len(keys)} slots: a 16-bit fingerprint (0: empty), and the cost.")
        out.append(f"const std::array<std::uint16_t, {len(keys)}> k{name}Keys = {{")
        out.append(rows(keys, 16))
        out.append("};\n")
        out.append(f"const std::array<std::uint8_t, {len(keys)}> k{name}Cost = {{")
        out.append(rows(values, 24))
        out.append("};\n")
    out.append("// Margins by family, then length band, tuned on the corpus's tuning half"
               " (repair/tools/tune-margins.py).")
    out.append("const std::array<Margin, kFamilyCount * kLengthBandCount> kMargins = {{")
    out.extend(f"    {{{m[0]}, {m[1]}}}," for m in model["margins"])
    out.append("}};\n")
    out.append("} // namespace repair_model")
    open(path, "w", encoding="utf-8").write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
