#!/usr/bin/env bash
# A text copied by a native X11 program reaches the running window through
# Wine's clipboard bridge and is converted; the X11 clipboard then offers the
# Unicode text unchanged and the RTF copy that names code page 932.
#   clipboard-bridge.sh PELISAN_EXE WINDOW_TOOL_EXE
# A copy that offers HTML beside the text keeps its HTML after the conversion;
# a password manager's copy is not converted. A copy whose program serves
# large targets slowly: plain ASCII text needs no pass, and nothing but the
# text is asked for; other text is converted with every target, or left whole.
# Runs in the display and Wine prefix of the rest of the suite.
set -uo pipefail
pelisan=$1
tool=$2
wine_run=$(cd "$(dirname "$0")/../../tools" && pwd)/wine-run.sh
[ -n "${DISPLAY:-}" ] || { echo "needs an X display" >&2; exit 1; }

work=$(mktemp -d)
pelisan_pid=
xclip_pid=
wish_pid=
owner_pid=
cleanup() {
  if [ -n "$pelisan_pid" ] && kill -0 "$pelisan_pid" 2>/dev/null; then
    timeout 30 "$wine_run" "$tool" close >/dev/null 2>&1 || kill "$pelisan_pid" 2>/dev/null
  fi
  [ -n "$xclip_pid" ] && kill "$xclip_pid" 2>/dev/null
  [ -n "$wish_pid" ] && kill "$wish_pid" 2>/dev/null
  [ -n "$owner_pid" ] && kill "$owner_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
. "$(dirname "$0")/clipboard-helpers.sh"

# A fresh directory: the window starts with its default settings (code page
# 932, automatic conversion, RTF copy).
(cd "$work" && exec "$wine_run" "$pelisan") >/dev/null 2>&1 &
pelisan_pid=$!
timeout 60 "$wine_run" "$tool" wait || fail "the window did not open"

text='日本語 X11 text'
printf '%s' "$text" >"$work/copy.txt"
# In the foreground of its own process, so that its id is known; it ends
# when Wine takes the clipboard over with the converted copy.
xclip -quiet -selection clipboard -i "$work/copy.txt" >/dev/null 2>&1 &
xclip_pid=$!

poll 20 converted || fail "the copy was not converted; targets: $(paste_as TARGETS | tr '\n' ' ')"
echo "targets: $(paste_as TARGETS | tr '\n' ' ')"

unicode=$(paste_as UTF8_STRING)
[ "$unicode" = "$text" ] || fail "UTF8_STRING is '$unicode', not '$text'"

escaped=$(rtf_escaped_cp932 '日本語')
rtf=$(paste_as text/rtf)
case "$rtf" in
  *'\cpg932'*"$escaped"*) ;;
  *) fail "the RTF copy does not hold the text in code page 932: $rtf" ;;
esac

# A password manager's copy is left to it: still unconverted a while later.
wish "$(dirname "$0")/copy-with.tcl" 'パスワード' x-kde-passwordManagerHint secret >/dev/null 2>&1 &
wish_pid=$!
poll 20 sh -c "xclip -o -selection clipboard -t TARGETS 2>/dev/null | grep -qx x-kde-passwordManagerHint" ||
  fail "the password copy did not arrive"
sleep 2
! converted || fail "the password manager's copy was converted"
[ "$(paste_as x-kde-passwordManagerHint)" = secret ] || fail "the password copy is no longer the manager's"
kill "$wish_pid" 2>/dev/null
echo "a password manager's copy left alone"

html_text='太字 and plain'
html='<b>太字</b> and <i>plain</i>'
wish "$(dirname "$0")/copy-with.tcl" "$html_text" text/html "$html" >/dev/null 2>&1 &
wish_pid=$!
# The earlier conversion offered no HTML: both together are this copy's.
converted_with_html() { converted && paste_as TARGETS | grep -qx 'text/html'; }
poll 20 converted_with_html || fail "the HTML copy was not converted; targets: $(paste_as TARGETS | tr '\n' ' ')"
[ "$(paste_as text/html)" = "$html" ] || fail "text/html is '$(paste_as text/html)', not '$html'"
[ "$(paste_as UTF8_STRING)" = "$html_text" ] || fail "UTF8_STRING is '$(paste_as UTF8_STRING)', not '$html_text'"
echo "HTML kept on the X11 clipboard: $html"

