#!/usr/bin/env bash
# Set-up, then the service in the foreground until Ctrl-C (SIGINT) or SIGTERM. Syslog arrives on
# UDP 514 by default; conf/SysInit.ini in the installation changes that.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

bash "$root/scripts/setup.sh"
echo "run: TrevalonService in the foreground; diagnostic log in $root/install/log/"
cd "$root/install/bin"
exec ./TrevalonService
