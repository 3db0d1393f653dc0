#!/usr/bin/env bash
# Sets everything up, builds and runs the whole test suite under Wine in a
# virtual display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# Its own tree: the run script builds build/ in release mode.
build=${PELISAN_BUILD:-$root/build-test}
"$root/tools/setup.sh"
"$root/tools/build.sh" "$build" x86_64 Debug
# The RTF renderer and the command-line grammar, fuzzed natively for a bounded time.
PELISAN_FUZZ_BUILD="$build-fuzz" "$root/tools/fuzz.sh"
# One tree's suite in a virtual display, in a prefix of the tests' own, whose
# windows bypass the window manager.
suite() {
  local tree=$1; shift
  export PELISAN_WINEPREFIX=$tree/wineprefix-test
  . "$root/tools/wine-env.sh" "$tree"
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    "$1/tools/wine-prefix.sh" --unmanaged &&
    cd "$2" && ctest --output-on-failure "${@:3}"; rc=$?
    wineserver -k 2>/dev/null; exit $rc' _ "$root" "$tree" "$@"
}
suite "$build" "$@"
# The release packages, built and checked, the Debian one installed and used;
# the 32-bit tree's suite too where 32-bit Wine is installed.
PELISAN_PACKAGE_BUILD=$build-pkg "$root/tools/package.sh"
"$root/tests/package/install-test.sh" "$root/out/pelisan_1.30-1_amd64.deb" "$build/pelisan_window_tool.exe"
if [ -x /usr/lib/wine/wine ]; then
  suite "$build-pkg-i686" "$@"
else
  echo "32-bit Wine is not installed: the 32-bit build's tests are left out." >&2
fi
