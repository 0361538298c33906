#!/usr/bin/env bash
# An install into a staging folder: every file in its place, the desktop's
# validators content, the manual pages clean, and the installed programs working
# (narrate renders; the options of both programs print without a display).
# Usage: install_layout.sh <build folder>
set -uo pipefail

build=$(cd "$1" && pwd)
stage=$(mktemp -d /tmp/varnel-stage.XXXXXX)
trap 'rm -rf "$stage"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

DESTDIR="$stage" cmake --install "$build" --prefix /usr >"$stage.log" 2>&1 || { cat "$stage.log" >&2; fail "cmake --install"; }
rm -f "$stage.log"
usr="$stage/usr"
id=org.varnel.Varnel

expected=(
  bin/Varnel bin/narrate bin/automation-hold bin/varnel-synth
  "share/applications/$id.desktop"
  "share/metainfo/$id.metainfo.xml"
  "share/icons/hicolor/scalable/apps/$id.svg"
  share/man/man1/narrate.1.gz share/man/man1/Varnel.1.gz share/man/man1/automation-hold.1.gz
  share/man/man1/varnel-synth.1.gz
  share/doc/varnel/copyright share/doc/varnel/changelog.gz
)
for size in 16 32 48 64 128 256; do expected+=("share/icons/hicolor/${size}x${size}/apps/$id.png"); done
for file in "${expected[@]}"; do [ -s "$usr/$file" ] || fail "missing $file"; done
for program in Varnel narrate automation-hold varnel-synth; do [ -x "$usr/bin/$program" ] || fail "$program is not executable"; done
# Nothing else: every installed file is one we meant.
extra=$(cd "$usr" && find . -type f | sed 's|^\./||' | sort | comm -23 - <(printf '%s\n' "${expected[@]}" | sort))
[ -z "$extra" ] || fail "unexpected files: $extra"

# Each PNG is a PNG of its folder's size.
for size in 16 32 48 64 128 256; do
  png="$usr/share/icons/hicolor/${size}x${size}/apps/$id.png"
  header=$(od -An -tx1 -j12 -N12 "$png" | tr -d ' \n')
  printf -v want '49484452%08x%08x' "$size" "$size"
  [ "$header" = "$want" ] || fail "$png is not a ${size}x${size} PNG ($header)"
done
grep -q '<svg' "$usr/share/icons/hicolor/scalable/apps/$id.svg" || fail "the SVG icon is no SVG"

out=$(desktop-file-validate "$usr/share/applications/$id.desktop" 2>&1) || fail "desktop-file-validate: $out"
[ -z "$out" ] || fail "desktop-file-validate says: $out"
out=$(appstreamcli validate --no-net "$usr/share/metainfo/$id.metainfo.xml" 2>&1) || fail "appstreamcli validate: $out"
grep -q "Icon=$id$" "$usr/share/applications/$id.desktop" || fail "the entry names another icon"
exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$usr/share/applications/$id.desktop")
[ -x "$usr/bin/$exec_program" ] || fail "the entry's Exec program $exec_program is not installed"

for page in narrate Varnel automation-hold varnel-synth; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man $page: $warnings"
done

# The installed programs, with no display at all.
nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
work="$stage/work"
mkdir -p "$work"
printf 'The installed converter, speaking.\n' >"$work/in.txt"
out=$("$usr/bin/narrate" "$work/in.txt" "$work/out.wav" 1 0 100) || fail "installed narrate failed: $out"
[ "$out" = "33 char to be conerted......" ] || fail "narrate printed: $out"
[ "$(head -c 4 "$work/out.wav" 2>/dev/null)" = RIFF ] && [ "$(stat -c %s "$work/out.wav")" -gt 10000 ] \
  || fail "the installed narrate wrote no WAV"
# A long text renders in pieces on the installed varnel-synth workers, as long
# as the one-piece rendering of a narrate that has no worker beside it. espeak-ng's
# voice, asked for by name: flite's (voice 1 with flite) join without a trace.
for i in $(seq 200); do printf 'Line %d of a long text; read aloud in pieces!\n' "$i"; done >"$work/long.txt"
mkdir -p "$work/alone" && cp "$usr/bin/narrate" "$work/alone/"
espeak=$("$usr/bin/narrate" --voices | awk -F '\t' '$2 == "English (Great Britain)" { print $1; exit }')
[ -n "$espeak" ] || fail "narrate --voices lists no English (Great Britain)"
"$usr/bin/narrate" "$work/long.txt" "$work/pieces.wav" "$espeak" 0 100 >/dev/null || fail "installed narrate failed on a long text"
"$work/alone/narrate" "$work/long.txt" "$work/whole.wav" "$espeak" 0 100 >/dev/null || fail "narrate without workers failed"
awk -v p="$(stat -c %s "$work/pieces.wav")" -v w="$(stat -c %s "$work/whole.wav")" \
  'BEGIN { exit !(p > 0.99 * w && p < 1.01 * w) }' || fail "pieces and whole differ in length"
# Pieces join at other sample offsets than one run, so equal bytes mean no worker
# ran (one core renders in one piece).
[ "$(nproc)" -lt 2 ] || ! cmp -s "$work/pieces.wav" "$work/whole.wav" || fail "the installed narrate rendered without its workers"
"$usr/bin/narrate" --help | grep -q '^usage: narrate' || fail "narrate --help"
"$usr/bin/narrate" --version | grep -qx 'narrate [0-9.]*' || fail "narrate --version"
voices=$("$usr/bin/narrate" --voices) || fail "narrate --voices"
[ "$(printf '%s\n' "$voices" | head -1 | cut -f1)" = 1 ] || fail "narrate --voices: $voices"
help=$("${nodisplay[@]}" "$usr/bin/Varnel" --help 2>&1) || fail "Varnel --help without a display: $help"
printf '%s\n' "$help" | grep -q '^usage: Varnel' || fail "Varnel --help printed: $help"
version=$("${nodisplay[@]}" "$usr/bin/Varnel" --version 2>&1) || fail "Varnel --version: $version"
[ "$version" = "$("$usr/bin/narrate" --version | sed 's/^narrate/Varnel/')" ] || fail "Varnel --version: $version"

if [ "$failures" -ne 0 ]; then
  echo "$failures failures" >&2
  exit 1
fi
echo "installed layout, validators, manual pages and programs: all as expected"
