#!/usr/bin/env bash
# The whole test suite: set-up, a short run of every fuzz target, then the tests under ASan+UBSan
# and the threaded tests again under TSan.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

bash "$root/scripts/setup.sh"
bash "$root/scripts/install-test-peers.sh"
# The tests' own account: the system's database and scratch databases named trevalon_test_*.
# Every checkout on this machine shares it, as it shares the server.
account_file=${TREVALON_TEST_DATABASE_INI:-${XDG_CONFIG_HOME:-$HOME/.config}/varnholt/test-database.ini}
bash "$root/scripts/database-account.sh" trevalon_test "$account_file" \
  trevalon 'trevalon\_test\_%'

bash "$root/scripts/run-fuzz.sh" 15

bash "$root/scripts/build.sh" asan -DCMAKE_BUILD_TYPE=Debug -DTREVALON_SANITIZE=address \
  -DTREVALON_WERROR=ON
ctest --test-dir "$root/build/asan" --output-on-failure -j2

bash "$root/scripts/build.sh" tsan -DCMAKE_BUILD_TYPE=Debug -DTREVALON_SANITIZE=thread \
  -DTREVALON_WERROR=ON
ctest --test-dir "$root/build/tsan" --output-on-failure -L threaded
