#!/usr/bin/env bash
# Checks a release package: tools/check-package.sh out/pelisan-1.30-win32.zip
# The program inside must be a Windows GUI program for the zip's architecture,
# need no DLL beyond Windows' own, carry the release's version in its version
# resource and About box and its application manifest; the documents must be
# beside it.
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
# Windows 10's per-monitor scaling calls are looked up at run time, so that the
# program starts on older Windows.
! grep -Eq '[[:space:]][A-Za-z]*(DpiFor|ForDpi|DpiAwareness)[A-Za-z]*$' <<<"$headers" || fail "imports a per-monitor DPI call"

resources=$(x86_64-w64-mingw32-windres -i "$dir/pelisan.exe" -O rc)
grep -Eq "^ FILEVERSION ${file_version//./, }\$" <<<"$resources" || fail "file version is not $file_version"
grep -Eq "^ PRODUCTVERSION ${version//./, }, 0, 0\$" <<<"$resources" || fail "product version is not $version"
grep -Fq "VALUE \"FileVersion\", \"$file_version\"" <<<"$resources" || fail "FileVersion text is not $file_version"
grep -Fq "VALUE \"ProductVersion\", \"$version\"" <<<"$resources" || fail "ProductVersion text is not $version"
grep -Fq "CONTROL \"Pelisan Version $version\"" <<<"$resources" || fail "the About box does not say Pelisan Version $version"

# The application manifest, resource 1 of type 24, as one line of text.
manifest=$(sed -n '/^1 24 /,/^END/{s/^  "//; s/\\n"$//; s/""/"/g; p}' <<<"$resources" | tr -s ' \n' ' ')
[ -n "$manifest" ] || fail "has no application manifest"
in_manifest() { grep -Fq "$1" <<<"$manifest" || fail "the manifest does not give $2"; }
in_manifest 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' "Common Controls 6"
in_manifest '<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true</dpiAware>' "system-wide DPI awareness"
in_manifest '<dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2, system</dpiAwareness>' "per-monitor DPI awareness"
# Vista, 7, 8, 8.1, 10 and 11.
for os in e2011457-1546-43c5-a5fe-008deee3d3f0 35138b9a-5d96-4fbd-8e2d-a2440225f93a 4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 \
          1f676c76-80e1-4239-95bb-83d0f6d0da78 8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a; do
  in_manifest "<supportedOS Id=\"{$os}\"/>" "supportedOS {$os}"
done
in_manifest '<requestedExecutionLevel level="asInvoker" uiAccess="false"/>' "the asInvoker execution level"
! grep -Fq '<activeCodePage' <<<"$manifest" || fail "the manifest changes the ANSI code page"

[ $failed -eq 0 ] && echo "$zip: $machine, Windows GUI, imports $(tr '\n' ' ' <<<"$dlls")version $version, manifest"
exit $failed
