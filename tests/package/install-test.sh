#!/usr/bin/env bash
# The Debian package as a user meets it: installed with apt, the pelisan
# command run with a fresh home in a virtual display, the clipboard read and
# written from the X11 side; the package is removed again at the end.
#   install-test.sh PACKAGE.deb WINDOW_TOOL_EXE
# Installs as root: meant for the throwaway machines that run the test command.
set -uo pipefail
deb=$(realpath "$1")
tool=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)

if [ -z "${PELISAN_IN_DISPLAY:-}" ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "install-test: skipped, installing the package needs root" >&2
    exit 0
  fi
  trap 'apt-get purge -y -qq pelisan >/dev/null 2>&1' EXIT
  if ! log=$(DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" 2>&1); then
    echo "FAIL: apt could not install $deb: $log" >&2
    exit 1
  fi
  PELISAN_IN_DISPLAY=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
  exit
fi

. "$here/../x11/clipboard-helpers.sh"
HOME=$(mktemp -d)
# The Wine session lives in TMPDIR: the same one for every command here.
TMPDIR=$HOME/tmp
mkdir "$TMPDIR"
export HOME TMPDIR LC_ALL=C.UTF-8
unset XDG_CONFIG_HOME WINEPREFIX WINEDEBUG WINEDLLOVERRIDES PELISAN_LIBDIR
prefix=$HOME/.wine
xclip_pid=
cleanup() {
  WINEPREFIX=$prefix wineserver -k 2>/dev/null
  [ -n "$xclip_pid" ] && kill "$xclip_pid" 2>/dev/null
  rm -rf "$HOME"
}
trap cleanup EXIT

in_prefix() { WINEPREFIX=$prefix WINEDEBUG=-all "$@"; }
window_tool() { in_prefix timeout 60 wine "$tool" "$@" >/dev/null 2>&1; }
# The package's Wine processes, found by their Windows paths; only those of
# this prefix's session count, not another Wine session's on the machine.
own_processes() {
  local pid
  for pid in $(pgrep -f "$1"); do
    { tr '\0' '\n' </proc/"$pid"/environ; } 2>/dev/null | grep -qxF "WINEPREFIX=$prefix" && echo "$pid"
  done
}
running() { [ -n "$(own_processes "$1")" ]; }
holder_running() { running 'pelisan\\pelisan_holder\.exe hold'; }
holders() { own_processes 'pelisan\\pelisan_holder\.exe hold' | wc -l; }
title_is() { [ "$(in_prefix timeout 60 wine "$tool" title 2>/dev/null)" = "$1" ]; }
nothing_running() { ! running 'pelisan\\pelisan(_holder)?\.exe'; }
pastes() { [ "$(paste_as UTF8_STRING)" = "$1" ]; }
# A copy made on the desktop; xclip serves it until another program copies.
# The one before ends by itself once it has lost the clipboard; killing it
# instead lost the new copy now and then (4 in 30 here).
desktop_copy() {
  printf '%s' "$1" >"$HOME/copy.txt"
  xclip -quiet -selection clipboard -i "$HOME/copy.txt" >/dev/null 2>&1 &
  xclip_pid=$!
  poll 10 pastes "$1" || fail "xclip did not take the clipboard with '$1': it pastes '$(paste_as UTF8_STRING)'"
}
# Longer than Wine takes to end a session after its last process.
outlast_session() { sleep 8; }
# The prefix's Wine session ends (wineserver -w returns); a loaded machine
# takes its time. On failure the Windows processes still running are named.
session_ends() {
  timeout 60 env WINEPREFIX="$prefix" wineserver -w ||
    fail "$1; Windows processes: $(pgrep -af '\.exe' | grep -v pgrep | tr '\n' ';')"
}
font_mappings() {
  in_prefix wine reg export 'HKCU\Software\Wine\Fonts\Replacements' "$HOME/fonts.reg" /y >/dev/null 2>&1
  iconv -f UTF-16 -t UTF-8 "$HOME/fonts.reg" | tr -d '\r'
}

# The window, in a prefix the command makes. What the first start printed
# tells why it failed, if it does.
pelisan >"$HOME/first-start.log" 2>&1 &
window_pid=$!
launcher_ended() { ! kill -0 "$window_pid" 2>/dev/null; }
window_started() { running 'pelisan\\pelisan\.exe' || launcher_ended; }
first_start_failed() {
  local what
  if kill -0 "$window_pid" 2>/dev/null; then
    what="pelisan still runs; Windows processes: $(pgrep -af '\.exe' | grep -v pgrep | tr '\n' ';')"
  else
    wait "$window_pid"
    what="pelisan ended with status $?"
  fi
  what="$what; $(df -Pk "$HOME" | awk 'NR == 2 { print $4 }') KiB free for the prefix"
  fail "the window's program did not start: $what; it printed: $(tr '\n' ' ' <"$HOME/first-start.log")"
}
# Wine waits up to five minutes for a new prefix's first boot before it goes
# on without it: the window may start that late.
first_start=$SECONDS
poll 400 window_started && running 'pelisan\\pelisan\.exe' || first_start_failed
[ $((SECONDS - first_start)) -lt 60 ] || echo "install-test: the first start took $((SECONDS - first_start)) s" >&2
window_tool wait || fail "the window did not open"
mappings=$(font_mappings)
for mapping in '"ＭＳ ゴシック"="IPAGothic"' '"ＭＳ Ｐゴシック"="IPAPGothic"' '"MS Gothic"="IPAGothic"' \
  '"MS PGothic"="IPAPGothic"' '"MS UI Gothic"="IPAPGothic"'; do
  grep -qxF "$mapping" <<<"$mappings" || fail "the new prefix lacks $mapping: $mappings"
done

# An 8-bit Japanese program's copy, converted, pastes as Japanese on X11.
window_tool copy '日本語のテキスト' || fail "the Windows program could not copy"
poll 20 pastes '日本語のテキスト' || fail "the Shift-JIS copy pastes as '$(paste_as UTF8_STRING)'"

# A desktop copy is converted: the RTF copy names code page 932.
desktop_copy '漢字 X11'
converted_to() { converted && pastes "$1"; }
poll 20 converted_to '漢字 X11' || fail "the desktop copy was not converted"
rtf=$(paste_as text/rtf)
case "$rtf" in
  *'\cpg932'*"$(rtf_escaped_cp932 '漢字')"*) ;;
  *) fail "the RTF copy does not hold the text in code page 932: $rtf" ;;
