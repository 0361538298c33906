#!/usr/bin/env bash
# The main job of `make run`: starts Varnel on a desktop; without a display (or
# with a text file named) renders a sample text into a WAV file with narrate and
# says where the file is.
# Usage: scripts/run.sh <build folder> [text file]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
text=${2:-$root/examples/english.txt}
# On a desktop (and with no text file named) the main job is the dialog program;
# it keeps its settings (set.ini) in the folder it starts in, here the build folder.
if [ -z "${2:-}" ]; then
  if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$build/Varnel" ]; then
    echo "Starting Varnel (settings in $build/set.ini); close it to end."
    cd "$build"
    exec "$build/Varnel"
  fi
  echo "No display: rendering the example with narrate instead of starting Varnel."
fi

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
