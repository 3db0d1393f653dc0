#!/usr/bin/env python3
"""Chooses the repair's margins from decisions on the corpus's tuning half.

    repair/tools/tune-margins.py FEATURES.tsv repair/tools/margins.json

FEATURES.tsv comes from pelisan_repair_corpus --features run over the tuning
half with margins of zero. For each family of repairs and length band it picks
how far the best repair must beat the text (over input) and the next other
repair (over runner-up): no clean string may be repaired even with a safety
margin more, and a wrong repair weighs as much as WRONG_WEIGHT missed ones.
"""
import bisect
import collections
import json
import sys

import shared

FAMILIES = len(shared.FAMILIES)
# Cyrillic as Cyrillic: the wrong repairs that would bind its margins are mostly
# Western punctuation taken for lone letters, which the engine refuses when a
# reading that alters no letter is UNALTERED_LEEWAY likelier. Told so, the
# other families let more clean text through on the tuning folds.
KNOWS_UNALTERED = {shared.family_index("CyrillicAsCyrillic")}
UNALTERED_LEEWAY = shared.UNALTERED_LEEWAY
BANDS = len(shared.LENGTH_BANDS)
REFUSE = 65535
SAFETY_INPUT = 40      # eighths of a bit beyond the closest clean string
SAFETY_RUNNER_UP = 16
WRONG_WEIGHT = 40
MINIMUM_GAIN = 50     # a family and band that gains less is refused outright
RUNNER_UP_GRID = list(range(0, 480, 8))


def best_margin(cell):
    clean = [(i, r) for kind, i, r in cell if kind == "clean"]
    exact = [(i, r) for kind, i, r in cell if kind == "exact"]
    wrong = [(i, r) for kind, i, r in cell if kind == "wrong"]
    best = (MINIMUM_GAIN, REFUSE, REFUSE, 0, 0)
    for runner in RUNNER_UP_GRID:
        floor = max([i for i, r in clean if r >= runner - SAFETY_RUNNER_UP] + [-1]) + SAFETY_INPUT + 1
        floor = max(floor, 1)
        ok = sorted(i for i, r in exact if r >= runner)
        bad = sorted(i for i, r in wrong if r >= runner)
        for threshold in sorted({floor} | {i for i in ok + bad if i > floor}):
            n_ok = len(ok) - bisect.bisect_left(ok, threshold)
            n_bad = len(bad) - bisect.bisect_left(bad, threshold)
            score = n_ok - WRONG_WEIGHT * n_bad
            if score > best[0]:
                best = (score, threshold, runner, n_ok, n_bad)
    return [best[1], best[2]], best[0], best[3], best[4]


def main():
    cells = collections.defaultdict(list)
    for line in open(sys.argv[1], encoding="utf-8"):
        kind, truth, family, band, over_input, over_runner, correct, *_, over_unaltered = line.split("\t")
        family = int(family)
        if family >= FAMILIES or (family in KNOWS_UNALTERED and int(over_unaltered) < -UNALTERED_LEEWAY):
            continue
        if kind == "garbled":
            kind = "exact" if correct == "1" else "wrong"
        cells[(family, int(band))].append((kind, int(over_input), int(over_runner)))
    margins = []
    for family in range(FAMILIES):
        for band in range(BANDS):
            margin, score, n_ok, n_bad = best_margin(cells[(family, band)])
            counts = collections.Counter(k for k, _, _ in cells[(family, band)])
            print(f"family {family} band {band}: {margin}, {n_ok} exact and {n_bad} wrong kept of {dict(counts)}",
                  file=sys.stderr)
            margins.append(margin)
    json.dump({"margins": margins}, open(sys.argv[2], "w"), indent=1)


if __name__ == "__main__":
    main()
