#!/usr/bin/env bash
# Builds the readers' libFuzzer targets with clang and runs each for the
# given number of seconds (default 60) on a seed corpus made from the test
# inputs. Findings (crashing, hanging or sanitizer-reported inputs) are kept
# in build-fuzz/findings/<target>/; the script fails when there is any.
#
#   scripts/run_fuzzers.sh [SECONDS] [TARGET...]
#   scripts/run_fuzzers.sh --runs N [TARGET...]
#
# With --runs each target executes N inputs from a fixed random seed and an
# empty corpus, so that a pass is reproducible (continuous integration).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)  # the targets work in scratch directories of their own: every path is absolute
limit=(-max_total_time="${1:-60}")
label="${1:-60} s"
if [ "${1:-}" = "--runs" ]; then
  limit=(-runs="$2" -seed=1)
  label="$2 inputs, seed 1"
  shift
fi
shift || true
jobs=$(nproc 2>/dev/null || echo 2)

./scripts/install_debian_package.sh clang clang++
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNAVEL_FUZZ=ON \
  -DTARNAVEL_TESTS=OFF >/dev/null
targets=(parameter_file species_file model_file names_file profiles thermo fit_data chemkin_import)
if [ "$#" -gt 0 ]; then targets=("$@"); fi
cmake --build build-fuzz -j"$jobs" --target "${targets[@]/#/fuzz_}"

data=tests/data
# Seed inputs: the files each reader reads in the tests; a NUL byte separates
# the files of a target that reads two.
seed() {
  local target=$1
  local dir=build-fuzz/seeds/$target
  rm -rf "$dir"
  mkdir -p "$dir"
  local n=0
  case $target in
    parameter_file) for f in $data/*/PARM.DAT $data/stiff/*/PARM.DAT examples/*/PARM.DAT; do cp "$f" "$dir/$((n++))"; done ;;
    species_file) for f in $data/*/SPECIES.DAT $data/stiff/*/SPECIES.DAT examples/*/SPECIES.DAT; do cp "$f" "$dir/$((n++))"; done ;;
    model_file)
      for d in $data/h2o2 $data/mcm_mvkmacr $data/stiff/* examples/urban; do
        { cat "$d/SPECIES.DAT"; printf '\0'; cat "$d/MODEL.DAT"; } >"$dir/$((n++))"
      done ;;
    names_file) printf 'H\t1.008\t1\n\0NO\tnitric oxide\t30.006\n' >"$dir/0" ;;
    profiles) printf '# t\tvalue\n60\t1.0\n1.5\n2.5\n\0# hv\n60\n1\n0.5\n' >"$dir/0" ;;
    thermo)
      { cat $data/gri30/THERM.DAT | sed 's/gri30_thermo.dat/DB.DAT/; /h2o2_free/d'; printf '\0'; cat $data/gri30/gri30_thermo.dat; } >"$dir/0" ;;
    fit_data) printf '# time\tA\n0\t1\n10\t0.5\n20\t0.25\nEND\n' >"$dir/0" ;;
    chemkin_import)
      cp $data/chemkin/h2o2.inp "$dir/$((n++))"
      { cat $data/chemkin/gri30.inp; printf '\0'; cat $data/gri30/gri30_thermo.dat; } >"$dir/$((n++))" ;;
  esac
}

failed=0
for target in "${targets[@]}"; do
  seed "$target"
  corpus=$root/build-fuzz/corpus/$target findings=$root/build-fuzz/findings/$target
  if [ "${limit[0]}" != "${limit[0]#-runs}" ]; then rm -rf "$corpus"; fi
  mkdir -p "$corpus" "$findings"
  echo "== $target: $label"
  if ! build-fuzz/fuzz/fuzz_$target "${limit[@]}" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" "$root/build-fuzz/seeds/$target" \
      2>"$root/build-fuzz/$target.log"; then
    failed=1
    echo "   FINDING: see build-fuzz/$target.log and $findings/"
  fi
  grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "build-fuzz/$target.log" | sed 's/^/   /' || true
done
exit $failed
