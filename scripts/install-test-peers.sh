#!/usr/bin/env bash
# Installs the peers the end-to-end tests run: the SMSC of the SMPP session test, made of the npm
# smpp package. Idempotent: nothing is fetched when everything is already there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
  echo "install-test-peers: installing nodejs and npm"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends nodejs npm
fi

peer="$root/tests/engine/smpp/peer"
if [ ! -d "$peer/node_modules" ]; then
  echo "install-test-peers: installing the SMPP peer"
  (cd "$peer" && npm ci --no-audit --no-fund --loglevel=error)
else
  echo "install-test-peers: SMPP peer present"
fi
