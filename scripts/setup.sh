#!/usr/bin/env bash
# The shared set-up of both README commands: packages, a release build laid out as an
# installation in install/, the registry pointed at it, and a running local MariaDB.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" release -DCMAKE_BUILD_TYPE=Release -DTREVALON_TESTS=OFF
cmake --install "$root/build/release" --prefix "$root/install" >/dev/null

# The installer's registry entry: the machine hive names the installation folder.
mkdir -p /etc/varnholt
printf '[Software\\varnholt\\Trevalon\\Settings]\nAppPath=%s\n' "$root/install" \
  > /etc/varnholt/registry.ini

bash "$root/scripts/start-mariadb.sh"
echo "setup: installation in $root/install"