esac

# A desktop key's command has the running window repair the desktop copy,
# told in the window's words; no second window starts.
desktop_copy 'æ—¥æœ¬èªž'
told=$(timeout 120 pelisan --repair-now 2>/dev/null) || fail "pelisan --repair-now ended with status $?"
poll 20 pastes '日本語' || fail "after --repair-now the clipboard pastes '$(paste_as UTF8_STRING)'"
[[ $told == *修復しました* ]] || fail "--repair-now told '$told', not what the window did"
[ "$(own_processes 'pelisan\\pelisan\.exe' | wc -l)" -eq 1 ] || fail "--repair-now left $(own_processes 'pelisan\\pelisan\.exe' | wc -l) windows"

# Minimised (as Esc does) and started again: the window comes back with the
# title of automatic conversion; the start leaves no holder while it runs.
window_tool minimise || fail "the window did not minimise"
title_is 'Pelisan' || fail "the minimised window's title is '$(in_prefix wine "$tool" title)'"
timeout 120 pelisan || fail "the second start ended with status $?"
poll 10 title_is 'Pelisan 【自動】' || fail "after a second start the title is '$(in_prefix wine "$tool" title)'"
! holder_running || fail "a holder runs beside the window"

# Still the new prefix's first session, whose registry Wine has not saved yet:
# --release closes the window that a second start brought back, settings
# saved, and ends its launcher. Started again for what follows.
[ ! -f "$prefix/system.reg" ] ||
  echo "install-test: Wine saved the new prefix's registry before --release: the first session went untested" >&2
timeout 120 pelisan --release || fail "pelisan --release after a second start ended with status $?"
poll 20 nothing_running || fail "the window or a holder outlived pelisan --release"
poll 10 launcher_ended || fail "the window's launcher outlived pelisan --release"
wait "$window_pid" || fail "the window's launcher ended with status $? after --release"
[ -f "$HOME/.config/pelisan/Pelisan.ini" ] || fail "the window closed by --release saved no settings"
rm "$HOME/.config/pelisan/Pelisan.ini"
pelisan >/dev/null 2>&1 &
window_pid=$!
window_tool wait || fail "the window did not open again after --release"
desktop_copy '漢字 X11'
poll 20 converted_to '漢字 X11' || fail "the desktop copy was not converted after --release"

