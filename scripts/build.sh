#!/usr/bin/env bash
# scripts/build.sh <name> [cmake options...]: configures (once) and builds build/<name>.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
name=$1
shift
build="$root/build/$name"
generator=()
[ -f "$build/CMakeCache.txt" ] || generator=(-G Ninja)
cmake -S "$root" -B "$build" "${generator[@]}" "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
