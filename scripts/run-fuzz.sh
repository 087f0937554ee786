#!/usr/bin/env bash
# Runs every fuzz program built in BUILD_DIR (a clang build: see fuzz/CMakeLists.txt) for
# SECONDS seconds each, each on a copy of its seed corpus and kept crash inputs in a scratch
# folder, so nothing is ever written into the source tree. Fails if any of them finds a crash,
# a hang, a leak or a runaway allocation, and says where the input that did it was written:
# keep it under fuzz/regressions/<name>/ once it is fixed.
#
#   scripts/run-fuzz.sh build-fuzz 300
set -euo pipefail

if [ $# -ne 2 ] || ! [[ "$2" =~ ^[0-9]+$ ]]; then
    echo "usage: $0 BUILD_DIR SECONDS" >&2
    exit 2
fi
build="$1"
seconds="$2"
source_dir="$(cd "$(dirname "$0")/.." && pwd)"

mapfile -t programs < <(find "$build/fuzz" -maxdepth 1 -type f -perm -u+x -name 'fuzz_*' \
                             ! -name '*_regressions' 2>/dev/null | sort)
if [ ${#programs[@]} -eq 0 ]; then
    echo "no fuzz programs in $build/fuzz: they are built only with clang" >&2
    exit 2
fi

scratch="$(mktemp -d "${TMPDIR:-/tmp}/tarvo-fuzz.XXXXXX")"
echo "scratch folder: $scratch"
failed=()
for program in "${programs[@]}"; do
    name="$(basename "$program")"
    name="${name#fuzz_}"
    work="$scratch/$name"
    mkdir -p "$work/corpus" "$work/artifacts"
    for seeds in "$source_dir/fuzz/corpus/$name" "$source_dir/fuzz/regressions/$name"; do
        [ -d "$seeds" ] && find "$seeds" -maxdepth 1 -type f ! -name '.*' -exec cp {} "$work/corpus/" \;
    done
    echo "== fuzz_$name for ${seconds}s (log: $work/log)"
    # -timeout: an input that takes this long counts as a hang; -rss_limit_mb: as a runaway.
    if "$program" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$work/artifacts/" -print_final_stats=1 "$work/corpus" >"$work/log" 2>&1; then
        grep -E '^#[0-9]+[[:space:]]+DONE' "$work/log" | tail -n 1 || true
    else
        failed+=("$name")
        echo "fuzz_$name FAILED; the last of its log:"
        tail -n 30 "$work/log"
        for artifact in "$work/artifacts"/*; do
            [ -e "$artifact" ] && echo "input that did it: $artifact"
        done
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "failed: ${failed[*]} (inputs and logs are kept in $scratch)" >&2
    exit 1
fi
echo "no crashes; the grown corpora are in $scratch"
