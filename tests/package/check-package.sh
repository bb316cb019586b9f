#!/usr/bin/env bash
# check-package.sh <build dir>: makes the Debian package from the build,
# checks it with lintian, unpacks it into a scratch root with dpkg -x (nothing
# is installed on this machine) and runs what it holds from there: the
# command-line tool, the manual pages, the completion, and the window for two
# seconds under Xvfb. Run by ctest (package.deb).
set -euo pipefail
build=$(readlink -f "$1")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# --- the package --------------------------------------------------------
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/pkg" >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log" >&2; fail "cpack could not make the package"; }
debs=("$scratch"/pkg/orvane_*.deb)
deb=${debs[0]}
[[ -f $deb ]] || fail "cpack made no orvane_*.deb"

depends=$(dpkg-deb -f "$deb" Depends)
# The soundfont is named by hand; the libraries must come from dpkg-shlibdeps.
for dep in fluid-soundfont-gm libqt6widgets6 libfluidsynth3 libasound2 libc6; do
  grep -qE "(^|, )$dep( |,|$)" <<<"$depends" || fail "Depends lacks $dep: $depends"
done
# Errors and warnings fail; the informational tags README lists do not.
lintian --allow-root --fail-on error,warning "$deb" || fail "lintian finds errors or warnings"

root=$scratch/root
dpkg -x "$deb" "$root"
[[ ! -e $root/usr/local ]] || fail "the package installs into /usr/local"
for f in usr/bin/orvane usr/bin/orvane-cli usr/bin/orvane-launch; do
  [[ -x $root/$f ]] || fail "/$f is not installed as a program"
done
for f in usr/share/applications/orvane.desktop \
         usr/share/metainfo/org.example.orvane.metainfo.xml \
         usr/share/icons/hicolor/scalable/apps/orvane.svg \
         usr/share/icons/hicolor/48x48/apps/orvane.png \
         usr/share/man/man1/orvane.1.gz usr/share/man/man1/orvane-cli.1.gz \
         usr/share/man/man1/orvane-launch.1.gz \
         usr/share/bash-completion/completions/orvane-cli \
         usr/share/doc/orvane/copyright usr/share/doc/orvane/changelog.gz; do
  [[ -f $root/$f ]] || fail "/$f is not in the package"
done
desktop=$root/usr/share/applications/orvane.desktop
desktop-file-validate "$desktop" || fail "the menu entry does not validate"
grep -qx 'Exec=/usr/bin/orvane-launch' "$desktop" || fail "the menu entry does not start /usr/bin/orvane-launch"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.example.orvane.metainfo.xml" ||
  fail "the AppStream metadata does not validate"

# --- manual pages, found where man looks ------------------------------------
# orvane-launch's page is a link to orvane's, which man names.
for page in orvane:orvane orvane-cli:orvane-cli orvane-launch:orvane; do
  [[ $(MANPATH=$root/usr/share/man man -w "${page%%:*}") == "$root/usr/share/man/man1/${page#*:}.1.gz" ]] ||
    fail "man does not find ${page%%:*}(1) in the package"
done
cli_page=$(MANPATH=$root/usr/share/man MANWIDTH=200 man -P cat orvane-cli 2>"$scratch/man.err")
[[ ! -s $scratch/man.err ]] || { cat "$scratch/man.err" >&2; fail "man reports problems in orvane-cli(1)"; }
for heading in NAME SYNOPSIS VERBS 'EXIT STATUS'; do
  grep -q "^$heading" <<<"$cli_page" || fail "orvane-cli(1) has no $heading"
done

# --- the command-line tool, from its installed place --------------------------
cli=$root/usr/bin/orvane-cli
help=$("$cli" --help) || fail "orvane-cli --help failed"
grep -q '^Usage: orvane-cli VERB' <<<"$help" || fail "orvane-cli --help prints no usage"
# Every verb the tool lists has its section in the manual page.
for verb in $(sed -n 's/^  orvane-cli \([a-z][a-z0-9-]*\)\( .*\)\?$/\1/p' <<<"$help" | sort -u); do
  grep -q "^   $verb\$" <<<"$cli_page" || fail "orvane-cli(1) has no section for $verb"
