#!/usr/bin/env bash
# Configures and builds into build/ (or the folder given as the first argument); any further
# arguments go to CMake's configure step. Warnings are errors here, as in CI.
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${1:-build}"
shift || true
cmake -S . -B "$dir" -G Ninja -DTARVO_WERROR=ON "$@" >/dev/null
cmake --build "$dir"
