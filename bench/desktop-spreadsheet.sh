#!/usr/bin/env bash
# A spreadsheet's large desktop copy: Gnumeric copies 20,000 x 11 cells of
# Japanese text, and the worst time it takes to answer a request for its
# targets during the 10 s after the copy is set against the same without the
# window (the window at its defaults: code page 932, RTF copy on, automatic
# conversion on). Then a copy of 20 x 5 cells, which the window must convert
# whole, every target of Gnumeric's still offered. Runs in the display and
# Wine prefix of the benchmark, under a window manager of its own.
#   desktop-spreadsheet.sh PELISAN_EXE WINDOW_TOOL_EXE
set -uo pipefail
pelisan=$1
tool=$2
work=$(mktemp -d)
cleanup() {
  pkill -x gnumeric 2>/dev/null
  [ -n "${wm_pid:-}" ] && kill "$wm_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
for program in gnumeric openbox xdotool xclip; do
  command -v "$program" >/dev/null || { echo "desktop-spreadsheet.sh: $program is missing" >&2; exit 1; }
done
openbox >/dev/null 2>&1 &
wm_pid=$!

# ROWS x COLUMNS cells of short Japanese words with a number, as CSV.
cells() {
  /usr/bin/python3 -c '
import random, sys
rows, columns = int(sys.argv[1]), int(sys.argv[2])
words = "東京 大阪 名古屋 札幌 福岡 株式会社 営業部 販売 在庫 数量 単価 合計 山田 田中 佐藤 鈴木".split()
random.seed(1)
for i in range(rows):
    print(",".join(random.choice(words) + random.choice(words) + str(i * columns + j) for j in range(columns)))
' "$1" "$2" >"$work/cells-$1x$2.csv"
}

# Opens the sheet in Gnumeric, selects the cells in use and copies them.
copy_sheet() {
  pkill -x gnumeric 2>/dev/null
  sleep 0.5
  gnumeric "$work/$1.csv" >/dev/null 2>&1 &
  local window=
  for ((i = 0; i < 200; i++)); do
    window=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1)
    [ -n "$window" ] && break
    sleep 0.3
  done
  [ -n "$window" ] || { echo "Gnumeric did not open $1" >&2; return 1; }
  sleep 2
  xdotool windowactivate --sync "$window" 2>/dev/null
  xdotool windowfocus --sync "$window" 2>/dev/null
  xdotool key --window "$window" ctrl+Home
  sleep 0.3
  xdotool key --window "$window" shift+ctrl+End
  sleep 0.5
  xdotool key --window "$window" ctrl+c
}

# The longest a request for the clipboard's targets took, in seconds, over
# the next SECONDS: how long the copying program was unable to answer.
worst_answer() {
  /usr/bin/python3 -c '
import subprocess, sys, time
end = time.monotonic() + float(sys.argv[1])
worst = 0.0
while time.monotonic() < end:
    start = time.monotonic()
    try:
        subprocess.run(["xclip", "-o", "-selection", "clipboard", "-t", "TARGETS"], capture_output=True, timeout=60)
    except subprocess.TimeoutExpired:
        pass
    worst = max(worst, time.monotonic() - start)
    time.sleep(0.05)
print(f"{worst:.3f}")
' "$1"
}

targets() { timeout 10 xclip -o -selection clipboard -t TARGETS 2>/dev/null; }

cells 20000 11
cells 20 5

copy_sheet cells-20000x11 || exit 1
without=$(worst_answer 10)

printf '[SET]\nCDPG=932\nAUTO=1\nMSLP=1\nTOPM=0\nARTF=1\n' >"$work/Pelisan.ini"
(cd "$work" && exec wine "$pelisan") >/dev/null 2>&1 &
pelisan_pid=$!
timeout 60 wine "$tool" wait || { echo "the window did not open" >&2; exit 1; }
copy_sheet cells-20000x11 || exit 1
with=$(worst_answer 10)
large_converted=no
targets | grep -qx CF_PELISAN && large_converted=yes

copy_sheet cells-20x5 || exit 1
small=no
for ((i = 0; i < 50; i++)); do
  if targets | grep -qx CF_PELISAN; then
    small=yes
    break
  fi
  sleep 0.1
done
kept=yes
for target in application/x-gnumeric Biff8 text/html text/rtf; do
  targets | grep -qx "$target" || kept="no ($target missing)"
done
timeout 30 wine "$tool" close >/dev/null 2>&1 || kill "$pelisan_pid" 2>/dev/null
wait "$pelisan_pid" 2>/dev/null

target=$(awk -v w="$without" 'BEGIN { t = 2 * w; if (t < 2) t = 2; printf "%.3f", t }')
met=$(awk -v w="$with" -v t="$target" 'BEGIN { print (w <= t) ? "met" : "not met" }')
echo
echo "## A spreadsheet's large desktop copy: Gnumeric, 20,000 x 11 cells of Japanese text (worst answer to TARGETS in 10 s, s)"
echo
echo "| without the window | with the window | target (max(2 s, 2 x without)) | | large copy converted |"
echo "|---|---|---|---|---|"
echo "| $without | $with | $target | $met | $large_converted |"
echo
echo "## A spreadsheet's small desktop copy: Gnumeric, 20 x 5 cells"
echo
echo "| converted | Gnumeric's targets kept, RTF copy added |"
echo "|---|---|"
echo "| $small | $kept |"
