#!/usr/bin/env bash
# The self-update with real processes: a 1.0.2 bundle started with
# --update-now fetches a feed and a 1.0.3 zip from a loopback server, verifies
# and unpacks it, hands over to the swap script and quits; the script swaps the
# bundles and starts the new one. A second round makes the script's move of the
# new bundle fail and expects the old bundle back in place and running again.
# usage: tests/updater/self_update.sh BUILD
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath "${1:?usage: $0 BUILD}")
work=$(mktemp -d /tmp/quotalume-self-update.XXXXXX)
install=$work/Applications
binary=$install/Quotalume.app/bin/quotalume
log=$work/data/Quotalume.log
fail() {
  echo "self-update: FAIL: $*" >&2
  [ -f "$log" ] && sed 's/^/  log: /' "$log" >&2
  exit 1
}

# Runs the command until it succeeds, for up to 30 s.
within_30s() {
  for _ in $(seq 150); do
    "$@" && return 0
    sleep 0.2
  done
  return 1
}

# The relaunched copy is started by the swap script, not by us: found through /proc.
installed_pids() { find /proc -maxdepth 2 -path '/proc/[0-9]*/exe' -lname "$binary" 2>/dev/null | cut -d/ -f3; }
none_installed() { [ -z "$(installed_pids)" ]; }
answers_as() { curl -sf --max-time 2 http://127.0.0.1:47615/ping | grep -q -F "\"version\":\"$1\""; }
launches() { [ "$(grep -c -F " launch Quotalume $1" "$log")" -ge "$2" ]; }
stop_installed() {
  kill $(installed_pids) 2>/dev/null || true
  within_30s none_installed && return 0
  kill -KILL $(installed_pids) 2>/dev/null || true
  fail "the relaunched app did not stop on SIGTERM"
}
trap '(stop_installed) >/dev/null 2>&1; [ -z "${server_pid:-}" ] || kill "$server_pid"; rm -rf "$work"' EXIT

# Installs a fresh 1.0.2 bundle and runs it like a user's update would, with
# the given PATH, until it quits by itself after handing over to the swap script.
run_update() {
  rm -rf "$install/Quotalume.app" "$work/data"
  cp -a "$work/old/Quotalume.app" "$install/"
  # timeout is the app's parent and reaps it the moment it exits: the swap
  # script polls with kill -0, which an unreaped zombie would still answer.
  PATH=$1 timeout 60 "$binary" --update-now --no-guide >>"$work/app.out" 2>&1 ||
    fail "the 1.0.2 app exited with status $? (124: it never quit by itself)"
  grep -q -F " update 1.0.2 -> 1.0.3 swapping" "$log" || fail "no swapping line before quitting"
}

# After the swap: the log's COUNT-th launch line names VERSION; the bundle in
# place is that version and runs, and nothing is left beside it.
expect_relaunched() {
  within_30s launches "$1" "$2" || fail "no launch line for $1 within 30 s"
  grep -q -F "\"version\": \"$1\"" "$install/Quotalume.app/Info.json" || fail "Info.json is not $1"
  [ -n "$(installed_pids)" ] || fail "the relaunched app is not running from the bundle in place"
  within_30s answers_as "$1" || fail "the relaunched app does not answer /ping as $1"
  [ -f "$install/Quotalume.app/lib/libQt6Core.so.6" ] || fail "the bundle in place lost its libraries"
  [ "$(ls -A "$install")" = Quotalume.app ] || fail "left beside the bundle: $(ls -A "$install")"
  stop_installed
}

# mktemp made the work folder private, as the runtime folder must be.
export HOME=$work/home XDG_RUNTIME_DIR=$work TMPDIR=$work/tmp QUOTALUME_DATA_DIR=$work/data QT_QPA_PLATFORM=offscreen
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_STATE_HOME XDG_CACHE_HOME DBUS_SESSION_BUS_ADDRESS
mkdir -p "$HOME/.config/Quotalume" "$TMPDIR" "$work/site" "$work/shim" "$install"

# A loopback server on an ephemeral port, which it names on its first line.
python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$work/site" >"$work/server.log" 2>&1 &
server_pid=$!
within_30s grep -q '^Serving' "$work/server.log" || fail "the loopback server did not start"
base=http://127.0.0.1:$(sed -n 's/^Serving HTTP on .* port \([0-9]*\) .*/\1/p' "$work/server.log")

package() { "$root/scripts/package" --no-deb "$@" 2>"$work/package.log" || { cat "$work/package.log" >&2; fail "$*"; }; }
package --version 1.0.2 "$build" "$work/old" >/dev/null
package --version 1.0.3 --url-base "$base" "$build" "$work/site" >"$work/site/version.json"
printf '[General]\nupdateFeed=%s/version.json\n' "$base" >"$HOME/.config/Quotalume/Quotalume.conf"

run_update "$PATH"
expect_relaunched 1.0.3 1

# Rollback. Stands in for a move that fails (a full disk, a foreign mount); every other
# move the script makes is real. The failing move's first argument is the
# unpacked bundle in the update's hidden work folder.
printf '#!/bin/sh\ncase "$1" in */.Quotalume-update-*/Quotalume.app) exit 1 ;; esac\nexec /bin/mv "$@"\n' \
  >"$work/shim/mv"
chmod +x "$work/shim/mv"
run_update "$work/shim:$PATH"
# The first launch line is the run that updated; the second is the restored bundle.
expect_relaunched 1.0.2 2
echo "self-update: passed"
