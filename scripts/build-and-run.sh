#!/usr/bin/env bash
# Builds the release configuration and runs the main job on the bundled data: the record
# checker reads the bundled sample distribution data as both programs read it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARVO_BUILD_TESTS=OFF
cmake --build build/release
status=0
for program in conic chart; do
  echo "== tarvo-check --program $program data/ZoSample.grd"
  build/release/tools/check/tarvo-check --program "$program" data/ZoSample.grd || status=$?
done
exit "$status"
