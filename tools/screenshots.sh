#!/usr/bin/env bash
# Takes the README's screenshots from the real program: builds the 64-bit
# release and a small driver program, runs both in a Wine virtual desktop
# (so windows have their captions) on a virtual X display, and writes
# docs/screenshots/*.png. Needs ImageMagick's `import` and Wine's own fonts
# (Marlett draws the caption buttons) besides the usual set-up; as root it
# installs them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PELISAN_SHOTS_BUILD:-$root/build-pkg-x86_64}
shots=$root/docs/screenshots

prepare() {
  "$root/tools/setup.sh"
  if ! command -v import >/dev/null || [ ! -f /usr/share/wine/fonts/marlett.ttf ]; then
    if [ "$(id -u)" -ne 0 ]; then
      echo "Install ImageMagick and Wine's fonts: sudo apt-get install imagemagick fonts-wine" >&2
      exit 1
    fi
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends imagemagick fonts-wine >/dev/null
  fi
  "$root/tools/build.sh" "$build" x86_64 Release >/dev/null
  cmake --build "$build" --target pelisan_shot_driver >/dev/null
}

# Runs inside the virtual display: the driver writes NAME.rect for each
# picture and waits until the file is gone.
shoot() {
  export PELISAN_WINEPREFIX=$build/wineprefix-shots WINEPREFIX=$build/wineprefix-shots
  . "$root/tools/wine-env.sh" "$build"
  # The program as a Japanese user sees it.
  export LC_ALL=ja_JP.UTF-8
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  # A user who has chosen a font for Japanese (INI texts are code page 932).
  printf '[SET]\r\nCDPG=932\r\nXPOS=24\r\nYPOS=24\r\nAUTO=1\r\nMSLP=1\r\nTOPM=0\r\nARTF=1\r\n[FNAM]\r\nFONT00932=IPAゴシック\r\n[FSIZ]\r\nFONT00932=10\r\n' \
    | iconv -f UTF-8 -t CP932 > "$work/Pelisan.ini"
  mkdir -p "$shots"

  "$root/tools/wine-prefix.sh"
  # Debian's Wine does not look in fonts-wine's folder; the prefix's own does.
  cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  wine explorer /desktop=shot,800x600 "$(winepath -w "$build/pelisan_shot_driver.exe")" \
    "$(winepath -w "$build/pelisan.exe")" "$(winepath -w "$work")" &
  local desktop="" deadline=$((SECONDS + 120)) rect x y w h
  while [ ! -f "$work/result" ] && [ $SECONDS -lt $deadline ]; do
    for rect in "$work"/*.rect; do
      [ -f "$rect" ] || continue
      read -r x y w h < "$rect"
      [ -n "$desktop" ] || desktop=$(xwininfo -root -tree | awk '/"shot - Wine desktop"/ {print $1; exit}')
      import -window "$desktop" -crop "${w}x${h}+${x}+${y}" +repage -strip \
        -define png:exclude-chunks=date,time "$shots/$(basename "$rect" .rect).png"
      rm "$rect"
    done
    sleep 0.2
  done
  wineserver -k 2>/dev/null || true
  if [ "$(cat "$work/result" 2>/dev/null)" != ok ]; then
    echo "Screenshots failed: $(cat "$work/result" 2>/dev/null || echo 'the driver did not finish')" >&2
    return 1
  fi
}

if [ "${1:-}" = --in-display ]; then
  shoot
else
  prepare
  xvfb-run -a -s "-screen 0 1024x768x24" "$0" --in-display
  ls "$shots"
fi
