#!/usr/bin/env bash
# Builds the Debian package out/pelisan_1.30-1_amd64.deb from the 64-bit release
# tree (build-pkg-x86_64, or PELISAN_PACKAGE_BUILD-x86_64), the launcher in linux/
# and the metadata in packaging/, and checks it with lintian.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
pkg=$root/packaging
out=$root/out
build=${PELISAN_PACKAGE_BUILD:-$root/build-pkg}-x86_64
"$root/tools/setup.sh"
"$root/tools/build.sh" "$build" x86_64 Release >/dev/null

field() { sed -n "s/^$1: //p" "$pkg/control"; }
deb=$out/$(field Package)_$(field Version)_$(field Architecture).deb
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
tree=$stage/pelisan
doc=$tree/usr/share/doc/pelisan
install -d "$tree/DEBIAN" "$tree/usr/bin" "$tree/usr/lib/pelisan" "$tree/usr/share/applications" \
  "$tree/usr/share/man/man1" "$doc"
install -m 0755 "$root/linux/pelisan" "$tree/usr/bin/pelisan"
# Windows programs, run by Wine: not executable for Linux.
for exe in pelisan.exe pelisan_holder.exe; do
  install -m 0644 "$build/$exe" "$tree/usr/lib/pelisan/$exe"
  x86_64-w64-mingw32-strip "$tree/usr/lib/pelisan/$exe"
done
install -m 0644 "$pkg/pelisan.desktop" "$tree/usr/share/applications/pelisan.desktop"
for icon in "$pkg"/icons/pelisan-*.png; do
  size=$(basename "$icon" .png); size=${size#pelisan-}
  install -D -m 0644 "$icon" "$tree/usr/share/icons/hicolor/${size}x${size}/apps/pelisan.png"
done
gzip -9n <"$pkg/pelisan.1" >"$tree/usr/share/man/man1/pelisan.1.gz"
gzip -9n <"$pkg/changelog" >"$doc/changelog.Debian.gz"
gzip -9n <"$root/README.md" >"$doc/README.md.gz"
gzip -9n <"$root/README.ja.md" >"$doc/README.ja.md.gz"
install -m 0644 "$pkg/copyright" "$doc/copyright"
install -D -m 0644 "$pkg/lintian-overrides" "$tree/usr/share/lintian/overrides/pelisan"
chmod -R u=rwX,go=rX "$tree"

cp "$pkg/control" "$tree/DEBIAN/control"
echo "Installed-Size: $(du -sk --exclude=DEBIAN "$tree" | cut -f1)" >>"$tree/DEBIAN/control"
(cd "$tree" && find usr -type f -print0 | sort -z | xargs -0 md5sum) >"$tree/DEBIAN/md5sums"
chmod 0644 "$tree/DEBIAN/control" "$tree/DEBIAN/md5sums"

mkdir -p "$out"
rm -f "$deb"
dpkg-deb --root-owner-group -Zxz --build "$tree" "$deb" >/dev/null
lintian --allow-root --fail-on error,warning "$deb"
echo "$deb: $(dpkg-deb -f "$deb" Depends | sed 's/^/depends on /')"
