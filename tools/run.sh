#!/usr/bin/env bash
# Sets everything up, builds and starts Pelisan under Wine.
# With arguments it makes one command-line conversion pass and ends.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
"$root/tools/setup.sh"
"$root/tools/build.sh" "$build" x86_64 Release >/dev/null
. "$root/tools/wine-env.sh" "$build"
start() { "$root/tools/wine-prefix.sh" && wine "$build/pelisan.exe" "$@"; wineserver -w; }
if [ -n "${DISPLAY:-}" ]; then
  start "$@"
else
  # No desktop: a virtual display still gives a working clipboard.
  export -f start; export root build
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c 'start "$@"' _ "$@"
fi
