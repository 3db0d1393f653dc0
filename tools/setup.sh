#!/usr/bin/env bash
# Installs what building, running and testing need, on Debian or Ubuntu, and
# the packages named as arguments (repair/tools/measure.sh names its corpus's).
set -euo pipefail

packages=(
  cmake make
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  googletest
  wine wine64
  xvfb xauth x11-utils xclip
  zip unzip
  lintian
  fonts-ipafont-gothic
  locales
  clang-14 libclang-rt-14-dev
  # A word processor reads the RTF copy (headless); Tk copies text with HTML on X11;
  # a desktop program of the tests' own serves slow targets.
  libreoffice-writer-nogui tk python3-xlib
)

packages+=("$@")

# Whether this kernel runs 32-bit programs: some are built without, and
# 32-bit Wine installed there is taken for every program, 64-bit ones too.
runs_32_bit() {
  [ ! -e /lib/ld-linux.so.2 ] || /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

# 32-bit Wine runs the 32-bit build's tests (Debian's wine32 needs the i386 architecture).
if [ "$(dpkg --print-architecture)" = amd64 ] && runs_32_bit; then
  if ! dpkg --print-foreign-architectures | grep -qx i386 && [ "$(id -u)" -eq 0 ]; then
    dpkg --add-architecture i386
  fi
  packages+=(wine32:i386)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]}" >&2
    echo "Install them with: sudo apt-get install ${missing[*]}" >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  # A mirror caught mid-sync fails one index or another; apt then keeps the
  # lists it has, which usually still install what is missing.
  apt-get update -qq || true
  # 32-bit Wine on its own: a mirror without its i386 index cannot give it, and
  # the tests then leave out the 32-bit build's suite.
  required=()
  for p in "${missing[@]}"; do
    [ "$p" = wine32:i386 ] || required+=("$p")
  done
  [ ${#required[@]} -eq 0 ] || apt-get install -y -qq --no-install-recommends "${required[@]}" >/dev/null
  if [ ${#required[@]} -lt ${#missing[@]} ] && ! apt-get install -y -qq --no-install-recommends wine32:i386 >/dev/null; then
    echo "32-bit Wine could not be installed: the 32-bit build's tests will not run." >&2
  fi
fi

if ! runs_32_bit && dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "This kernel runs no 32-bit programs, and 32-bit Wine stops 64-bit Wine from running." >&2
    echo "Remove it with: sudo apt-get remove wine32:i386" >&2
    exit 1
  fi
  echo "This kernel runs no 32-bit programs: 32-bit Wine is removed, and the 32-bit build's tests will not run." >&2
  apt-get remove -y -qq wine32:i386 >/dev/null
fi

# Tests also run in a Japanese locale, where Wine's ANSI code page is 932.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  if [ "$(id -u)" -eq 0 ]; then
    sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen >/dev/null
  else
    echo "The ja_JP.UTF-8 locale is missing: enable it in /etc/locale.gen and run locale-gen." >&2
    exit 1
  fi
fi
