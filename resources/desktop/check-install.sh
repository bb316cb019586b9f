#!/usr/bin/env bash
# check-install.sh <build dir>: installs the build into a scratch prefix and
# checks the result. Run by ctest (desktop.install).
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# Staged with DESTDIR, as a package build does: the menu entry names the
# launcher at its final place.
final=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
prefix=$scratch/root$final

DESTDIR=$scratch/root cmake --install "$build" >/dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }
for f in bin/orvane bin/orvane-cli bin/orvane-launch; do
  [[ -x $prefix/$f ]] || fail "$f is not installed as a program"
done
desktop=$prefix/share/applications/orvane.desktop
[[ -f $desktop ]] || fail "no orvane.desktop"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop" || fail "orvane.desktop does not validate"
fi
grep -qx 'Name=Orvane ++' "$desktop" || fail "the menu entry is not named Orvane ++"
grep -qx "Exec=$final/bin/orvane-launch" "$desktop" || fail "the menu entry does not start the launcher"
[[ -f $prefix/share/icons/hicolor/scalable/apps/orvane.svg ]] || fail "no scalable icon"
for size in 16 22 24 32 48 64 128 256; do
  png=$prefix/share/icons/hicolor/${size}x${size}/apps/orvane.png
  [[ -f $png ]] || fail "no ${size}x${size} icon"
  # The PNG header holds width and height as big-endian 32-bit numbers at 16 and 20.
  dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')
  [[ $dims == "${size}x${size}" ]] || fail "${size}x${size} icon is $dims"
done

# The launcher starts the program next to it in $XDG_DATA_HOME/orvane,
# creating the folder; a stand-in program reports where it was started.
mkdir -p "$scratch/fake"
cp "$prefix/bin/orvane-launch" "$scratch/fake/"
printf '#!/bin/sh\npwd > "%s/started-in"\n' "$scratch" > "$scratch/fake/orvane"
chmod +x "$scratch/fake/orvane"
(cd / && XDG_DATA_HOME="$scratch/data" "$scratch/fake/orvane-launch")
[[ $(cat "$scratch/started-in") == "$scratch/data/orvane" ]] || fail "launcher did not start in the data folder"
(cd / && env -u XDG_DATA_HOME HOME="$scratch/home" "$scratch/fake/orvane-launch")
[[ $(cat "$scratch/started-in") == "$scratch/home/.local/share/orvane" ]] || fail "launcher ignores the default data folder"
echo "install OK: $prefix"
