#!/usr/bin/env bash
# Copies in quick succession on the desktop: five short Japanese texts copied
# by an X11 program GAP ms apart while the window runs with its default
# settings (code page 932, RTF copy on), each of which it converts. Counts
# the runs whose clipboard ends with the last copy, as a user pasting then
# would expect. Runs in the display and Wine prefix of the benchmark.
#   desktop-burst.sh PELISAN_EXE WINDOW_TOOL_EXE [RUNS]
set -uo pipefail
pelisan=$1
tool=$2
runs=${3:-8}
work=$(mktemp -d)
copiers=()
trap 'kill "${copiers[@]}" 2>/dev/null; rm -rf "$work"' EXIT

(cd "$work" && exec wine "$pelisan") >/dev/null 2>&1 &
pelisan_pid=$!
timeout 60 wine "$tool" wait || { echo "the window did not open" >&2; exit 1; }
# xclip -o waits forever when the owner changes while it asks.
paste() { timeout 5 xclip -o -selection clipboard -t UTF8_STRING 2>/dev/null; }

echo
echo "## Five desktop copies in quick succession: runs ending with the last copy"
echo
echo "| gap (ms) | right | wrong: what the clipboard ended with |"
echo "|---|---|---|"
for gap in 0 50 100 200; do
  right=0
  wrong=()
  for ((run = 0; run < runs; run++)); do
    for i in 1 2 3 4 5; do
      printf '連続コピー %s-%s-%s' "$gap" "$run" "$i" | xclip -quiet -selection clipboard >/dev/null 2>&1 &
      copiers+=($!)
      sleep "$(awk -v g="$gap" 'BEGIN { print g / 1000 }')"
    done
    # Every conversion and Wine's taking over are done by then.
    sleep 3
    last=$(paste)
    if [ "$last" = "連続コピー $gap-$run-5" ]; then
      right=$((right + 1))
    else
      wrong+=("${last##* }")
    fi
  done
  echo "| $gap | $right of $runs | ${wrong[*]:-} |"
done
timeout 30 wine "$tool" close >/dev/null 2>&1 || kill "$pelisan_pid" 2>/dev/null
wait "$pelisan_pid" 2>/dev/null
