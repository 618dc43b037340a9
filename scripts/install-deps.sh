#!/usr/bin/env bash
# Installs what building, running and testing KALVORA needs on Debian 12. Safe to run again.
set -euo pipefail
packages=(
    build-essential cmake ninja-build pkg-config clang-format ccache libssl3 ca-certificates
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
    libsqlcipher-dev sqlcipher libssl-dev
    xvfb xauth imagemagick poppler-utils fonts-dejavu-core
    clang libclang-rt-14-dev
    libpq-dev postgresql-15 libxlsxwriter-dev python3-openpyxl openssl
    lintian desktop-file-utils appstream librsvg2-bin
    mdbtools-dev libzip-dev
    libcurl4-openssl-dev python3-aiosmtpd xdg-utils
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
