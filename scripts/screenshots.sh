#!/usr/bin/env bash
# Screenshots of Varnel's main dialog and About box, rendered offscreen with the
# CJK font: scripts/screenshots.sh [build folder]. Writes <build>/screenshots/*.png.
set -euo pipefail
build="${1:-build}"
cmake --build "$build" --target varnel_screenshots >/dev/null
mkdir -p "$build/screenshots"
QT_QPA_PLATFORM=offscreen "$build/varnel_screenshots" "$build/screenshots" 2> >(grep -v -e 'does not support' -e 'XDG_RUNTIME_DIR' >&2)
