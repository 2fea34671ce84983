#!/usr/bin/env bash
# The reception benchmark: TrevalonService and rsyslog side by side against the local MariaDB,
# file only and file plus table, each climbing a ladder of UDP message rates.
#
#   bash bench/reception/run.sh [--installation DIR] [options of reception_bench.py]
#
# Without --installation, a release build is made in build/reception-bench and installed into
# build/reception-bench/install. Needs root (the MariaDB start script, rsyslog's packages).
# Takes 30 to 60 minutes with the defaults; reception_bench.py --help lists the knobs.
# --modes outage: file plus table at 20,000 msg/s for 60 s on a MariaDB server of the run's own,
# stopped for the middle 20 s (rows stored of sent, catch-up after its return, peak memory);
# --outage-kind stall holds every insert instead, --outage-length 0 leaves the server alone.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build="$root/build/reception-bench"

installation=""
if [[ "${1:-}" == "--installation" ]]; then
    installation=$(cd "$2" && pwd)
    shift 2
fi

bash "$root/scripts/install-deps.sh"
# ommysql feeds rsyslog's table; its package would offer to set up a database of its own.
if ! dpkg-query -W -f='${Status}' rsyslog-mysql 2>/dev/null | grep -q "install ok installed"; then
    echo "rsyslog-mysql rsyslog-mysql/dbconfig-install boolean false" | debconf-set-selections
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends rsyslog-mysql ||
        echo "run: rsyslog-mysql could not be installed; rsyslog is measured with its file only"
fi
bash "$root/scripts/start-mariadb.sh" >/dev/null

generator=()
[ -f "$build/CMakeCache.txt" ] || generator=(-G Ninja)
cmake -S "$root" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release -DTREVALON_TESTS=OFF \
    -DTREVALON_BENCH=ON >/dev/null
if [[ -z "$installation" ]]; then
    cmake --build "$build" -j2 --target TrevalonService udp_rate_sender
    cmake --install "$build" --prefix "$build/install" >/dev/null
    installation="$build/install"
else
    cmake --build "$build" -j2 --target udp_rate_sender
fi

mkdir -p "$build/runs"
exec python3 "$root/bench/reception/reception_bench.py" --installation "$installation" \
    --sender "$build/bench/udp_rate_sender" --work "$build/runs" "$@"
