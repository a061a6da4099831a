#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs every fuzz target of a ZENTRIX_FUZZ build for a while on its seed
# corpus (tests/fuzz/corpus/NAME for fuzz_NAME) and prints how many inputs
# each one ran. Inputs found on the way go to a scratch folder, never into
# the checked-in seeds. Fails when a target finds a crash.
#   scripts/run-fuzz.sh BUILD_DIR [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."

build=$1
seconds=${2:-30}
seeds=tests/fuzz/corpus
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

status=0
for target in "$build"/tests/fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    name=$(basename "$target")
    name=${name#fuzz_}
    mkdir -p "$scratch/$name"
    log="$scratch/$name.log"
    corpora=("$scratch/$name")
    if [ -d "$seeds/$name" ]; then
        corpora+=("$seeds/$name")
    else
        echo "fuzz $name: no seeds in $seeds/$name, starting from nothing"
    fi
    if "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$scratch/$name-" \
        "${corpora[@]}" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        printf 'fuzz %-10s %10s inputs in %ss: no crash\n' "$name" "${runs:-?}" "$seconds"
    else
        status=1
        echo "fuzz $name FAILED; its log:"
        tail -n 60 "$log"
        for crash in "$scratch/$name"-*; do
            [ -e "$crash" ] && echo "input: $(basename "$crash") ($(od -An -c -N 200 "$crash" | tr -s ' '))"
        done
    fi
done
exit $status
