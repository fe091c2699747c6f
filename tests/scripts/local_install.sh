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
files() { (cd "$prefix" && find . -type f | sort); }

cmake --install "$build" --prefix "$prefix" --component bundle >/dev/null
cp "$build/install_manifest_bundle.txt" "$work/manifest"
[ "$(files)" = "./bin/quotalume
./share/applications/kr.co.fernhallow.Quotalume.desktop
./share/applications/other.desktop
./share/icons/hicolor/scalable/apps/kr.co.fernhallow.Quotalume.svg" ] || { echo "installed:" $(files); exit 1; }
[ -x "$prefix/bin/quotalume" ] || { echo "bin/quotalume is not executable"; exit 1; }

cmake -DMANIFEST="$work/manifest" -P "$uninstall" >/dev/null
[ "$(files)" = "./share/applications/other.desktop" ] || { echo "after uninstall:" $(files); exit 1; }
[ ! -e "$work/manifest" ] || { echo "the manifest outlived the uninstall"; exit 1; }
