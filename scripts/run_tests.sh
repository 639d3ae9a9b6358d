#!/usr/bin/env bash
# Builds both programs and the test suite, then runs every test, then the
# tests of the Python package (python/tests) with Debian's python3, which
# sees the packages python3-numpy and python3-pytest (installed here when
# missing and the machine allows it; otherwise those tests are skipped).
# A second build with AddressSanitizer and UndefinedBehaviorSanitizer then
# runs the suite again (TARNAVEL_SANITIZE=0 in the environment skips it).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DTARNAVEL_TESTS=ON >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

python=${TARNAVEL_PYTHON:-/usr/bin/python3}
[ -x "$python" ] || python=python3
if ./scripts/install_debian_package.sh --python-module python3-numpy numpy "$python" &&
   ./scripts/install_debian_package.sh --python-module python3-pytest pytest "$python"; then
  # No compiled files or caches are left in the checkout.
  PYTHONDONTWRITEBYTECODE=1 TARNAVEL_PROGRAM="$PWD/build/tarnavel_large" \
    "$python" -m pytest -q -p no:cacheprovider python/tests
else
  echo "The Python tests are skipped: $python has no numpy or pytest (Debian packages python3-numpy, python3-pytest)"
fi

if [ "${TARNAVEL_SANITIZE:-1}" = "1" ]; then
  cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DTARNAVEL_SANITIZE=ON >/dev/null
  cmake --build build-sanitize -j"$jobs"
  ctest --test-dir build-sanitize --output-on-failure -j"$jobs"
fi
