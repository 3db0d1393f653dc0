#!/usr/bin/env bash
# Sets everything up, builds and runs the whole test suite under Wine in a
# virtual display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PELISAN_BUILD:-$root/build}
"$root/tools/setup.sh"
"$root/tools/build.sh" "$build" x86_64 Debug
# The RTF renderer and the command-line grammar, fuzzed natively for a bounded time.
PELISAN_FUZZ_BUILD="$build-fuzz" "$root/tools/fuzz.sh"
# A prefix of the tests' own: its windows bypass the window manager.
export PELISAN_WINEPREFIX=$build/wineprefix-test
. "$root/tools/wine-env.sh" "$build"
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  "$1/tools/wine-prefix.sh" --unmanaged &&
  cd "$2" && ctest --output-on-failure "${@:3}"; rc=$?
  wineserver -k 2>/dev/null; exit $rc' _ "$root" "$build" "$@"
