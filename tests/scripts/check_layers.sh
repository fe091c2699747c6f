#!/bin/sh
# The layer check passes on the tree as it is and fails on a planted upward
# include and on a folder it has no layer for.
set -eu
check=$1 src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$src" "$work/src"
"$check" "$work/src" >/dev/null
printf '#include "display/shown.hpp"\n' >>"$work/src/store/log.hpp"
if "$check" "$work/src" 2>"$work/err"; then echo "an upward include passed"; exit 1; fi
grep -q 'store/log.hpp:[0-9]* includes from display/' "$work/err" || { cat "$work/err"; exit 1; }
sed -i '$d' "$work/src/store/log.hpp"
mkdir "$work/src/gadgets"
if "$check" "$work/src" 2>/dev/null; then echo "a folder without a layer passed"; exit 1; fi
