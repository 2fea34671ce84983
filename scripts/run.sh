#!/usr/bin/env bash
# Set-up, then the service in the foreground.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

bash "$root/scripts/setup.sh"
echo "run: the service program arrives with the reception engine; installation is ready in $root/install"
