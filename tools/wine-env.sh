# Sourced by the run and test scripts: a Wine prefix of the build tree's own.
# Never the user's own prefix: PELISAN_WINEPREFIX may name another one of ours.
export WINEPREFIX=${PELISAN_WINEPREFIX:-$1/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
