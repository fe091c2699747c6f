#!/usr/bin/env bash
# The self-update with real processes: a 1.0.2 bundle started with
# --update-now fetches a feed and a 1.0.3 zip from a loopback server, verifies
# and unpacks it, hands over to the swap script and quits; the script swaps the
# bundles and starts the new one. What earlier updates left beside the bundle,
# cut short, is swept at launch. The feed holds an ARM release too, whose
# absent zip would stop the swap if taken. OLD_BUILD, when given, is packaged as the 1.0.2 instead of BUILD.
# usage: tests/updater/self_update.sh BUILD [OLD_BUILD]
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath "${1:?usage: $0 BUILD [OLD_BUILD]}")
old_build=$(realpath "${2:-$1}")
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
relaunched() { grep -q -F " launch Quotalume 1.0.3" "$log"; }
answers_as() { curl -sf --max-time 2 http://127.0.0.1:47615/ping | grep -q -F "\"version\":\"$1\""; }
stop_installed() {
  kill $(installed_pids) 2>/dev/null || true
  within_30s none_installed && return 0
  kill -KILL $(installed_pids) 2>/dev/null || true
  fail "the relaunched app did not stop on SIGTERM"
}
trap '(stop_installed) >/dev/null 2>&1; [ -z "${server_pid:-}" ] || kill "$server_pid"; rm -rf "$work"' EXIT

# mktemp made the work folder private, as the runtime folder must be.
export HOME=$work/home XDG_RUNTIME_DIR=$work TMPDIR=$work/tmp QUOTALUME_DATA_DIR=$work/data QT_QPA_PLATFORM=offscreen
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_STATE_HOME XDG_CACHE_HOME DBUS_SESSION_BUS_ADDRESS
mkdir -p "$HOME/.config/Quotalume" "$TMPDIR" "$work/site" "$install"

# A loopback server on an ephemeral port, which it names on its first line.
python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$work/site" >"$work/server.log" 2>&1 &
server_pid=$!
within_30s grep -q '^Serving' "$work/server.log" || fail "the loopback server did not start"
base=http://127.0.0.1:$(sed -n 's/^Serving HTTP on .* port \([0-9]*\) .*/\1/p' "$work/server.log")

package() { "$root/scripts/package" --no-deb "$@" 2>"$work/package.log" || { cat "$work/package.log" >&2; fail "$*"; }; }
package --version 1.0.2 "$old_build" "$work/old" >/dev/null
arm="\"linux-arm64\": {\"version\": \"9.9.9\", \"url\": \"$base/absent.zip\", \"sha256\": \"$(printf '%064d' 0)\"}"
package --version 1.0.3 --url-base "$base" "$build" "$work/site" | sed "s|}\$|, $arm}|" >"$work/site/version.json"
printf '[General]\nupdateFeed=%s/version.json\n' "$base" >"$HOME/.config/Quotalume/Quotalume.conf"

# Leftovers of updates cut short, which the launch sweeps: an earlier
# release's script named the old bundle after its own pid, since gone.
true & gone=$!
wait "$gone"
mkdir "$install/.Quotalume-update-00000000-0000-0000-0000-000000000000" "$install/Quotalume.app.old-$gone"
cp -a "$work/old/Quotalume.app" "$install/"
# timeout is the app's parent and reaps it the moment it exits: the swap
# script polls with kill -0, which an unreaped zombie would still answer.
timeout 60 "$binary" --update-now --no-guide >>"$work/app.out" 2>&1 ||
  fail "the 1.0.2 app exited with status $? (124: it never quit by itself)"
grep -q -F " update 1.0.2 -> 1.0.3 swapping" "$log" || fail "no swapping line before quitting"
within_30s relaunched || fail "no launch line for 1.0.3 within 30 s"
grep -q -F '"version": "1.0.3"' "$install/Quotalume.app/Info.json" || fail "Info.json is not 1.0.3"
[ -n "$(installed_pids)" ] || fail "the relaunched app is not running from the bundle in place"
within_30s answers_as 1.0.3 || fail "the relaunched app does not answer /ping as 1.0.3"
[ -f "$install/Quotalume.app/lib/libQt6Core.so.6" ] || fail "the bundle in place lost its libraries"
[ "$(ls -A "$install")" = Quotalume.app ] || fail "left beside the bundle: $(ls -A "$install")"
stop_installed
echo "self-update: passed"
