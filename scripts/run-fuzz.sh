#!/usr/bin/env bash
# Builds the libFuzzer targets in build/fuzz and runs each for the given number of seconds.
# Exits non-zero on any finding; prints the number of executions per target.
#
#   bash scripts/run-fuzz.sh <seconds> [target ...]     (default: every fuzz/*_fuzz.cpp)
set -euo pipefail

seconds="${1:-}"
if [[ ! "$seconds" =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: $0 <seconds> [target ...]" >&2
    exit 2
fi
shift

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build/fuzz"

targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
    for source in "$root"/fuzz/*_fuzz.cpp; do
        name="$(basename "$source" .cpp)"
        targets+=("${name%_fuzz}")
    done
fi

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja \
    -DTREVALON_FUZZ=ON -DTREVALON_TESTS=OFF -DTREVALON_SANITIZE=address -DTREVALON_WERROR=ON >/dev/null
cmake --build "$build" --target "${targets[@]/%/_fuzz}" -j2

for target in "${targets[@]}"; do
    seeds="$root/fuzz/corpus/$target"
    # Inputs libFuzzer finds go here, so the checked-in seeds stay as they are.
    work="$build/$target"
    mkdir -p "$work/corpus" "$work/artifacts" "$seeds"
    log="$work/last-run.log"
    status=0
    "$build/fuzz/${target}_fuzz" \
        -max_total_time="$seconds" -max_len=4096 -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$work/artifacts/" \
        "$work/corpus" "$seeds" >"$log" 2>&1 || status=$?

    executions="$(sed -n 's/^stat::number_of_executed_units: *\([0-9]*\).*/\1/p' "$log" | tail -n 1)"
    if [[ -z "$executions" ]]; then
        # A finding ends the run before the final statistics; take the last progress line instead.
        executions="$(sed -n 's/^#\([0-9]*\).*/\1/p' "$log" | tail -n 1)"
    fi
    echo "${target}_fuzz: ${executions:-unknown} executions in up to $seconds s (log: $log)"

    if [[ "$status" -ne 0 ]]; then
        tail -n 40 "$log" >&2
        echo "${target}_fuzz: FINDING (exit status $status); inputs in $work/artifacts/" >&2
        exit 1
    fi
done
