#!/usr/bin/env python3
"""Splits the corpus's tuning half into folds for choosing the margins.

    repair/tools/split-folds.py TUNE_TSV OUT_DIR FOLDS

Writes OUT_DIR/fold-K-model.tsv (the strings the model of fold K is made
from) and OUT_DIR/fold-K-margins.tsv (the rest, which that model never saw),
K = 0 .. FOLDS-1, by a hash of each string. The margins are chosen from every
fold's decisions on text its model did not see, as the held-out half will be.
"""
import hashlib
import sys
from pathlib import Path


def main():
    tune, out, folds = sys.argv[1], Path(sys.argv[2]), int(sys.argv[3])
    out.mkdir(parents=True, exist_ok=True)
    model = [open(out / f"fold-{k}-model.tsv", "w", encoding="utf-8") for k in range(folds)]
    margins = [open(out / f"fold-{k}-margins.tsv", "w", encoding="utf-8") for k in range(folds)]
    for line in open(tune, encoding="utf-8"):
        text = line.rstrip("\n").split("\t", 2)[2]
        fold = hashlib.sha1(text.encode()).digest()[1] % folds
        for k in range(folds):
            (margins if k == fold else model)[k].write(line)
    for f in model + margins:
        f.close()


if __name__ == "__main__":
    main()
