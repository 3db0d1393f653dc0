#!/usr/bin/env bash
# Checks a release package: tools/check-package.sh out/pelisan-1.30-win32.zip
# The program inside must be a Windows GUI program for the zip's architecture,
# need no DLL beyond Windows' own, and carry the release's version in its
# version resource and About box; the documents must be beside it.
set -euo pipefail
zip=${1:?usage: tools/check-package.sh <package.zip>}
version=1.30
file_version=1.3.0.0

name=$(basename "$zip" .zip)
case "$name" in
  *-win32) machine=i386 format=pei-i386 ;;
  *-win64) machine=x86-64 format=pei-x86-64 ;;
  *) echo "$zip: the name says no architecture" >&2; exit 1 ;;
esac

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unzip -q "$zip" -d "$work"
dir=$work/$name
failed=0
fail() { echo "$zip: $*" >&2; failed=1; }

for f in pelisan.exe README.md README.ja.md LICENSE; do
  [ -f "$dir/$f" ] || fail "$f is missing"
done
[ -f "$dir/pelisan.exe" ] || exit 1

headers=$(x86_64-w64-mingw32-objdump -p "$dir/pelisan.exe")
grep -q "file format $format\$" <<<"$headers" || fail "not an $machine program"
grep -Eq '^Subsystem[[:space:]]+0+2[[:space:]]+\(Windows GUI\)' <<<"$headers" || fail "not a GUI program"

# Windows' own libraries, part of every Windows that runs the program; msvcrt
# is the C library that Windows itself carries (MinGW's C runtime uses it).
allowed='^(KERNEL32|USER32|GDI32|COMCTL32|SHELL32|ADVAPI32|msvcrt)\.dll$'
dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
[ -n "$dlls" ] || fail "no imports found"
while read -r dll; do
  [ -z "$dll" ] || grep -Eiq "$allowed" <<<"$dll" || fail "needs $dll"
done <<<"$dlls"
grep -Eq '^Entry d 0+ 0+ Delay Import Directory' <<<"$headers" || fail "has delay-loaded imports"

resources=$(x86_64-w64-mingw32-windres -i "$dir/pelisan.exe" -O rc)
grep -Eq "^ FILEVERSION ${file_version//./, }\$" <<<"$resources" || fail "file version is not $file_version"
grep -Eq "^ PRODUCTVERSION ${version//./, }, 0, 0\$" <<<"$resources" || fail "product version is not $version"
grep -Fq "VALUE \"FileVersion\", \"$file_version\"" <<<"$resources" || fail "FileVersion text is not $file_version"
grep -Fq "VALUE \"ProductVersion\", \"$version\"" <<<"$resources" || fail "ProductVersion text is not $version"
grep -Fq "CONTROL \"Pelisan Version $version\"" <<<"$resources" || fail "the About box does not say Pelisan Version $version"

[ $failed -eq 0 ] && echo "$zip: $machine, Windows GUI, imports $(tr '\n' ' ' <<<"$dlls")version $version"
exit $failed
