#!/usr/bin/env bash
# Sets up, builds and runs every test through CTest, headless: installs what the whole build
# and its tests need (the package's own checks come with scripts/package.sh), builds everything.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh editor tests
scripts/build.sh build
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j2
