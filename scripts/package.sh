#!/usr/bin/env bash
# Builds the Debian package and prints its path. Without an argument it makes a release build
# of the programs alone in build-package/; given a build folder (CI gives build/), it packages
# that one, building whatever is missing in it first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
if [ $# -eq 0 ]; then
    dir=build-package
    scripts/build.sh "$dir" -DCMAKE_BUILD_TYPE=Release -DTARVO_BUILD_TESTS=OFF \
        -DTARVO_BUILD_BENCH=OFF -DTARVO_BUILD_FUZZ=OFF
else
    dir="$1"
    scripts/build.sh "$dir"
fi
rm -f "$dir"/package/*.deb
cpack --config "$dir/CPackConfig.cmake" >"$dir/cpack.log" || { cat "$dir/cpack.log"; exit 1; }
ls "$PWD/$dir"/package/*.deb
