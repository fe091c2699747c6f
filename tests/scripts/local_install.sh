#!/bin/sh
# `make install` puts exactly the binary, desktop entry and icon under a UTF-8
# prefix and removes an earlier install elsewhere; the uninstall names and
# removes what it lists and nothing else, even from a tampered list, and fails
# when it cannot finish. Prefixes that would change commands are refused.
set -eu
build=$1 root=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*: $(cd "$work" && find . -type f | sort)"; cat "$work/out"; exit 1; }
install() { cmake -DPREFIX="$1" -DBUILD="$build" -DMANIFEST="$work/manifest" -P "$root/cmake/LocalInstall.cmake" >"$work/out" 2>&1; }
uninstall() { cmake -DMANIFEST="$work/manifest" -P "$root/cmake/Uninstall.cmake" >"$work/out" 2>&1; }
# The files besides the manifest and the output are exactly these.
only() { [ "$(cd "$work" && find . -type f ! -name manifest ! -name out | sort)" = "$(printf '%s\n' "$@" | sort)" ]; }
ours() { for f in bin/quotalume share/applications/kr.co.fernhallow.Quotalume.desktop \
  share/icons/hicolor/scalable/apps/kr.co.fernhallow.Quotalume.svg share/man/man1/quotalume.1; do
  echo "./$1/$f"; done; }
mkdir -p "$work/a/share/applications"
touch "$work/a/share/applications/other.desktop" "$work/victim"
b=$work/홈/é
set -- ./a/share/applications/other.desktop ./victim  # there before

install "$work/a" && [ -x "$work/a/bin/quotalume" ] && only "$@" $(ours a) || fail "install to a"
install "$b" && only "$@" $(ours 홈/é) || fail "a then b"
uninstall && only "$@" && [ ! -e "$work/manifest" ] || fail "uninstall"
[ "$(grep -c '^-- Removed ' "$work/out")" = 4 ] || fail "the uninstall does not name what it removed"
# A list from before the prefix was recorded: the folder above bin/quotalume.
install "$b" && sed -i 1d "$work/manifest" && uninstall && only "$@" || fail "a list without its prefix"

# A manifest naming a file outside its prefix, or a folder, removes nothing.
for foreign in "$work/victim" "$b/bin"; do
  install "$b" && echo "$foreign" >>"$work/manifest"
  ! uninstall && only "$@" $(ours 홈/é) || fail "tampered with $foreign"
  sed -i '$d' "$work/manifest"
done
# A path holding ';' is one path, here a missing one: the rest goes, and the uninstall fails.
echo "$b/bin/x;$work/victim" >>"$work/manifest"
! uninstall && only "$@" || fail "a listed path with ';' in it"

for prefix in "$work/s;$work/a" "$work/y\"; touch $work/PWNED; \"" "$work/\$(shell touch $work/PWNED)"; do
  ! install "$prefix" && grep -q "Refusing the prefix" "$work/out" || fail "CMake took the prefix $prefix"
  ! make -n -C "$root" install PREFIX="$prefix" >"$work/out" 2>&1 && grep -q "may not hold" "$work/out" ||
    fail "make took the prefix $prefix"
done
only "$@" || fail "a refused prefix"
