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
# the text without them. narrate speaks with espeak-ng's first English voice, found
# in its list by description (its voice 1 is flite's when flite is installed).
export LC_ALL=C.UTF-8
read -r voice description < <(espeak-ng --voices=en | awk 'NR == 2 { gsub("_", " ", $4); print $5, $4 }')
number=$("$narrate" --voices | awk -F '\t' -v d="$description" '$2 == d { print $1; exit }')
[ -n "$number" ] || { echo "narrate --voices lists no \"$description\""; exit 1; }

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
echo "== narrate vs espeak-ng -w: 20 KB text, voice $voice (narrate's $number), 175 words a minute, full volume"
# The three take turns, round after round, in an order that flips each round, so that
# a machine whose speed drifts (a shared host) weighs on all three alike; a ratio is
# taken within each round, and the median of the rounds is reported.
espeak_cmd=(espeak-ng -v "$voice" -s 175 -a 100 -w "$work/e.wav" -f "$work/20k.txt")
narrate_cmd=("$narrate" "$work/20k.txt" "$work/n.wav" "$number" 0 100)
one_piece_cmd=("$one_piece" "$work/20k.txt" "$work/o.wav" "$number" 0 100)
# One run: "name wall user system", in seconds. Each starts on a quiet disk: what the
# run before left for the disk to write would otherwise slow the next one down.
timed() {
  local name=$1 start end
  shift
  sync
  start=$(date +%s%N)
  /usr/bin/time -f "%U %S" -o "$work/cpu" "$@" >/dev/null 2>&1
  end=$(date +%s%N)
  echo "$name $(((end - start) / 1000)) $(cat "$work/cpu")"
}
"${espeak_cmd[@]}" >/dev/null 2>&1 && "${narrate_cmd[@]}" >/dev/null 2>&1  # warm the caches
: >"$work/times"
for round in 1 2 3 4 5 6 7 8; do
  if ((round % 2)); then order=(espeak-ng narrate one-piece); else order=(one-piece narrate espeak-ng); fi
  for name in "${order[@]}"; do
    case $name in
      espeak-ng) timed "$round:$name" "${espeak_cmd[@]}" ;;
      narrate) timed "$round:$name" "${narrate_cmd[@]}" ;;
      one-piece) timed "$round:$name" "${one_piece_cmd[@]}" ;;
    esac
  done >>"$work/times"
done
awk -f - "$work/times" <<'AWK'
function median(list, n,   i, j, t) {
  for (i = 2; i <= n; i++) for (j = i; j > 1 && list[j - 1] > list[j]; j--) { t = list[j]; list[j] = list[j - 1]; list[j - 1] = t }
  return n % 2 ? list[(n + 1) / 2] : (list[n / 2] + list[n / 2 + 1]) / 2
}
{ split($1, key, ":"); wall[key[2], key[1]] = $2 / 1e6; user[key[2]] += $3; sys[key[2]] += $4; runs[key[2]]++; rounds[key[1]] = 1 }
END {
  for (name in runs) {
    n = 0; for (r in rounds) w[++n] = wall[name, r]
    printf "%-10s wall %.3f s median of %d; CPU user %.3f s, system %.3f s (mean)\n", name, median(w, n), n, user[name] / runs[name], sys[name] / runs[name]
  }
  n = 0; for (r in rounds) q[++n] = wall["narrate", r] / wall["espeak-ng", r]
  m = median(q, n)  # sorts q
  printf "narrate / espeak-ng wall time: %.3f median of the rounds, %.3f to %.3f (goal: at most 0.6 on two cores)\n", m, q[1], q[n]
  n = 0; for (r in rounds) q[++n] = wall["one-piece", r] / wall["espeak-ng", r]
  m = median(q, n)
  printf "one-piece narrate / espeak-ng wall time: %.3f median of the rounds, %.3f to %.3f\n", m, q[1], q[n]
}
AWK
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
printf 'audio: narrate %s, one-piece %s, espeak-ng %s\n' "$(soxi -d "$work/n.wav")" "$(soxi -d "$work/o.wav")" "$(soxi -d "$work/e.wav")"
awk -v p="$(samples "$work/n.wav")" -v o="$(samples "$work/o.wav")" \
  'BEGIN { printf "audio length, parallel / one-piece: %.4f (goal 0.99 to 1.01)\n", p / o }'

echo "== peak memory (KB): narrate's own max RSS, and narrate with its workers summed (sampled)"
for size in 1k 100k; do
  /usr/bin/time -f "%M %e" -o "$work/mem.$size" "$narrate" "$work/$size.txt" "$work/m.wav" "$number" 0 100 >/dev/null
  read -r kb seconds <"$work/mem.$size"
  total=$(peak_total_rss "$narrate" "$work/$size.txt" "$work/m.wav" "$number" 0 100)
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
/usr/bin/time -f "%e %M" -o "$work/big.n" "$narrate" "$work/1m.txt" "$work/big.wav" "$number" 0 100 >/dev/null
read -r n_wall n_rss <"$work/big.n"
n_samples=$(samples "$work/big.wav")
rm -f "$work/big.wav"
total=$(peak_total_rss "$narrate" "$work/1m.txt" "$work/big.wav" "$number" 0 100)
rm -f "$work/big.wav"
/usr/bin/time -f "%e" -o "$work/big.e" espeak-ng -v "$voice" -s 175 -a 100 -w "$work/big.wav" -f "$work/1m.txt"
e_wall=$(cat "$work/big.e")
rm -f "$work/big.wav"
/usr/bin/time -f "%e" -o "$work/big.o" "$one_piece" "$work/1m.txt" "$work/big.wav" "$number" 0 100 >/dev/null
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
