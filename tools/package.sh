#!/usr/bin/env bash
# Builds the 32-bit and the 64-bit program in release mode and packs each with
# the READMEs, their screenshots and the licence: out/pelisan-1.30-win32.zip and
# out/pelisan-1.30-win64.zip. Each package is checked (tools/check-package.sh).
# Then the Debian package from the 64-bit tree (tools/package-deb.sh).
# The trees are build-pkg-i686 and build-pkg-x86_64, or PELISAN_PACKAGE_BUILD-<arch>.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
version=1.30
out=$root/out
"$root/tools/setup.sh"
mkdir -p "$out"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

pack() {
  local arch=$1 name=pelisan-$version-$2
  local build=${PELISAN_PACKAGE_BUILD:-$root/build-pkg}-$arch
  "$root/tools/build.sh" "$build" "$arch" Release >/dev/null
  mkdir -p "$stage/$name/docs/screenshots"
  cp "$build/pelisan.exe" "$root/README.md" "$root/README.ja.md" "$root/LICENSE" "$stage/$name/"
  # The static C++ runtime brings its debugging sections along; users need none.
  "$arch-w64-mingw32-strip" "$stage/$name/pelisan.exe"
  # The READMEs show the screenshots by these relative paths.
  cp "$root"/docs/screenshots/*.png "$stage/$name/docs/screenshots/"
  cp "$root/docs/PERFORMANCE.md" "$root/repair/REPAIR.md" "$stage/$name/docs/"
  rm -f "$out/$name.zip"
  (cd "$stage" && zip -qrX "$out/$name.zip" "$name")
  "$root/tools/check-package.sh" "$out/$name.zip"
}

pack i686 win32
pack x86_64 win64
"$root/tools/package-deb.sh"
