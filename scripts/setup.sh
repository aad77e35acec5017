#!/usr/bin/env bash
# Installs what the build, the tests and the benchmarks need (Debian 12, as root).
# Idempotent: apt-get update runs only when a package is missing.
set -euo pipefail
packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev
  libzip-dev libdeflate-dev zlib1g-dev zip unzip libsqlite3-dev libxxhash-dev
  libgtest-dev libgmock-dev
  fonts-dejavu-core
  rsync python3 clang-format
  clang libclang-rt-dev
  desktop-file-utils appstream systemd dbus-daemon dpkg-dev file
  lintian man-db bash-completion
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
