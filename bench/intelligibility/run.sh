#!/usr/bin/env bash
# How clearly each installed English voice speaks: narrate renders the sentences of
# sentences.txt one by one with every English voice, pocketsphinx (Debian's US English
# model) transcribes them, and the word-error rate against the sentences ranks the
# voices, best first. The engine's first English voice follows this ranking
# (platform/speech/english_voice_ranking.cpp).
# Usage: bench/intelligibility/run.sh <build folder> [--all-english]
# By default espeak-ng's British and American voices stand for its English; with
# --all-english every regional one is measured too (twice the time).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: bench/intelligibility/run.sh <build folder> [--all-english]}" && pwd)
espeak_voices='^English [(](Great Britain|America)[)]$'
[ "${2:-}" = --all-english ] && espeak_voices='^English [(]'
narrate="$build/narrate"
model=/usr/share/pocketsphinx/model/en-us
for tool in sox pocketsphinx_batch; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/install-deps.sh installs it)"; exit 0; }
done
[ -d "$model/en-us" ] || { echo "pocketsphinx-en-us is missing (scripts/install-deps.sh installs it)"; exit 0; }

work=$(mktemp -d /tmp/varnel-intelligibility.XXXXXX)
trap 'rm -rf "$work"' EXIT

# The voices by their number under a fixed locale: espeak-ng's English voices
# ("English (...)") and flite's (", flite").
export LC_ALL=C.UTF-8
"$narrate" --voices | awk -F '\t' -v espeak="$espeak_voices" '$2 ~ espeak || $2 ~ /, flite$/' >"$work/voices"
[ -s "$work/voices" ] || { echo "narrate lists no English voice"; exit 1; }

# One text and one 16 kHz mono WAV per voice and sentence: a sentence on its own is
# one utterance for the recogniser, and one voice's slip cannot shift the next.
mapfile -t sentences < <(grep -v '^[[:space:]]*$' "$here/sentences.txt")
: >"$work/ctl"
for i in "${!sentences[@]}"; do
  printf '%s\n' "${sentences[$i]}" >"$work/s$i.txt"
  printf 's%s\t%s\n' "$i" "${sentences[$i]}" >>"$work/reference"
done
while IFS=$'\t' read -r number description; do
  for i in "${!sentences[@]}"; do
    "$narrate" "$work/s$i.txt" "$work/v$number-s$i.22k.wav" "$number" 0 100 >/dev/null
    sox -q "$work/v$number-s$i.22k.wav" -r 16000 -c 1 -b 16 "$work/v$number-s$i.wav"
    rm "$work/v$number-s$i.22k.wav"
    echo "v$number-s$i" >>"$work/ctl"
  done
done <"$work/voices"

# One recogniser run for all files: the model loads once.
pocketsphinx_batch -hmm "$model/en-us" -lm "$model/en-us.lm.bin" -dict "$model/cmudict-en-us.dict" \
  -ctl "$work/ctl" -cepdir "$work" -cepext .wav -adcin yes -adchdr 44 -hyp "$work/hyp" >"$work/log" 2>&1 ||
  { tail -5 "$work/log"; exit 1; }

echo "${#sentences[@]} sentences, $(wc -l <"$work/voices") voices, rate 0; recogniser: pocketsphinx-en-us" \
  "$(dpkg-query -W -f='${Version}' pocketsphinx-en-us 2>/dev/null || echo '(version unknown)')"
# Word-level edit distance per sentence, summed per voice, over the sentence's words.
awk -F '\t' -v voices="$work/voices" -v hyp="$work/hyp" '
function words(text, list,   n) {
  text = tolower(text)
  gsub(/\([0-9]+\)/, "", text)          # alternative pronunciations: the(2)
  gsub(/[^a-z0-9 ]/, "", text)
  return split(text, list, " ")
}
function distance(a, n, b, m,   i, j, d, cost) {
  for (j = 0; j <= m; j++) d[0, j] = j
  for (i = 1; i <= n; i++) {
    d[i, 0] = i
    for (j = 1; j <= m; j++) {
      cost = d[i - 1, j - 1] + (a[i] != b[j])
      if (d[i - 1, j] + 1 < cost) cost = d[i - 1, j] + 1
      if (d[i, j - 1] + 1 < cost) cost = d[i, j - 1] + 1
      d[i, j] = cost
    }
  }
  return d[n, m]
}
{ reference[$1] = $2 }
END {
  while ((getline line < voices) > 0) { split(line, f, "\t"); name[f[1]] = f[2]; order[++count] = f[1] }
  while ((getline line < hyp) > 0) {
    if (!match(line, /\([^ ()]+ -?[0-9]+\)$/)) continue
    id = substr(line, RSTART + 1); sub(/ .*/, "", id)
    heard[id] = substr(line, 1, RSTART - 1)
  }
  for (k = 1; k <= count; k++) {
    v = order[k]; errors = 0; total = 0
    for (s in reference) {
      n = words(reference[s], r); m = words(heard["v" v "-" s], h)
      errors += distance(r, n, h, m); total += n
    }
    rate[k] = errors / total; err[k] = errors; all[k] = total
  }
  for (i = 2; i <= count; i++)  # best first; a tie keeps the listing order
    for (j = i; j > 1 && rate[j - 1] > rate[j]; j--) {
      t = rate[j]; rate[j] = rate[j - 1]; rate[j - 1] = t
      t = order[j]; order[j] = order[j - 1]; order[j - 1] = t
      t = err[j]; err[j] = err[j - 1]; err[j - 1] = t
    }
  for (k = 1; k <= count; k++)
    printf "%5.1f%% word errors (%3d of %d)  voice %3d  %s\n", 100 * rate[k], err[k], all[k], order[k], name[order[k]]
}' "$work/reference"
