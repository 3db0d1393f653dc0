#!/usr/bin/env bash
# The mojibake repair measured on its own corpus, end to end; not run in CI.
#
#   repair/tools/measure.sh            held-out figures of the model as committed
#   repair/tools/measure.sh --retune   first make the model and margins anew from the tuning half
#
# The corpus and the reports go to build-corpus/ (PELISAN_CORPUS); with
# --retune, repair/RepairModelData.cpp, repair/tools/margins.json and
# repair/tests/RepairRows.inc are rewritten.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${PELISAN_CORPUS:-$root/build-corpus}
build=${PELISAN_BENCH_BUILD:-$root/build-release}
here=$root/repair/tools
folds=2
if [ ! -s "$out/tune.tsv" ] || [ ! -s "$out/heldout.tsv" ] || [ ! -s "$out/model-prose.tsv" ]; then
  # The Debian packages whose text the corpus is made of; neither the build
  # nor the tests need them.
  "$root/tools/setup.sh" manpages manpages-ja manpages-zh manpages-tr manpages-cs manpages-de manpages-el \
    manpages-es manpages-fr manpages-hu manpages-pl manpages-pt-br manpages-ru manpages-uk manpages-vi \
    unicode-cldr-core hunspell-ko hunspell-he hunspell-ar hunspell-th hunspell-el
  # GNOME's help pages, unpacked only: installing them would bring in their browser.
  rm -rf "$out/help-pages" && mkdir -p "$out/help-pages"
  (cd "$out/help-pages" && apt-get download gnome-user-docs >/dev/null && dpkg -x gnome-user-docs_*.deb .)
  PELISAN_HELP_ROOT="$out/help-pages/usr/share/help" python3 "$here/build-corpus.py" "$out"
fi
. "$root/tools/wine-env.sh" "$build"
corpus_tool() {
  "$root/tools/build.sh" "$build" x86_64 Release >/dev/null
  cmake --build "$build" --target pelisan_repair_corpus >/dev/null
  wine "$build/pelisan_repair_corpus.exe" "$@"
}
if [ "${1:-}" = --retune ]; then
  # Each fold's model decides on the strings it was not made from, with no
  # margins; the margins are chosen from all those decisions.
  python3 "$here/split-folds.py" "$out/tune.tsv" "$out/folds" $folds
  : > "$out/tune-features.tsv"
  for ((k = 0; k < folds; k++)); do
    cat "$out/folds/fold-$k-model.tsv" "$out/model-prose.tsv" > "$out/folds/fold-$k-model-prose.tsv"
    python3 "$here/make-model.py" "$out/folds/fold-$k-model-prose.tsv" - "$root/repair/RepairModelData.cpp"
    corpus_tool "$out/folds/fold-$k-margins.tsv" --per-cell 300 --features "$out/folds/fold-$k-features.tsv" \
      > "$out/folds/fold-$k-report.md"
    cat "$out/folds/fold-$k-features.tsv" >> "$out/tune-features.tsv"
  done
  python3 "$here/tune-margins.py" "$out/tune-features.tsv" "$here/margins.json"
  cat "$out/tune.tsv" "$out/model-prose.tsv" > "$out/tune-prose.tsv"
  python3 "$here/make-model.py" "$out/tune-prose.tsv" "$here/margins.json" "$root/repair/RepairModelData.cpp"
  python3 "$here/make-test-rows.py" "$out/heldout.tsv" "$root/repair/tests/RepairRows.inc"
fi
# 1,500 strings of each language for each pair: with 300, two wrong strings
# put a pair over 0.5 %.
corpus_tool "$out/heldout.tsv" --per-cell 1500 > "$out/heldout-report.md"
wineserver -k 2>/dev/null || true
echo "Held-out figures: $out/heldout-report.md"
