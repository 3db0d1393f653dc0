#!/usr/bin/env bash
# A text copied by a native X11 program reaches the running window through
# Wine's clipboard bridge and is converted; the X11 clipboard then offers the
# Unicode text unchanged and the RTF copy that names code page 932.
#   clipboard-bridge.sh PELISAN_EXE WINDOW_TOOL_EXE
# A copy that offers HTML beside the text keeps its HTML after the conversion;
# a password manager's copy is not converted.
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
cleanup() {
  if [ -n "$pelisan_pid" ] && kill -0 "$pelisan_pid" 2>/dev/null; then
    timeout 30 "$wine_run" "$tool" close >/dev/null 2>&1 || kill "$pelisan_pid" 2>/dev/null
  fi
  [ -n "$xclip_pid" ] && kill "$xclip_pid" 2>/dev/null
  [ -n "$wish_pid" ] && kill "$wish_pid" 2>/dev/null
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

timeout 30 "$wine_run" "$tool" close || fail "the window did not close"
wait "$pelisan_pid" || fail "pelisan.exe ended with an error"
pelisan_pid=
echo "converted on the X11 clipboard: $text"
