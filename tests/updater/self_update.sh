#!/usr/bin/env bash
# The self-update with real processes: a 1.0.2 bundle started with
# --update-now fetches a feed and a 1.0.3 zip from a loopback server, verifies
# and unpacks it, hands over to the swap script and quits; the script swaps the
# bundles and starts the new one. A second round makes the script's move of the
# new bundle fail and expects the old bundle back in place and running again.
# Everything lives in one temporary folder, HOME and the XDG folders included,
# so the user's own copy and settings are never touched.
# usage: tests/updater/self_update.sh BUILD
set -euo pipefail

[ $# -eq 1 ] || { echo "usage: $0 BUILD" >&2; exit 2; }
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath "$1")
work=$(mktemp -d /tmp/quotalume-self-update.XXXXXX)
server_pid=""

say() { echo "self-update: $*"; }
fail() {
  echo "self-update: FAIL: $*" >&2
  [ -f "$work/data/Quotalume.log" ] && sed 's/^/  log: /' "$work/data/Quotalume.log" >&2
  exit 1
}

# The pids of processes running the installed binary. The relaunched copy is
# started by the swap script, not by us, so it is found through /proc.
installed_pids() {
  local exe p
  for exe in /proc/[0-9]*/exe; do
    [ "$(readlink "$exe" 2>/dev/null)" = "$install/Quotalume.app/bin/quotalume" ] || continue
    p=${exe#/proc/}
    echo "${p%/exe}"
  done
}

stop_installed() {
  local pid waited
  for pid in $(installed_pids); do kill -TERM "$pid" 2>/dev/null || true; done
  for waited in $(seq 50); do
    [ -z "$(installed_pids)" ] && return 0
    sleep 0.2
  done
  for pid in $(installed_pids); do kill -KILL "$pid" 2>/dev/null || true; done
  fail "the relaunched app did not stop on SIGTERM"
}

cleanup() {
  [ -n "${install:-}" ] && stop_installed 2>/dev/null || true
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Waits up to SECONDS for the log to hold a line ending in TEXT, COUNT times.
wait_for_log() {
  local text=$1 count=$2 seconds=$3 i
  for i in $(seq $((seconds * 5))); do
    [ "$(grep -c -F -- " $text" "$work/data/Quotalume.log" 2>/dev/null || true)" -ge "$count" ] && return 0
    sleep 0.2
  done
  fail "no log line \"$text\" (wanted $count) within ${seconds}s"
}

# Installs a fresh 1.0.2 bundle and runs it like a user's update would, with
# PATH possibly prefixed, until it quits by itself after handing over to the
# swap script.
run_update() {
  local status=0
  rm -rf "$install/Quotalume.app" "$work/data"
  cp -a "$work/old/Quotalume.app" "$install/"
  mkdir -p "$work/data"
  # timeout is the app's parent and reaps it the moment it exits: the swap
  # script polls with kill -0, which an unreaped zombie would still answer.
  PATH="$1" timeout 60 "$install/Quotalume.app/bin/quotalume" --update-now --no-guide >>"$work/app.out" 2>&1 ||
    status=$?
  [ $status -eq 0 ] || fail "the 1.0.2 app exited with status $status (124: it never quit by itself)"
  grep -q -F " update 1.0.2 -> 1.0.3 swapping" "$work/data/Quotalume.log" || fail "no swapping line before quitting"
}

# After the swap: the log's LAUNCHES-th launch line names VERSION, the bundle
# in place is that version with its binary, it runs, and nothing is left aside.
expect_relaunched() {
  local version=$1 launches=$2 found
  wait_for_log "launch Quotalume $version" "$launches" 30
  found=$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["version"])' \
    "$install/Quotalume.app/Info.json")
  [ "$found" = "$version" ] || fail "Info.json says $found, not $version"
  [ -x "$install/Quotalume.app/bin/quotalume" ] || fail "the bundle in place lost its binary"
  [ -z "$(installed_pids)" ] && fail "the relaunched app is not running"
  [ "$(ls -A "$install")" = Quotalume.app ] || fail "left beside the bundle: $(ls -A "$install")"
  stop_installed
}

export HOME="$work/home"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share" XDG_STATE_HOME="$HOME/.local/state"
export XDG_RUNTIME_DIR="$work/run" TMPDIR="$work/tmp"
export QUOTALUME_DATA_DIR="$work/data" QT_QPA_PLATFORM=offscreen
unset DBUS_SESSION_BUS_ADDRESS
mkdir -p "$HOME" "$XDG_CONFIG_HOME/Quotalume" "$XDG_RUNTIME_DIR" "$TMPDIR" "$work/site"
chmod 700 "$XDG_RUNTIME_DIR"

# A loopback server on an ephemeral port that tells us the port it got.
python3 - "$work/site" "$work/port" <<'PY' >"$work/server.log" 2>&1 &
import functools, http.server, os, sys
handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=sys.argv[1])
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
with open(sys.argv[2] + ".tmp", "w") as f:
    f.write(str(server.server_address[1]))
os.rename(sys.argv[2] + ".tmp", sys.argv[2])
server.serve_forever()
PY
server_pid=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
[ -s "$work/port" ] || fail "the loopback server did not start"
port=$(cat "$work/port")
base="http://127.0.0.1:$port"

say "making the 1.0.2 bundle and the 1.0.3 release"
"$root/scripts/package" --no-deb --version 1.0.2 "$build" "$work/old" >/dev/null 2>"$work/package.log" ||
  { cat "$work/package.log" >&2; fail "packaging 1.0.2"; }
"$root/scripts/package" --no-deb --version 1.0.3 --url-base "$base" "$build" "$work/new" \
  >"$work/site/version.json" 2>"$work/package.log" || { cat "$work/package.log" >&2; fail "packaging 1.0.3"; }
cp "$work/new/Quotalume-linux-1.0.3.zip" "$work/site/"
printf '[General]\nupdateFeed=%s/version.json\n' "$base" >"$XDG_CONFIG_HOME/Quotalume/Quotalume.conf"

install="$work/Applications"
mkdir -p "$install"

say "update 1.0.2 -> 1.0.3"
run_update "$PATH"
expect_relaunched 1.0.3 1
say "swapped, relaunched as 1.0.3, nothing left aside"

say "rollback when the new bundle cannot be moved into place"
# Stands in for a move that fails (a full disk, a foreign mount); every other
# move the script makes is real. The first argument of the failing move is
# the unpacked bundle in the update's hidden working folder beside it.
mkdir -p "$work/shim"
cat >"$work/shim/mv" <<'SH'
#!/bin/sh
case "$1" in */.Quotalume-update-*/Quotalume.app) exit 1 ;; esac
exec /bin/mv "$@"
SH
chmod +x "$work/shim/mv"
run_update "$work/shim:$PATH"
# The first launch line is the run that updated; the second is the restored bundle.
expect_relaunched 1.0.2 2
say "rolled back, relaunched as 1.0.2, nothing left aside"
say "passed"
