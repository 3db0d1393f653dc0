#!/usr/bin/env bash
# Creates the Wine prefix once, with the Japanese dialog fonts mapped to IPA
# fonts (Wine has no "ＭＳ ゴシック"; without a mapping Japanese shows as boxes).
# Runs inside the display that the programs will use.
#   --unmanaged  windows bypass the window manager. Tests use it: without a
#                window manager (Xvfb) every dialog otherwise takes about two
#                seconds to close.
#   --dpi=N      the display's scale (Wine's LogPixels; 96 is 100 %, 144 150 %).
set -euo pipefail
: "${WINEPREFIX:?}"
unmanaged=false dpi=
for arg; do
  case $arg in
    --unmanaged) unmanaged=true ;;
    --dpi=*) dpi=${arg#--dpi=} ;;
  esac
done
# A prefix made before 32-bit Wine came or went no longer starts programs:
# the marker records the Wine it was made with, and a change remakes it.
wine_kind="$(wine --version) $(ls -d /usr/lib/i386-linux-gnu/wine 2>/dev/null || echo 64-bit-only)"
marker=$WINEPREFIX/.pelisan-ready
if [ "$(cat "$marker" 2>/dev/null)" != "$wine_kind" ]; then
  # Only a prefix these scripts made (it has the marker) is ever removed.
  [ -f "$marker" ] && rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  reg=$(mktemp --suffix=.reg)
  {
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
    printf '"ＭＳ ゴシック"="IPAGothic"\r\n'
    printf '"ＭＳ Ｐゴシック"="IPAPGothic"\r\n'
    printf '"MS Gothic"="IPAGothic"\r\n'
    printf '"MS PGothic"="IPAPGothic"\r\n\r\n'
    # Window captions use Wine's own title font, which has no Japanese outside
    # a Japanese locale: link a Japanese font to it.
    printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink]\r\n'
    printf '"Tahoma"=hex(7):69,00,70,00,61,00,67,00,70,00,2e,00,74,00,74,00,66,00,2c,00,49,00,50,00,41,00,50,00,47,00,6f,00,74,00,68,00,69,00,63,00,00,00,00,00\r\n\r\n'
    if $unmanaged; then
      printf '[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Managed"="N"\r\n\r\n'
    fi
    if [ -n "$dpi" ]; then
      printf '[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n"LogPixels"=dword:%08x\r\n\r\n' "$dpi"
    fi
  } | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } > "$reg"
  wine regedit /S "$(winepath -w "$reg")" >/dev/null 2>&1
  wineserver -w
  rm -f "$reg"
  echo "$wine_kind" > "$marker"
fi
