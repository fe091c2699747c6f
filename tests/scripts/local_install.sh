#!/bin/sh
# `make install` into a fresh prefix puts exactly the binary, the desktop entry
# and the icon where desktops look; the uninstall removes them and nothing
# that was there before.
set -eu
build=$1 uninstall=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
mkdir -p "$prefix/share/applications"
touch "$prefix/share/applications/other.desktop"

cmake --install "$build" --prefix "$prefix" --component bundle >/dev/null
cp "$build/install_manifest_bundle.txt" "$work/manifest"
(cd "$prefix" && find . -type f | sort) >"$work/installed"
cat >"$work/expected" <<LIST
./bin/quotalume
./share/applications/kr.co.fernhallow.Quotalume.desktop
./share/applications/other.desktop
./share/icons/hicolor/scalable/apps/kr.co.fernhallow.Quotalume.svg
LIST
diff -u "$work/expected" "$work/installed" || { echo "installed files differ"; exit 1; }
[ -x "$prefix/bin/quotalume" ] || { echo "bin/quotalume is not executable"; exit 1; }

cmake -DMANIFEST="$work/manifest" -P "$uninstall" >/dev/null
left=$(cd "$prefix" && find . -type f)
[ "$left" = "./share/applications/other.desktop" ] || { echo "after uninstall: $left"; exit 1; }
[ ! -e "$work/manifest" ] || { echo "the manifest outlived the uninstall"; exit 1; }
