#!/usr/bin/env bash
# Sets everything up, builds and starts Pelisan under Wine, in the build tree's
# own prefix but through the Linux package's launcher: settings in
# ~/.config/pelisan, the clipboard kept after the program ends.
# With arguments it makes one command-line conversion pass and returns when
# the pass has ended, whether or not a window is running.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
if [ -z "${DISPLAY:-}" ]; then
  # No desktop: a virtual display still gives a working clipboard.
  "$root/tools/setup.sh"
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
"$root/tools/setup.sh"
"$root/tools/build.sh" "$build" x86_64 Release >/dev/null
. "$root/tools/wine-env.sh" "$build"
"$root/tools/wine-prefix.sh"
PELISAN_LIBDIR=$build exec "$root/linux/pelisan" "$@"
