#!/usr/bin/env bash
# Local-server figures of the build in <build folder>.
# Usage: bench/com/run.sh <build folder>
set -euo pipefail
build=$(cd "${1:?usage: bench/com/run.sh <build folder>}" && pwd)
"$build/local_server_bench"
