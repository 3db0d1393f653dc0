#!/usr/bin/env bash
# A word processor's reading of the RTF copy: texts outside the chosen code
# page are copied, converted by pelisan.exe's command line, and the RTF copy
# is read by LibreOffice (headless, --convert-to txt), which must give back
# exactly the copied text; a face name outside the code page must name the
# same font.
#   word-processor.sh RTF_TOOL_EXE
# Runs in the display and Wine prefix of the rest of the suite.
set -uo pipefail
tool=$1
wine_run=$(cd "$(dirname "$0")/../../tools" && pwd)/wine-run.sh
command -v soffice >/dev/null || { echo "FAIL: soffice is missing (tools/setup.sh installs it)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0

# name, pelisan.exe's arguments, text
cases=(
  "latin-932|932 /r|Café naïve Straße € œ Š"
  "japanese-1252|1252 /r|日本語のテキスト、かな・カナ"
  "greek-1251|1251 /r|Ελληνικά κείμενο: αβγ ΔΕΖ"
  "emoji-1252|1252 /r|emoji 😀👍 and 𠀋"
  "mixed-65001|65001 /r|Café 日本 😀 Ελλάδα"
  "mixed-65000|65000 /r|Café 日本 😀"
  "face-1252|1252 /r \"ＭＳ ゴシック\" 12|Face ＭＳ ゴシック"
)
for c in "${cases[@]}"; do
  IFS='|' read -r name arguments text <<<"$c"
  printf '%s\n%s' "$arguments" "$text" >"$work/$name.case"
done

"$wine_run" "$tool" "$(winepath -w "$work")" || { echo "FAIL: the passes did not all run" >&2; exit 1; }

profile="file://$work/profile"
soffice --headless -env:UserInstallation="$profile" --convert-to "txt:Text (encoded):UTF8" --outdir "$work/txt" \
  "$work"/*.rtf >/dev/null 2>&1
soffice --headless -env:UserInstallation="$profile" --convert-to fodt --outdir "$work/fodt" \
  "$work/face-1252.rtf" >/dev/null 2>&1

for c in "${cases[@]}"; do
  IFS='|' read -r name arguments text <<<"$c"
  # LibreOffice writes a byte order mark and ends the last paragraph.
  read_back=$(sed '1s/^\xEF\xBB\xBF//' "$work/txt/$name.txt" 2>/dev/null)
  if [ "$read_back" = "$text" ]; then
    echo "ok   $name: $read_back"
  else
    echo "FAIL $name: read back '$read_back', copied '$text'" >&2
    echo "     RTF: $(cat "$work/$name.rtf")" >&2
    fail=1
  fi
done

if grep -q 'style:font-face style:name="ＭＳ ゴシック"' "$work/fodt/face-1252.fodt" 2>/dev/null; then
  echo "ok   face-1252 names the font ＭＳ ゴシック"
else
  echo "FAIL face-1252: the font table does not name ＭＳ ゴシック: $(head -c 200 "$work/face-1252.rtf")" >&2
  fail=1
fi
exit $fail