# Started afresh for each copy: TEXT, then targets as slow-owner.py takes them.
own_copy() {
  [ -n "$owner_pid" ] && kill "$owner_pid" 2>/dev/null
  : >"$work/owner.log"
  /usr/bin/python3 "$(dirname "$0")/slow-owner.py" "$work/owner.log" "$@" 2>>"$work/owner.err" &
  owner_pid=$!
  poll 10 grep -qx ready "$work/owner.log" || fail "the desktop copy was not made: $(cat "$work/owner.err")"
}
# The targets the owner was asked for, but TARGETS, each once per line.
asked() { grep '^request ' "$work/owner.log" | grep -vx 'request TARGETS' | sort; }
# Every target asked at most once.
asked_once() { [ -z "$(asked | uniq -d)" ]; }
sheet=application/x-pelisan-sheet
pattern() { /usr/bin/python3 -c 'import sys; n, s = sys.argv[1], int(sys.argv[2]); u = n + "|"; sys.stdout.write((u * (s // len(u) + 1))[:s])' "$1" "$2"; }

own_copy '12.5 3 plain' "$sheet:1000000" x-pelisan-slow:1000:2
poll 10 sh -c "grep -qx 'request UTF8_STRING' '$work/owner.log'" || fail "the window did not read the ASCII copy"
sleep 3
# Wine may take a desktop copy in twice, asking for its targets each time;
# the window then reads the text of each.
[ -z "$(asked | grep -vx 'request UTF8_STRING')" ] || fail "an ASCII copy's program was asked for more than its text: $(asked)"
[ "$(grep -cx 'request UTF8_STRING' "$work/owner.log")" -le "$(grep -cx 'request TARGETS' "$work/owner.log")" ] ||
  fail "an ASCII copy's text was asked for more often than Wine took the copy in: $(cat "$work/owner.log")"
! grep -qx lost "$work/owner.log" || fail "the ASCII copy was taken from its program"
echo "an ASCII copy: only its text read, still its program's"

own_copy '日本語 sheet' "$sheet:1000000" text/html:20000
poll 10 sh -c "grep -qx 'request UTF8_STRING' '$work/owner.log'" || fail "the window did not read the copy"
sleep 3
asked_once || fail "a target was asked for twice: $(asked | uniq -d)"
if converted; then
  [ "$(paste_as $sheet | md5sum)" = "$(pattern $sheet 1000000 | md5sum)" ] || fail "$sheet changed in the conversion"
  case "$(paste_as text/html)" in "$(pattern text/html 20000)"*) ;; *) fail "text/html changed in the conversion" ;; esac
  echo "large targets: converted, every target kept"
else
  grep -qx lost "$work/owner.log" && fail "the copy was neither converted nor left to its program"
  echo "large targets: not read within the bound, left whole"
fi

# Its program would render the rich targets of a long text for longer than
# the window waits: none is asked for.
/usr/bin/python3 -c 'print("日本語の長い表 " * 40000)' >"$work/long.txt"
own_copy "@$work/long.txt" text/html:1000:3 "$sheet:1000:3"
poll 10 sh -c "grep -qx 'request UTF8_STRING' '$work/owner.log'" || fail "the window did not read the long copy"
sleep 3
[ -z "$(asked | grep -vx 'request UTF8_STRING')" ] || fail "a long copy's program was asked for more than its text: $(asked)"
! grep -qx lost "$work/owner.log" || fail "the long copy was taken from its program"
echo "a long copy: only its text read, left whole"

own_copy '日本語 slow' x-pelisan-slow:1000:2 "$sheet:100000"
poll 10 sh -c "grep -qx 'request UTF8_STRING' '$work/owner.log'" || fail "the window did not read the slow copy"
sleep 5
asked_once || fail "a target was asked for twice: $(asked | uniq -d)"
! grep -qx lost "$work/owner.log" || fail "a copy with a target too slow to read was taken from its program"
echo "a target too slow to read: the copy left whole, asked for: $(asked | tr '\n' ' ')"
kill "$owner_pid" 2>/dev/null
owner_pid=

timeout 30 "$wine_run" "$tool" close || fail "the window did not close"
wait "$pelisan_pid" || fail "pelisan.exe ended with an error"
pelisan_pid=
echo "converted on the X11 clipboard: $text"
