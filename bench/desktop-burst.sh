#!/usr/bin/env bash
# Copies in quick succession on the desktop: five short Japanese texts copied
# by one X11 program (burst-owner.py) 0 to 200 ms apart while the window runs
# with its default settings (code page 932, RTF copy on), each of which it
# converts. Counts the runs whose clipboard ends with the last copy, as a user
# pasting then would expect. Runs in the display and Wine prefix of the
# benchmark.
#   desktop-burst.sh PELISAN_EXE WINDOW_TOOL_EXE [RUNS]
set -uo pipefail
pelisan=$1
tool=$2
runs=${3:-8}
work=$(mktemp -d)
owner=$(dirname "$0")/burst-owner.py
owner_pid=
trap 'kill $owner_pid 2>/dev/null; rm -rf "$work"' EXIT

(cd "$work" && exec wine "$pelisan") >/dev/null 2>&1 &
pelisan_pid=$!
timeout 60 wine "$tool" wait || { echo "the window did not open" >&2; exit 1; }
# xclip -o waits forever when the owner changes while it asks.
paste() { timeout 5 xclip -o -selection clipboard -t UTF8_STRING 2>/dev/null; }

echo
echo "## Five desktop copies in quick succession (text, HTML and three formats of 60 KiB each): runs ending with the last copy"
echo
echo "| gap (ms) | right | wrong: what the clipboard ended with |"
echo "|---|---|---|"
for gap in 0 50 100 200; do
  right=0
  wrong=()
  for ((run = 0; run < runs; run++)); do
    texts=()
    for i in 1 2 3 4 5; do texts+=("連続コピー $gap-$run-$i"); done
    /usr/bin/python3 "$owner" "$gap" "${texts[@]}" &
    owner_pid=$!
    # Every conversion and Wine's taking over are done by then.
    sleep 4
    last=$(paste)
    kill $owner_pid 2>/dev/null
    wait $owner_pid 2>/dev/null
    owner_pid=
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
