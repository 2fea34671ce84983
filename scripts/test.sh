#!/usr/bin/env bash
# The whole test suite: set-up, a short run of every fuzz target, then the tests under ASan+UBSan
# and the threaded tests again under TSan.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

bash "$root/scripts/setup.sh"
bash "$root/scripts/install-test-peers.sh"

bash "$root/scripts/run-fuzz.sh" 15

bash "$root/scripts/build.sh" asan -DCMAKE_BUILD_TYPE=Debug -DTREVALON_SANITIZE=address
ctest --test-dir "$root/build/asan" --output-on-failure -j2

bash "$root/scripts/build.sh" tsan -DCMAKE_BUILD_TYPE=Debug -DTREVALON_SANITIZE=thread
ctest --test-dir "$root/build/tsan" --output-on-failure -L threaded
