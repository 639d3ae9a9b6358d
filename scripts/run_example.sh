#!/usr/bin/env bash
# Builds the programs and runs the bundled example model (examples/urban) in a
# scratch copy, so the example folder itself stays clean.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$jobs" --target tarnavel_large tarnavel_standard

run_dir=build/example-run
rm -rf "$run_dir"
mkdir -p "$run_dir"
cp examples/urban/*.DAT "$run_dir"/
cd "$run_dir"
../tarnavel_large "$@"
echo
echo "Results are in $(pwd)/CONC.TXT"
