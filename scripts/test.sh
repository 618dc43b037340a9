#!/usr/bin/env bash
# Installs dependencies, builds and runs the whole test suite (normal build, then the sanitizer build).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh build -DKALVORA_WERROR=ON
(cd build && ctest --output-on-failure --parallel "$(nproc)" -LE timing)
./scripts/package-check.sh build
./scripts/test-sqlcipher4.sh
if [ "${KALVORA_SKIP_SANITIZERS:-0}" != 1 ]; then
    ./scripts/build.sh build-asan -DKALVORA_SANITIZE=ON -DKALVORA_BENCH=OFF
    # The kill and fault-injection runs repeat hundreds of writes against wall-clock limits; they run in
    # the normal build above and would only time out here.
    (cd build-asan && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure --parallel "$(nproc)" -LE timing \
        -E 'tst_kill|fault')
fi
if [ -x scripts/fuzz.sh ] && [ "${KALVORA_SKIP_FUZZ:-0}" != 1 ]; then
    ./scripts/fuzz.sh
fi
