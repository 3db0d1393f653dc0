# Sourced by the run and test scripts: a Wine prefix of the build tree's own.
export WINEPREFIX=${WINEPREFIX:-$1/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
