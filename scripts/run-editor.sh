#!/usr/bin/env bash
# Sets up, builds and starts the editor, and keeps running until the editor is closed. It
# installs only what the editor needs and builds only the editor and the virtual pedal program
# (with what they link) in build-editor/: no tests, benchmarks, fuzz targets or install files,
# which scripts/run-tests.sh builds in build/. The editor starts in demo mode (--demo: the
# virtual pedal listed before any real one); TARVO_MAX_VIRTUAL_PEDAL=0 starts it with real
# bridges only.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh editor
dir=build-editor
cmake -S . -B "$dir" -G Ninja -DTARVO_WERROR=ON -DTARVO_BUILD_TESTS=OFF -DTARVO_BUILD_BENCH=OFF \
    -DTARVO_BUILD_FUZZ=OFF -DTARVO_INSTALL=OFF >/dev/null
cmake --build "$dir" --target tarvo-max-editor tarvo-max-virtual-pedal
if [ "${TARVO_MAX_VIRTUAL_PEDAL:-1}" = 0 ]; then
    exec "$dir/bin/tarvo-max-editor"
fi
exec "$dir/bin/tarvo-max-editor" --demo
