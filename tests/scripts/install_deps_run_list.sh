#!/bin/sh
# `make run` installs the run list on the user's own machine: it must bring no
# server, no browser, no tray host or X server for the tests and none of the
# load or packaging tools. An unknown purpose is refused.
set -eu
run=$("$1" --list run)
[ -n "$run" ] || { echo "install-deps --list run printed nothing"; exit 1; }
tools='nginx|apache2|lighttpd|wrk|chromium|firefox-esr|xvfb|xfce4-panel|trayer|sway|waybar|xdotool|lintian|clang'
held=$(echo "$run" | grep -x -E "$tools|libgtest-dev|libbenchmark-dev" || true)
[ -z "$held" ] || { echo "the run list holds:" $held; exit 1; }
! "$1" --list no-such-purpose >/dev/null 2>&1 || { echo "an unknown purpose is accepted"; exit 1; }
