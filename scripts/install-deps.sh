#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the local database need. Idempotent:
# nothing is fetched when everything is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  clang libclang-rt-14-dev clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  mariadb-server mariadb-client libmariadb3 libmariadb-dev
  libcurl4-openssl-dev libsnmp-dev snmptrapd python3-aiosmtpd
  rsyslog iputils-ping
  qt6-base-dev libqt6opengl6-dev qt6-charts-dev qt6-qpa-plugins libcap2-bin
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
