#!/usr/bin/env bash
# Builds both programs and the test suite, then runs every test.
# A second build with AddressSanitizer and UndefinedBehaviorSanitizer then
# runs the suite again (TARNAVEL_SANITIZE=0 in the environment skips it).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DTARNAVEL_TESTS=ON >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

if [ "${TARNAVEL_SANITIZE:-1}" = "1" ]; then
  cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DTARNAVEL_SANITIZE=ON >/dev/null
  cmake --build build-sanitize -j"$jobs"
  ctest --test-dir build-sanitize --output-on-failure -j"$jobs"
fi
