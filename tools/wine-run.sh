#!/usr/bin/env bash
# Runs a Windows program of the build under Wine (CTest's emulator).
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh" "$here/../build"
exec wine "$@"
