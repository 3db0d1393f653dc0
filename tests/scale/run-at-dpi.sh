#!/usr/bin/env bash
# Runs a test program under Wine at another display scale, in a Wine prefix
# whose LogPixels is that DPI and in a virtual display of its own: a second
# Wine session on the suite's display would share its X11 clipboard and trade
# copies with it.
#   run-at-dpi.sh DPI BUILD_TREE PROGRAM [ARGUMENTS...]
set -euo pipefail
dpi=$1 tree=$2
shift 2
root=$(cd "$(dirname "$0")/../.." && pwd)
export PELISAN_WINEPREFIX=$tree/wineprefix-dpi$dpi
. "$root/tools/wine-env.sh" "$tree"
exec xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  "$1/tools/wine-prefix.sh" --unmanaged --dpi="$2" || exit 1
  wine "${@:3}"; rc=$?
  wineserver -k 2>/dev/null; exit $rc' _ "$root" "$dpi" "$@"
