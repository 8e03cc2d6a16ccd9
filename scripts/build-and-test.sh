#!/usr/bin/env bash
# Builds everything with warnings as errors under AddressSanitizer and
# UndefinedBehaviorSanitizer, then runs every test; then builds the Debian package with
# Debian's build flags, with CPack and from the source package, and checks it installed
# (scripts/package-test.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DTARVO_WERROR=ON -DTARVO_SANITIZE=ON
cmake --build build/test
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build/test --output-on-failure -j "$(nproc)"
bash scripts/package-test.sh
