#!/bin/sh
# The wine tests' fixture: one persistent wine server for the build tree's
# own prefix (made on first use), its output in a file, so that no test waits
# for wine's background processes; stopped after the last test.
# usage: wine_server.sh start|stop LOG
set -eu
case "$1" in
    start)
        mkdir -p "$WINEPREFIX"
        # A server left by an interrupted run would refuse to be replaced.
        wineserver -k >/dev/null 2>&1 && wineserver -w || true
        wineserver -p >"$2" 2>&1
        # A new prefix takes a few seconds to set up; later runs only check it.
        wine wineboot --init >>"$2" 2>&1
        ;;
    stop)
        wineserver -k >>"$2" 2>&1 || true
        ;;
esac
