#!/usr/bin/env bash
# The mojibake repair measured on its own corpus, end to end; not run in CI.
#
#   repair/tools/measure.sh              held-out figures of the model as committed
#   repair/tools/measure.sh --retune     first make the model and margins anew from the tuning half
#   repair/tools/measure.sh --leave-out  for each kind of source, the model and margins made
#                                        without it, measured on all of its strings
#
# The corpus and the reports go to build-corpus/ (PELISAN_CORPUS); with
# --retune, repair/RepairModelData.cpp, repair/tools/margins.json and
# repair/tests/RepairRows.inc are rewritten. --leave-out puts the committed
# model back when it ends.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${PELISAN_CORPUS:-$root/build-corpus}
build=${PELISAN_BENCH_BUILD:-$root/build-release}
here=$root/repair/tools
model=$root/repair/RepairModelData.cpp
folds=2
# Strings of each language for each pair of code pages, where margins are
# chosen and for the leave-one-out measure.
per_cell=${PELISAN_PER_CELL:-300}
if [ ! -s "$out/tune.tsv" ] || [ ! -s "$out/heldout.tsv" ] || [ ! -s "$out/model-prose.tsv" ]; then
  # The Debian packages whose text the corpus is made of; neither the build
  # nor the tests need them. Some are only unpacked: installed, they would
  # bring in a browser.
  "$root/tools/setup.sh" $(python3 "$here/build-corpus.py" --packages)
  rm -rf "$out/unpacked"
  python3 "$here/build-corpus.py" --unpack "$out/unpacked"
  PELISAN_UNPACKED="$out/unpacked/root" python3 "$here/build-corpus.py" "$out"
fi
. "$root/tools/wine-env.sh" "$build"
corpus_tool() {
  "$root/tools/build.sh" "$build" x86_64 Release >/dev/null
  cmake --build "$build" --target pelisan_repair_corpus >/dev/null
  wine "$build/pelisan_repair_corpus.exe" "$@"
}

# retune TUNE PROSE MARGINS DIR: the model and margins made from TUNE (and
# PROSE, which the model alone learns from) into repair/RepairModelData.cpp
# and MARGINS. Each fold's model decides on the strings it was not made from,
# with no margins; the margins are chosen from all those decisions.
retune() {
  local tune=$1 prose=$2 margins=$3 dir=$4
  python3 "$here/split-folds.py" "$tune" "$dir/folds" $folds
  : > "$dir/tune-features.tsv"
  for ((k = 0; k < folds; k++)); do
    cat "$dir/folds/fold-$k-model.tsv" "$prose" > "$dir/folds/fold-$k-model-prose.tsv"
    python3 "$here/make-model.py" "$dir/folds/fold-$k-model-prose.tsv" - "$model"
    corpus_tool "$dir/folds/fold-$k-margins.tsv" --per-cell "$per_cell" --features "$dir/folds/fold-$k-features.tsv" \
      > "$dir/folds/fold-$k-report.md"
    cat "$dir/folds/fold-$k-features.tsv" >> "$dir/tune-features.tsv"
  done
  python3 "$here/tune-margins.py" "$dir/tune-features.tsv" "$margins"
  cat "$tune" "$prose" > "$dir/tune-prose.tsv"
  python3 "$here/make-model.py" "$dir/tune-prose.tsv" "$margins" "$model"
}

case "${1:-}" in
--retune)
  retune "$out/tune.tsv" "$out/model-prose.tsv" "$here/margins.json" "$out"
  python3 "$here/make-test-rows.py" "$out/heldout.tsv" "$root/repair/tests/RepairRows.inc"
  ;;
--leave-out)
  cp "$model" "$out/committed-model.cpp"
  trap 'cp "$out/committed-model.cpp" "$model"' EXIT
  for kind in $(python3 "$here/build-corpus.py" --kinds); do
    dir=$out/without-$kind
    mkdir -p "$dir"
    awk -F'\t' -v kind="$kind" '$2 != kind' "$out/tune.tsv" > "$dir/tune.tsv"
    awk -F'\t' -v kind="$kind" '$2 != kind' "$out/model-prose.tsv" > "$dir/model-prose.tsv"
    awk -F'\t' -v kind="$kind" '$2 == kind' "$out/tune.tsv" "$out/heldout.tsv" > "$dir/measured.tsv"
    retune "$dir/tune.tsv" "$dir/model-prose.tsv" "$dir/margins.json" "$dir"
    corpus_tool "$dir/measured.tsv" --per-cell "$per_cell" > "$out/without-$kind-report.md"
    echo "Without $kind, measured on it: $out/without-$kind-report.md"
  done
  wineserver -k 2>/dev/null || true
  exit 0
  ;;
esac
# 1,500 strings of each language for each pair: with 300, two wrong strings
# put a pair over 0.5 %.
corpus_tool "$out/heldout.tsv" --per-cell "${PELISAN_HELDOUT_PER_CELL:-1500}" > "$out/heldout-report.md"
wineserver -k 2>/dev/null || true
echo "Held-out figures: $out/heldout-report.md"
