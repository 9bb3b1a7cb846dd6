#!/usr/bin/env bash
# Installs the Debian packages the program, its tests and its benchmarks need.
# Idempotent and quiet when everything is already there; runs apt-get only
# when a package is missing. Works as root (CI) or through sudo.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6svg6 libgl-dev
  zlib1g-dev libminizip-dev
  libgtest-dev libgmock-dev libbenchmark-dev libsqlite3-dev
  fonts-liberation2 poppler-utils xdg-utils qt6-translations-l10n
)

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q </dev/null
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
