#!/usr/bin/env bash
# Benchmarks of the build in <build folder>: narrate against espeak-ng -w on the
# same text, voice and speed (wall time), and narrate's peak memory for a small
# and a large text. Then every bench/<name>/run.sh, given the same folder.
# Usage: bench/run.sh <build folder>
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: bench/run.sh <build folder>}" && pwd)
narrate="$build/narrate"
work=$(mktemp -d /tmp/varnel-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

# Both programs get the same words: narrate drops . , $ itself, so espeak-ng gets
# the text without them. The locale makes narrate's voice 1 espeak-ng's first
# English voice.
export LC_ALL=C.UTF-8
voice=$(espeak-ng --voices=en | awk 'NR == 2 { print $5 }')

# A text of about $1 bytes from the English samples.
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

echo "== narrate vs espeak-ng -w: 20 KB text, voice $voice, 175 words a minute, full volume"
hyperfine --style basic --warmup 1 --runs 5 --export-csv "$work/times.csv" \
  -n narrate "'$narrate' '$work/20k.txt' '$work/n.wav' 1 0 100" \
  -n espeak-ng "espeak-ng -v '$voice' -s 175 -a 100 -w '$work/e.wav' -f '$work/20k.txt'" >/dev/null
# CSV columns: command, mean, stddev, median, user, system, min, max.
awk -F, 'NR > 1 { mean[$1] = $2; user[$1] = $5; sys[$1] = $6; min[$1] = $7 } END {
  for (name in mean)
    printf "%-10s wall %.3f s mean, %.3f s min; CPU user %.3f s, system %.3f s\n", name, mean[name], min[name], user[name], sys[name]
  printf "narrate / espeak-ng wall time: %.3f mean, %.3f min (goal: within 1.10)\n", \
    mean["narrate"] / mean["espeak-ng"], min["narrate"] / min["espeak-ng"]
}' "$work/times.csv"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
printf 'audio: narrate %s, espeak-ng %s\n' "$(soxi -d "$work/n.wav")" "$(soxi -d "$work/e.wav")"

echo "== peak memory (max RSS) of narrate"
for size in 1k 100k; do
  /usr/bin/time -f "%M %e" -o "$work/mem.$size" "$narrate" "$work/$size.txt" "$work/m.wav" 1 0 100 >/dev/null
  read -r kb seconds <"$work/mem.$size"
  printf '%-5s text: %6d KB max RSS, %5.2f s, WAV %s\n' "$size" "$kb" "$seconds" "$(stat -c %s "$work/m.wav")"
done
/usr/bin/time -f "%M" -o "$work/mem.e" espeak-ng -v "$voice" -w "$work/e.wav" -f "$work/100k.txt"
printf 'espeak-ng -w on the 100k text: %d KB max RSS\n' "$(cat "$work/mem.e")"

for program in speech_bench gui_startup_bench; do
  [ -x "$build/$program" ] || continue
  echo "== $program"
  if [ "$program" = gui_startup_bench ]; then QT_QPA_PLATFORM=offscreen "$build/$program"; else "$build/$program"; fi
done

for extra in "$root"/bench/*/run.sh; do
  [ -e "$extra" ] || continue
  echo "== $(basename "$(dirname "$extra")")"
  bash "$extra" "$build"
done
