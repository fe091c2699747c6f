#!/bin/sh
# The front page stays short and keeps both developer commands; a cut release
# becomes the newest in the metainfo, and cutting it twice is refused. (That
# the artefacts name one licence is checked on them by scripts/check-package.)
set -eu
src=$1 notes=$1/scripts/release-notes
fail() { echo "$*"; exit 1; }
lines=$(wc -l <"$src/README.md")
[ "$lines" -le 120 ] || fail "README.md has $lines lines, more than 120"
grep -q '^make run ' "$src/README.md" && grep -q '^make test ' "$src/README.md" || fail "README.md lacks make run or make test"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
cp "$src/CHANGELOG.md" "$log"
"$notes" cut 99.0 "$log" 2030-01-02
[ "$("$notes" version "$log")" = 99.0 ] || fail "the cut release is not the newest"
"$notes" metainfo "$log" | head -n 1 | grep -qx '    <release version="99.0" date="2030-01-02">' || fail "the metainfo does not begin with the cut release"
! "$notes" cut 99.0 "$log" 2>/dev/null || fail "a release was cut twice"