# Closing the window leaves the converted copy on the desktop, held by one
# holder, and the settings in the XDG folder.
window_tool close || fail "the window did not close"
wait "$window_pid" || fail "pelisan ended with status $? after the window closed"
outlast_session
converted_to '漢字 X11' || fail "the clipboard lost its content when the window closed"
[ "$(holders)" -eq 1 ] || fail "$(holders) holders keep the clipboard"
[ -f "$HOME/.config/pelisan/Pelisan.ini" ] || fail "no settings file in ~/.config/pelisan"

# A Windows program's copy keeps the holder: the copy outlives its program.
window_tool copy 'a Windows copy' || fail "the Windows program could not copy"
outlast_session
holder_running && pastes 'a Windows copy' || fail "a Windows program's copy was not kept after it ended"

# A later desktop copy ends the holder, and with it the Wine session.
desktop_copy 'later'
poll 20 nothing_running || fail "the holder still runs after a desktop copy"
session_ends "the Wine session did not end"

# The user's own mapping of a font name stays; a missing one is added again.
in_prefix wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS Gothic' /d 'My Gothic' /f >/dev/null 2>&1
in_prefix wine reg delete 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS PGothic' /f >/dev/null 2>&1
timeout 30 env WINEPREFIX="$prefix" wineserver -w

# A command-line pass run alone, its arguments as written, leaves its result
# on the desktop clipboard; it runs in the folder XDG_CONFIG_HOME names. Its
# caller reads standard error to the end, which the holder must not keep open.
desktop_copy 'Übergröße café'
status=0
XDG_CONFIG_HOME=$HOME/xdg timeout 120 pelisan 1252 /r "Courier New" 10 2>&1 | timeout 130 cat >/dev/null ||
  status=$?
[ "$status" -eq 0 ] || fail "the command-line pass ended with status $status"
outlast_session
converted_to 'Übergröße café' ||
  fail "the pass's result is not on the desktop clipboard: $(paste_as TARGETS | tr '\n' ' ')/ $(paste_as UTF8_STRING)"
rtf=$(paste_as text/rtf)
case "$rtf" in
  *'\cpg1252'*'Courier New'*'\fs20'*) ;;
  *) fail "the RTF copy does not have the arguments' code page, face and size: $rtf" ;;
esac
[ -d "$HOME/xdg/pelisan" ] || fail "the pass did not run in \$XDG_CONFIG_HOME/pelisan"
mappings=$(font_mappings)
grep -qxF '"MS Gothic"="My Gothic"' <<<"$mappings" || fail "the user's own font mapping was changed: $mappings"
grep -qxF '"MS PGothic"="IPAPGothic"' <<<"$mappings" || fail "a missing font mapping was not added: $mappings"

# With no window, the command converts with the saved code page.
sed -i 's/^CDPG=[0-9]*/CDPG=1252/' "$HOME/.config/pelisan/Pelisan.ini"
desktop_copy 'saved café'
told=$(timeout 120 pelisan --convert-now 2>/dev/null) || fail "pelisan --convert-now ended with status $?"
[[ $told == *'code page 1252'* ]] || fail "--convert-now without a window told '$told'"
! running 'pelisan\\pelisan\.exe' || fail "--convert-now without a window left a window"
outlast_session
[[ $(paste_as text/rtf) == *'\cpg1252'* ]] ||
  fail "--convert-now did not convert with the saved code page: $(paste_as text/rtf)"

# A password manager's copy is not kept: the holder ends with its program.
window_tool copy-marked 'password' || fail "the Windows program could not copy"
poll 20 nothing_running || fail "the holder keeps a password manager's copy"