done
# The verbs of the module, found from where the package puts it.
module=$(find "$root/usr/lib" -path '*/orvane/cli/orvane-cli-verbs.so' -type f)
[[ -n $module ]] || fail "orvane-cli-verbs.so is not in the package's library folder"
printf ':Issued: 2026 Dec 10 1205 UTC\n' >"$scratch/wwv.txt"
[[ $("$cli" report-age --now 2026-12-10T12:06:00Z "$scratch/wwv.txt") == "$scratch/wwv.txt"$'\t'2026-12-10T12:05:00Z$'\t'60 ]] ||
  fail "orvane-cli report-age (a verb of the module) does not run from the package"
[[ -n $(find "$root/usr/lib" -path '*/orvane/cli/orvane-cli-pictures.so' -type f) ]] ||
  fail "orvane-cli-pictures.so is not in the package's library folder"
"$cli" greyline --at @0 --size 64x32 -o "$scratch/map.png" >/dev/null && [[ -s $scratch/map.png ]] ||
  fail "orvane-cli greyline (a verb of the pictures module) does not run from the package"
slots=$("$cli" slot) || fail "orvane-cli slot failed"
[[ $(grep -cE $'^(14.10|18.11|21.15|24.93|28.20)\t([1-9]|1[0-8])\t' <<<"$slots") == 5 ]] ||
  fail "orvane-cli slot does not name one beacon for each of the five bands: $slots"

# --- completion -------------------------------------------------------------
complete_words() {
  bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _orvane_cli; echo "${COMPREPLY[*]}"' \
    _ "$root/usr/share/bash-completion/completions/orvane-cli" "$@"
}
[[ $(complete_words orvane-cli sl) == slot ]] || fail "completion of a verb"
[[ $(complete_words orvane-cli slot --b) == --band ]] || fail "completion of an option"
[[ $(complete_words orvane-cli slot --band 2) == "21.15 24.93 28.20" ]] || fail "completion of a band"
[[ -z $(complete_words orvane-cli time --host '') ]] || fail "a host name is completed with something"

# --- the window, two seconds under Xvfb ---------------------------------------
# Its own home, configuration, data and runtime folders, so nothing of the
# user's is read or written and no running copy's lock is met. Nothing is
# clicked: the clock is set only by "Get Time", never at start or close.
home=$scratch/home
mkdir -p "$home" && mkdir -m 700 "$scratch/runtime"
messages=$scratch/messages.log
: >"$messages"
status=0
(cd "$scratch" &&
  env -i PATH=/usr/bin:/bin HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
    XDG_CACHE_HOME="$home/.cache" XDG_RUNTIME_DIR="$scratch/runtime" QT_QPA_PLATFORM=xcb \
    ORVANE_MESSAGE_LOG="$messages" \
    timeout -k 10 180 xvfb-run -a -s "-screen 0 1024x768x24" \
      bash "$(dirname "$0")/run-window.sh" "$root/usr/bin/orvane-launch" "$scratch/runtime/Orvane2.lock" \
    >"$scratch/gui.log" 2>&1) || status=$?
# 0: it ran, and SIGTERM closed it the orderly way.
[[ $status == 0 ]] || { cat "$scratch/gui.log" >&2; fail "the window did not run for two seconds and close (status $status)"; }
[[ -d $home/.local/share/orvane ]] || fail "orvane-launch did not make the data folder"
[[ ! -s $messages ]] || { cat "$messages" >&2; fail "the window showed messages"; }
# The orderly close writes the settings.
[[ -f $root/usr/bin/orvane.INI || -f $home/.config/orvane/orvane.INI ]] ||
  { cat "$scratch/gui.log" >&2; fail "the window wrote no settings when it closed"; }
echo "package OK: $(basename "$deb")"
