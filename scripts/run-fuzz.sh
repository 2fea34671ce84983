#!/usr/bin/env bash
# Builds the syslog reader fuzz target in build/fuzz and runs it for the given number of seconds.
# Exits non-zero on any finding; prints the number of executions.
#
#   bash scripts/run-fuzz.sh <seconds>
set -euo pipefail

seconds="${1:-}"
if [[ ! "$seconds" =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: $0 <seconds>" >&2
    exit 2
fi

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build/fuzz"
seeds="$root/fuzz/corpus/syslog_reader"
# Inputs libFuzzer finds go here, so the checked-in seeds stay as they are.
work="$build/syslog_reader"

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja \
    -DTREVALON_FUZZ=ON -DTREVALON_TESTS=OFF -DTREVALON_SANITIZE=address >/dev/null
cmake --build "$build" --target syslog_reader_fuzz -j2

mkdir -p "$work/corpus" "$work/artifacts"
log="$work/last-run.log"
status=0
"$build/fuzz/syslog_reader_fuzz" \
    -max_total_time="$seconds" -max_len=2048 -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/" \
    "$work/corpus" "$seeds" >"$log" 2>&1 || status=$?

executions="$(sed -n 's/^stat::number_of_executed_units: *\([0-9]*\).*/\1/p' "$log" | tail -n 1)"
if [[ -z "$executions" ]]; then
    # A finding ends the run before the final statistics; take the last progress line instead.
    executions="$(sed -n 's/^#\([0-9]*\).*/\1/p' "$log" | tail -n 1)"
fi
echo "syslog_reader_fuzz: ${executions:-unknown} executions in up to $seconds s (log: $log)"

if [[ "$status" -ne 0 ]]; then
    tail -n 40 "$log" >&2
    echo "syslog_reader_fuzz: FINDING (exit status $status); inputs in $work/artifacts/" >&2
    exit 1
fi
