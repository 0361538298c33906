#!/usr/bin/env bash
# Renders a 1 MB and a 2.2 MB text with the built narrate and checks the WAV
# headers: the first must stay a plain RIFF file, the second (past 4 GiB of
# samples) must be RF64 whose ds64 sizes match the file, and sox must agree.
# Takes minutes and needs about 5 GB of free disk; not part of `make test`.
#   scripts/check-long-audio.sh [build folder] [work folder]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
work=${2:-$build/long-audio}
narrate="$build/narrate"
[ -x "$narrate" ] || { echo "no $narrate; build first" >&2; exit 2; }
mkdir -p "$work"
# espeak-ng's English (Great Britain), whose output the sizes below are reckoned for
# (voice 1 is flite's where flite is installed).
voice=$(LC_ALL=C.UTF-8 "$narrate" --voices | awk -F '\t' '$2 == "English (Great Britain)" { print $1; exit }')
[ -n "$voice" ] || { echo "narrate --voices lists no English (Great Britain)" >&2; exit 2; }

make_text() {  # bytes file
    local paragraph="The old ship left the harbour at dawn, and the sea was calm and grey. "
    : >"$2"
    while [ "$(stat -c %s "$2")" -lt "$1" ]; do
        for _ in $(seq 200); do printf '%s' "$paragraph"; done >>"$2"
    done
    truncate -s "$1" "$2"
}

u32() { od -An -t u4 -j "$2" -N 4 "$1" | tr -d ' '; }
u64() { od -An -t u8 -j "$2" -N 8 "$1" | tr -d ' '; }
id4() { dd if="$1" bs=1 skip="$2" count=4 status=none; }

failed=0
check() {  # description, condition result (0 = good)
    if [ "$2" -eq 0 ]; then echo "ok: $1"; else echo "FAILED: $1"; failed=1; fi
}

render() {  # name bytes
    local text="$work/$1.txt" wav="$work/$1.wav"
    make_text "$2" "$text"
    rm -f "$wav"
    local start=$SECONDS
    LC_ALL=C.UTF-8 "$narrate" "$text" "$wav" "$voice" >"$work/$1.out" 2>"$work/$1.err" || { cat "$work/$1.err"; return 1; }
    echo "$1: $(stat -c %s "$text") bytes of text -> $(stat -c %s "$wav") bytes of WAV in $((SECONDS - start)) s"
}

render text-1MB 1000000
wav="$work/text-1MB.wav"
size=$(stat -c %s "$wav")
[ "$(id4 "$wav" 0)" = RIFF ] && [ "$(id4 "$wav" 12)" = "fmt " ]; check "1 MB text gives a RIFF file" $?
[ $(( $(u32 "$wav" 4) + 8 )) -eq "$size" ]; check "RIFF size + 8 = file ($size)" $?
[ $(( $(u32 "$wav" 40) + 44 )) -eq "$size" ]; check "data size + 44 = file" $?
soxi "$wav" >/dev/null; check "soxi reads the RIFF file" $?

render text-2.2MB 2200000
wav="$work/text-2.2MB.wav"
size=$(stat -c %s "$wav")
[ "$size" -gt 4294967295 ]; check "the WAV passes 4 GiB ($size bytes)" $?
[ "$(id4 "$wav" 0)" = RF64 ] && [ "$(id4 "$wav" 12)" = ds64 ]; check "RF64 with ds64 first" $?
[ "$(u32 "$wav" 4)" -eq 4294967295 ]; check "RIFF size field is 0xFFFFFFFF" $?
riff=$(u64 "$wav" 20); data=$(u64 "$wav" 28); frames=$(u64 "$wav" 36)
[ $((riff + 8)) -eq "$size" ]; check "ds64 RIFF size + 8 = file ($((riff + 8)))" $?
[ "$(id4 "$wav" 48)" = "fmt " ] && [ "$(id4 "$wav" 72)" = data ]; check "fmt and data follow ds64" $?
[ $((data + 80)) -eq "$size" ]; check "ds64 data size + 80 = file" $?
block=$(od -An -t u2 -j 68 -N 2 "$wav" | tr -d ' ')
[ $((frames * block)) -eq "$data" ]; check "ds64 sample count x block align = data size" $?
rate=$(u32 "$wav" 60)
sox_samples=$(soxi -s "$wav")
[ "$sox_samples" -eq "$frames" ]; check "sox counts the same $frames samples ($(soxi -d "$wav"), $rate Hz)" $?
last=$(sox "$wav" -n trim "$(( frames - rate ))s" stat 2>&1 | sed -n 's/^Samples read: *//p')
[ "$last" = "$rate" ]; check "sox reads the last second ($last samples)" $?

rm -f "$work"/*.wav
exit "$failed"
