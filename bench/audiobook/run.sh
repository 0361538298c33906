#!/usr/bin/env bash
# Audiobook output: narrate straight to Opus and MP3 against espeak-ng piped into
# the reference encoders, on the same 20 KB text, voice and speed; the length of
# what each wrote; narrate's peak memory for a 1 KB and a 100 KB text to Opus.
# Usage: bench/audiobook/run.sh <build folder>
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:?usage: bench/audiobook/run.sh <build folder>}" && pwd)
narrate="$build/narrate"
work=$(mktemp -d /tmp/varnel-audiobook-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8

for tool in opusenc lame ffprobe; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/install-deps.sh installs it)"; exit 1; }
done

# espeak-ng's first English voice, and its number among narrate's voices.
voice=$(espeak-ng --voices=en | awk 'NR == 2 { print $5 }')
described=$(espeak-ng --voices=en | awk 'NR == 2 { gsub("_", " ", $4); print $4 }')
number=$("$narrate" --voices | awk -F'\t' -v want="$described" '$2 == want { print $1; exit }')
[ -n "$number" ] || { echo "narrate has no voice \"$described\""; exit 1; }

make_text() {
  local size=$1 file=$2
  : >"$file"
  while [ "$(stat -c %s "$file")" -lt "$size" ]; do
    tr -d '.,$' <"$root/examples/english.txt" >>"$file"
    tr -d '.,$' <"$root/examples/lighthouse.txt" >>"$file"
  done
  head -c "$size" "$file" >"$file.cut" && mv "$file.cut" "$file"
}
make_text 20000 "$work/20k.txt"
make_text 1000 "$work/1k.txt"
make_text 100000 "$work/100k.txt"

seconds() { ffprobe -v error -show_entries format=duration -of csv=p=0 "$1"; }

# One timed run: wall seconds.
timed() {
  local start end
  sync
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s%N)
  awk -v ns=$((end - start)) 'BEGIN { printf "%.3f", ns / 1e9 }'
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores; voice $voice (narrate's $number)"
espeak=(espeak-ng -v "$voice" -s 175 -a 100 --stdout -f "$work/20k.txt")
for format in opus mp3; do
  case $format in
    opus) encoder=(opusenc --quiet --bitrate 24 - "$work/e.opus"); reference="espeak-ng | opusenc --bitrate 24" ;;
    mp3) encoder=(lame --quiet -V 7 - "$work/e.mp3"); reference="espeak-ng | lame -V 7" ;;
  esac
  echo "== 20 KB text to .$format: narrate against $reference"
  : >"$work/ratios"
  for round in 1 2 3; do
    if ((round % 2)); then
      n=$(timed "$narrate" "$work/20k.txt" "$work/n.$format" "$number" 0 100)
      e=$(timed bash -c '"${@:2:$1}" | "${@:$1+2}"' _ "${#espeak[@]}" "${espeak[@]}" "${encoder[@]}")
    else
      e=$(timed bash -c '"${@:2:$1}" | "${@:$1+2}"' _ "${#espeak[@]}" "${espeak[@]}" "${encoder[@]}")
      n=$(timed "$narrate" "$work/20k.txt" "$work/n.$format" "$number" 0 100)
    fi
    echo "round $round: narrate $n s, $reference $e s"
    awk -v n="$n" -v e="$e" 'BEGIN { print n / e }' >>"$work/ratios"
  done
  sort -n "$work/ratios" | awk '{ r[NR] = $1 } END { printf "narrate / reference wall time: %.3f median of 3, %.3f to %.3f (goal: at most 0.6 on two cores)\n", r[2], r[1], r[3] }'
  awk -v n="$(seconds "$work/n.$format")" -v e="$(seconds "$work/e.$format")" -v sn="$(stat -c %s "$work/n.$format")" \
    -v se="$(stat -c %s "$work/e.$format")" \
    'BEGIN { printf "audio: narrate %.2f s in %d bytes, reference %.2f s in %d bytes; length ratio %.4f (goal within 1%%)\n", n, sn, e, se, n / e }'
done

echo "== peak memory (KB) to .opus: narrate's own max RSS"
for size in 1k 100k; do
  /usr/bin/time -f "%M" -o "$work/mem.$size" "$narrate" "$work/$size.txt" "$work/m.opus" "$number" 0 100 >/dev/null
  printf '%-5s text: %6d KB\n' "$size" "$(cat "$work/mem.$size")"
done
awk -v a="$(cat "$work/mem.1k")" -v b="$(cat "$work/mem.100k")" \
  'BEGIN { printf "growth 1 KB -> 100 KB: %.2f (goal at most 1.3)\n", b / a }'
