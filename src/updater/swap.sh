#!/bin/sh
target="$1"; new="$2"; pid="$3"; swapper="$4"
while kill -0 "$pid" 2>/dev/null && [ "$(sed 's/.*) //;s/ .*//' "/proc/$pid/stat" 2>/dev/null)" != Z ]; do sleep 0.2; done
"$swapper" --swap-bundles "$target" "$new" </dev/null >/dev/null 2>&1
# A release may carry read-only folders, which rm -rf cannot empty.
chmod -R u+w "${new%/*}" 2>/dev/null; rm -rf "${new%/*}"
exec setsid "$target/bin/quotalume" </dev/null >/dev/null 2>&1
