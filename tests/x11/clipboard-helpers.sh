# Sourced by the tests that read the X11 desktop clipboard.

fail() { echo "FAIL: $*" >&2; exit 1; }

# Runs the command until it succeeds, for at most $1 seconds.
poll() {
  local end=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$end" ] || return 1
    sleep 0.2
  done
}

# `xclip -o` waits forever when the owner changes mid-request.
paste_as() { timeout 5 xclip -o -selection clipboard -t "$1" 2>/dev/null | tr -d '\0'; }
# Wine offers every format of its clipboard; the marker's shows a pass wrote it.
converted() { paste_as TARGETS | grep -qx 'CF_PELISAN'; }

# The text's code page 932 bytes, as an RTF copy escapes them.
rtf_escaped_cp932() {
  printf '%s' "$1" | iconv -f UTF-8 -t CP932 | od -An -tx1 | tr -d ' \n' | sed "s/../\\\\'&/g"
}
