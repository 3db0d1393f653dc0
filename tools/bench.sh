#!/usr/bin/env bash
# Sets everything up, builds in release mode and runs the benchmark under Wine.
# Arguments go to the benchmark (--quick: 1 and 16 MiB only).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PELISAN_BENCH_BUILD:-$root/build-release}
# A spreadsheet, a window manager and a driver for the large desktop copy.
"$root/tools/setup.sh" gnumeric openbox xdotool
"$root/tools/build.sh" "$build" x86_64 Release >/dev/null
cmake --build "$build" --target pelisan_bench >/dev/null
. "$root/tools/wine-env.sh" "$build"
export WINEPREFIX
# The benchmark, then (but for the repair's rows alone) a desktop copy's
# latency, copies in quick succession and a spreadsheet's large copy, which
# need an X11 program to copy.
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  "$1/tools/wine-prefix.sh" && wine "$2/pelisan_bench.exe" "${@:3}"; rc=$?
  if [ $rc -eq 0 ] && [ "${3:-}" != --repair ] && [ "${3:-}" != --needs-nothing ]; then
    "$1/bench/desktop-latency.sh" "$2/pelisan.exe" "$2/pelisan_window_tool.exe" &&
      "$1/bench/desktop-burst.sh" "$2/pelisan.exe" "$2/pelisan_window_tool.exe" &&
      "$1/bench/desktop-spreadsheet.sh" "$2/pelisan.exe" "$2/pelisan_window_tool.exe"; rc=$?
  fi
  wineserver -k 2>/dev/null; exit $rc' _ "$root" "$build" "$@"
