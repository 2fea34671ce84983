#!/usr/bin/env bash
# The shared set-up of both README commands: packages, a release build laid out as an
# installation in install/, the registry pointed at it, a running local MariaDB, and the
# installation's own account on it (scripts/database-account.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" release -DCMAKE_BUILD_TYPE=Release -DTREVALON_TESTS=OFF \
  -DTREVALON_WERROR=ON
cmake --install "$root/build/release" --prefix "$root/install" >/dev/null

# The installer's registry entry: the machine hive names the installation folder.
mkdir -p /etc/varnholt
printf '[Software\\varnholt\\Trevalon\\Settings]\nAppPath=%s\n' "$root/install" \
  > /etc/varnholt/registry.ini

bash "$root/scripts/start-mariadb.sh"
bash "$root/scripts/database-account.sh" trevalon "$root/install/conf/SysInit.ini" trevalon
echo "setup: installation in $root/install"
