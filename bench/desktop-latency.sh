#!/usr/bin/env bash
# Copy-to-converted latency of a desktop copy: a 256 KiB Unicode text (Japanese
# and ASCII; a longer one beside other targets is left whole at once, since
# its program might render them for longer than a pass waits) and ten other
# targets of 100 KiB, copied by an X11 program while
# the window runs with its default settings (code page 932, RTF copy on);
# timed from the copy until Wine's bridge takes the clipboard over with the
# converted result; set against a bare pass of the same text and formats
# placed by a Windows program. Runs in the display and Wine prefix of the
# benchmark.
#   desktop-latency.sh PELISAN_EXE WINDOW_TOOL_EXE [RUNS]
set -uo pipefail
pelisan=$1
tool=$2
runs=${3:-7}
owner=$(cd "$(dirname "$0")/../tests/x11" && pwd)/slow-owner.py
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$work" && exec wine "$pelisan") >/dev/null 2>&1 &
pelisan_pid=$!
timeout 60 wine "$tool" wait || { echo "the window did not open" >&2; exit 1; }
/usr/bin/python3 -c '
import sys
line = "日本語のテキストと ASCII text, 12345.\n"
text = (line * (256 * 1024 // len(line.encode()) + 1)).encode()[:256 * 1024]
sys.stdout.buffer.write(text.decode("utf-8", "ignore").encode())' >"$work/text"
targets=()
for i in 0 1 2 3 4 5 6 7 8 9; do targets+=("application/x-pelisan-bench-$i:102400"); done

times=()
for ((run = 0; run < runs; run++)); do
  : >"$work/log"
  /usr/bin/python3 "$owner" "$work/log" "@$work/text" "${targets[@]}" 2>"$work/err" &
  owner_pid=$!
  for ((wait = 0; wait < 200; wait++)); do
    grep -qx lost "$work/log" && break
    sleep 0.1
  done
  kill "$owner_pid" 2>/dev/null
  wait "$owner_pid" 2>/dev/null
  ms=$(sed -n 's/^taken over after \([0-9.]*\) ms$/\1/p' "$work/err")
  [ -n "$ms" ] && times+=("$ms")
  sleep 1
done
timeout 30 wine "$tool" close >/dev/null 2>&1 || kill "$pelisan_pid" 2>/dev/null
wait "$pelisan_pid" 2>/dev/null
median=$(printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {if (NR) print a[int((NR+1)/2)]}')
bare=$(wine "$(dirname "$pelisan")/pelisan_bench.exe" --desktop-floor "$(winepath -w "$work/text")" | tr -d '\r')
ratio=$(awk -v m="${median:-0}" -v b="${bare:-0}" 'BEGIN { if (b > 0) printf "%.3f", m / b; else print "-" }')
echo
echo "## A desktop copy: 256 KiB of Unicode text and ten targets of 100 KiB, copy to converted (ms)"
echo
echo "| runs converted | median | bare pass | ratio | all |"
echo "|---|---|---|---|---|"
echo "| ${#times[@]} of $runs | ${median:--} | ${bare:--} | $ratio | ${times[*]} |"
