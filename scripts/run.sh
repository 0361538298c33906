#!/usr/bin/env bash
# The main job of `make run`: renders a sample text into a WAV file with narrate
# and says where the file is.
# Usage: scripts/run.sh <build folder> [text file]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
text=${2:-$root/examples/english.txt}
out_dir="$build/narrated"
mkdir -p "$out_dir"
wav="$out_dir/$(basename "${text%.*}").wav"

echo "Rendering $text with narrate (voice 1, rate 0, volume 100)..."
status=0
"$build/narrate" "$text" "$wav" 1 0 100 || status=$?
echo
if [ "$status" -ne 0 ]; then
  echo "narrate failed with exit code $status" >&2
  exit "$status"
fi
echo "WAV file: $wav"
if command -v soxi >/dev/null 2>&1; then
  echo "Duration: $(soxi -d "$wav")"
fi