# The command's statuses: the program's own, and the launcher's.
desktop_copy 'the end'
status=0
reason=$(timeout 60 pelisan abc 2>&1 >/dev/null | timeout 70 cat) || status=$?
[ "$status" -eq 1 ] || fail "pelisan abc ended with $status, not the program's 1"
grep -q 'code page 0 is not usable' <<<"$reason" || fail "the program's reason did not reach standard error: $reason"
[[ $reason != *$'\r'* ]] || fail "the status line ends in a carriage return"
# A run that converted nothing leaves no holder.
! holder_running && sleep 2 && ! holder_running || fail "a run that converted nothing left a holder"
# Nothing to repair is the program's 3; the filter reads the caller's input.
status=0
timeout 60 pelisan 932 /repair 2>/dev/null || status=$?
[ "$status" -eq 3 ] || fail "a repair of clean text ended with $status, not the program's 3"
repaired=$(printf 'æ—¥æœ¬èªž\n' | timeout 60 pelisan /repair - 2>/dev/null) || fail "the filter ended with status $?"
[ "$repaired" = '日本語' ] || fail "the filter wrote '$repaired', not 日本語"
# Standard streams closed: an empty input, and output that goes nowhere.
status=0
repaired=$(timeout 60 pelisan /repair - <&- 2>/dev/null) || status=$?
[ "$status" -eq 0 ] && [ -z "$repaired" ] || fail "the filter on a closed input ended with $status, writing '$repaired'"
status=0
timeout 60 pelisan abc <&- >&- 2>&- || status=$?
[ "$status" -eq 1 ] || fail "pelisan abc with its standard streams closed ended with $status, not the program's 1"
desktop_copy 'input closed'
timeout 60 pelisan 932 <&- 2>/dev/null || fail "a pass with standard input closed ended with status $?"
poll 10 converted_to 'input closed' || fail "a pass with standard input closed did not convert the copy"
coproc LOCK { in_prefix timeout 120 wine "$tool" lock 2>/dev/null; }
read -r -t 60 locked <&"${LOCK[0]}" && [ "$locked" = locked ] || fail "the Windows program could not hold the clipboard"
status=0
timeout 60 pelisan 932 2>/dev/null || status=$?
lock_input=${LOCK[1]}
exec {lock_input}>&-
[ "$status" -eq 2 ] || fail "a pass on a clipboard held open ended with $status, not the program's 2"
status=0
WINEPREFIX=wine-here timeout 60 pelisan 2>/dev/null || status=$?
[ "$status" -eq 125 ] || fail "a relative WINEPREFIX ended with $status, not the launcher's 125"
mkdir "$HOME/prefix32" && echo '#arch=win32' >"$HOME/prefix32/system.reg"
status=0
WINEPREFIX=$HOME/prefix32 timeout 60 pelisan 2>/dev/null || status=$?
[ "$status" -eq 126 ] || fail "a 32-bit prefix ended with $status, not 126"
# A prefix Wine fails to make: the launcher's 125, and Wine's words passed on once.
mkdir "$HOME/failing-wine"
printf '#!/bin/sh\necho "wine: could not load kernel32.dll" >&2\nexit 1\n' >"$HOME/failing-wine/wineboot"
chmod +x "$HOME/failing-wine/wineboot"
status=0
reason=$(WINEPREFIX=$HOME/unmade PATH=$HOME/failing-wine:$PATH timeout 60 pelisan 2>&1 >/dev/null) || status=$?
[ "$status" -eq 125 ] || fail "a prefix Wine could not make ended with $status, not the launcher's 125"
[ "$(grep -c 'could not load kernel32' <<<"$reason")" -eq 1 ] || fail "Wine's words on the prefix, not once: $reason"

# A killed launcher leaves no temporary folder; the window it started runs on,
# until --release closes it, settings saved, and the session ends.
rm "$HOME/.config/pelisan/Pelisan.ini"
pelisan >/dev/null 2>&1 &
window_pid=$!
window_tool wait || fail "the window did not open"
kill -TERM "$window_pid"
wait "$window_pid"
status=$?
[ "$status" -eq 143 ] || fail "the killed launcher ended with $status"
! compgen -G "$TMPDIR/pelisan.*" >/dev/null || fail "the killed launcher left $(echo "$TMPDIR"/pelisan.*)"
window_tool copy 'held by the window' || fail "the Windows program could not copy"
timeout 120 pelisan --release || fail "pelisan --release ended with status $?"
[ -f "$HOME/.config/pelisan/Pelisan.ini" ] || fail "the window closed by --release saved no settings"
session_ends "Wine processes outlived pelisan --release"
echo "the package installs, runs in the user's prefix and keeps the clipboard"
