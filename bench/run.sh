#!/usr/bin/env bash
# Benchmarks of the build in <build folder>: narrate against espeak-ng -w and
# against its own one-piece rendering on the same text, voice and speed (wall time,
# audio length), narrate's peak memory for a small, a large and a 1 MB text. Then
# every bench/<name>/run.sh, given the same folder.
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
make_text 1000000 "$work/1m.txt"

# narrate renders a long text on a worker process per core (varnel-synth, found
# beside it); a copy without the worker beside it renders in one piece.
mkdir "$work/one-piece"
cp "$narrate" "$work/one-piece/narrate"
one_piece="$work/one-piece/narrate"

samples() { soxi -s "$1"; }

# Peak of the summed resident memory of a program and its children (KB), sampled.
peak_total_rss() {
  "$@" >/dev/null &
  local pid=$! peak=0 sum
  while kill -0 "$pid" 2>/dev/null; do
    sum=$(ps -o rss= -p "$pid" --ppid "$pid" 2>/dev/null | awk '{ s += $1 } END { print s + 0 }')
    [ "$sum" -gt "$peak" ] && peak=$sum
    sleep 0.02
  done
  wait "$pid"
  echo "$peak"
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
echo "== narrate vs espeak-ng -w: 20 KB text, voice $voice, 175 words a minute, full volume"
hyperfine --style basic --warmup 1 --runs 5 --export-csv "$work/times.csv" \
  -n narrate "'$narrate' '$work/20k.txt' '$work/n.wav' 1 0 100" \
  -n espeak-ng "espeak-ng -v '$voice' -s 175 -a 100 -w '$work/e.wav' -f '$work/20k.txt'" \
  -n one-piece "'$one_piece' '$work/20k.txt' '$work/o.wav' 1 0 100" >/dev/null
# CSV columns: command, mean, stddev, median, user, system, min, max.
awk -F, 'NR > 1 { mean[$1] = $2; user[$1] = $5; sys[$1] = $6; min[$1] = $7 } END {
  for (name in mean)
    printf "%-10s wall %.3f s mean, %.3f s min; CPU user %.3f s, system %.3f s\n", name, mean[name], min[name], user[name], sys[name]
  printf "narrate / espeak-ng wall time: %.3f mean, %.3f min (goal: at most 0.6 on two cores)\n", \
    mean["narrate"] / mean["espeak-ng"], min["narrate"] / min["espeak-ng"]
  printf "one-piece narrate / espeak-ng wall time: %.3f mean\n", mean["one-piece"] / mean["espeak-ng"]
}' "$work/times.csv"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
printf 'audio: narrate %s, one-piece %s, espeak-ng %s\n' "$(soxi -d "$work/n.wav")" "$(soxi -d "$work/o.wav")" "$(soxi -d "$work/e.wav")"
awk -v p="$(samples "$work/n.wav")" -v o="$(samples "$work/o.wav")" \
  'BEGIN { printf "audio length, parallel / one-piece: %.4f (goal 0.99 to 1.01)\n", p / o }'

echo "== peak memory (KB): narrate's own max RSS, and narrate with its workers summed (sampled)"
for size in 1k 100k; do
  /usr/bin/time -f "%M %e" -o "$work/mem.$size" "$narrate" "$work/$size.txt" "$work/m.wav" 1 0 100 >/dev/null
  read -r kb seconds <"$work/mem.$size"
  total=$(peak_total_rss "$narrate" "$work/$size.txt" "$work/m.wav" 1 0 100)
  [ "$total" -lt "$kb" ] && total=$kb  # a short run can end between two samples
  printf '%-5s text: %6d KB max RSS, %6d KB with workers, %5.2f s, WAV %s\n' "$size" "$kb" "$total" "$seconds" \
    "$(stat -c %s "$work/m.wav")"
  echo "$kb $total" >"$work/total.$size"
done
read -r small_kb small_total <"$work/total.1k"
read -r large_kb large_total <"$work/total.100k"
awk -v a="$small_kb" -v b="$large_kb" -v c="$small_total" -v d="$large_total" \
  'BEGIN { printf "growth 1 KB -> 100 KB: %.2f largest process, %.2f with workers summed (goal at most 1.3, under 64 MiB)\n", b / a, d / c }'
/usr/bin/time -f "%M" -o "$work/mem.e" espeak-ng -v "$voice" -w "$work/e.wav" -f "$work/100k.txt"
printf 'espeak-ng -w on the 100k text: %d KB max RSS\n' "$(cat "$work/mem.e")"

echo "== 1 MB text, one run each"
/usr/bin/time -f "%e %M" -o "$work/big.n" "$narrate" "$work/1m.txt" "$work/big.wav" 1 0 100 >/dev/null
read -r n_wall n_rss <"$work/big.n"
n_samples=$(samples "$work/big.wav")
rm -f "$work/big.wav"
total=$(peak_total_rss "$narrate" "$work/1m.txt" "$work/big.wav" 1 0 100)
rm -f "$work/big.wav"
/usr/bin/time -f "%e" -o "$work/big.e" espeak-ng -v "$voice" -s 175 -a 100 -w "$work/big.wav" -f "$work/1m.txt"
e_wall=$(cat "$work/big.e")
rm -f "$work/big.wav"
/usr/bin/time -f "%e" -o "$work/big.o" "$one_piece" "$work/1m.txt" "$work/big.wav" 1 0 100 >/dev/null
o_wall=$(cat "$work/big.o")
o_samples=$(samples "$work/big.wav")
rm -f "$work/big.wav"
awk -v n="$n_wall" -v e="$e_wall" -v o="$o_wall" -v ns="$n_samples" -v os="$o_samples" -v rss="$n_rss" -v total="$total" \
  'BEGIN { printf "wall: narrate %.2f s, espeak-ng %.2f s, one-piece %.2f s; narrate / espeak-ng %.3f\n", n, e, o, n / e
           printf "audio length, parallel / one-piece: %.4f\n", ns / os
           printf "peak memory: %d KB max RSS, %d KB with workers\n", rss, total }'
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"

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
