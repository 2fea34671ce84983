#!/usr/bin/env bash
# The manager benchmark: TrevalonManager (offscreen, with a probe on its window thread) and
# TrevalonService side by side, file and table on, each climbing a ladder of UDP rates for 30 s
# per rate. Reports the highest lossless rate, the window thread's stall (p99 and max lateness of
# a 10 ms timer) and resident memory at the start, end of sending and end of draining.
#
#   bash bench/manager/run.sh [options of bench/reception/reception_bench.py]
#
# Needs root (the MariaDB start script). Takes 15 to 30 minutes with the defaults.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build="$root/build/manager-bench"

bash "$root/scripts/install-deps.sh"
bash "$root/scripts/start-mariadb.sh" >/dev/null

generator=()
[ -f "$build/CMakeCache.txt" ] || generator=(-G Ninja)
cmake -S "$root" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release -DTREVALON_TESTS=OFF \
    -DTREVALON_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target TrevalonService TrevalonManager manager_bench_host \
    udp_rate_sender
cmake --install "$build" --prefix "$build/install" >/dev/null

mkdir -p "$build/runs"
exec python3 "$root/bench/reception/reception_bench.py" --installation "$build/install" \
    --sender "$build/bench/udp_rate_sender" --manager "$build/bench/manager_bench_host" \
    --work "$build/runs" --receivers manager,trevalon --modes file+table \
    --table-rates 10000,20000,25000,30000,40000 --table-seconds 30 "$@"
