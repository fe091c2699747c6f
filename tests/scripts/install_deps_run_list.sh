#!/bin/sh
# `make run` installs the run list on the user's own machine: it must bring no
# server, no browser, no tray host or X server for the tests and none of the
# load or packaging tools.
set -eu
deps=$1
run=$("$deps" --list run)
[ -n "$run" ] || { echo "install-deps --list run printed nothing"; exit 1; }
status=0
for p in nginx apache2 lighttpd wrk chromium firefox-esr xvfb xfce4-panel trayer sway waybar \
  xdotool lintian libgtest-dev libbenchmark-dev clang; do
  if echo "$run" | grep -qx "$p"; then
    echo "the run list holds $p"
    status=1
  fi
done
"$deps" --list no-such-purpose >/dev/null 2>&1 && { echo "an unknown purpose is accepted"; status=1; }
exit $status
