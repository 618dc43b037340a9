#!/usr/bin/env bash
# Installs dependencies, builds and starts KALVORA on its default data folder.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh build
exec ./build/bin/kalvora "$@"
