#!/usr/bin/env bash
# Varnel as automation server: start-up to `holding`, and a client's death to
# the end of its hidden instance. Usage: bench/automation/run.sh <build folder>
set -euo pipefail
build=$(cd "${1:?usage: bench/automation/run.sh <build folder>}" && pwd)
[ -x "$build/varnel_hold_bench" ] || { echo "varnel_hold_bench was not built (needs libX11 and libXtst)"; exit 0; }
VARNEL_BUILD_DIR="$build" "$build/varnel_hold_bench"
