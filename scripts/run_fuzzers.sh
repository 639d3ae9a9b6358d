#!/usr/bin/env bash
# Builds the readers' libFuzzer targets with clang and runs them on a seed
# corpus made from the test inputs, as many at once as there are cores.
# Findings (crashing, hanging or sanitizer-reported inputs) are kept in
# build-fuzz/findings/<target>/; the script fails when there is any.
#
#   scripts/run_fuzzers.sh [SECONDS] [TARGET...]           each target for SECONDS (default 60)
#   scripts/run_fuzzers.sh --runs N [TARGET...]            each target for N inputs
#   scripts/run_fuzzers.sh SECONDS --runs N [TARGET...]    whichever comes first
#
# With --runs alone each target starts from an empty corpus and a fixed random
# seed, so that a pass is reproducible (continuous integration).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)  # the targets work in scratch directories of their own: every path is absolute
seconds="" runs=""
if [[ "${1:-}" =~ ^[0-9]+$ ]]; then seconds=$1; shift; fi
if [ "${1:-}" = "--runs" ]; then runs=$2; shift 2; fi
limit=() label=""
if [ -n "$seconds" ] || [ -z "$runs" ]; then
  limit+=(-max_total_time="${seconds:-60}") label="${seconds:-60} s"
fi
if [ -n "$runs" ]; then
  limit+=(-runs="$runs") label="${label:+$label or }$runs inputs"
  if [ -z "$seconds" ]; then limit+=(-seed=1) label="$label, seed 1"; fi
fi
jobs=$(nproc 2>/dev/null || echo 2)
# A small quarantine of freed memory: each input frees everything it
# allocated, and with the default 256 MB most of the time went to faulting in
# fresh pages. Freed blocks are still poisoned, so a use after free is caught.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=8}

./scripts/install_debian_package.sh clang clang++
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNAVEL_FUZZ=ON \
  -DTARNAVEL_TESTS=OFF >/dev/null
targets=(parameter_file species_file model_file names_file profiles thermo fit_data chemkin_import rate_expressions
         mcm_import times_file)
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
      done
      # Pressure tables under their reactions.
      { printf 'A\t0\t1\tY\t0\tN\tN\nB\t0\t0\tY\t0\tN\tN\n'; printf '\0'
        printf '1\tA = B\tPLOG\nPLOG\t0.1\t1E+12\t0.5\t100\nPLOG\t1\t2E+12\t0\t0\nPLOG\t1\t-1E+11\t0\t0\n'
        printf '1\tA ==> B\nTCHEB\t300\t2000\nPCHEB\t0.01\t10\nCHEB\t1\t2\t3\nCHEB\t4\t5\t6\n'; } >"$dir/$((n++))" ;;
    names_file) printf 'H\t1.008\t1\n\0NO\tnitric oxide\t30.006\n' >"$dir/0" ;;
    profiles) printf '# t\tvalue\n60\t1.0\n1.5\n2.5\n\0# hv\n60\n1\n0.5\n' >"$dir/0" ;;
    thermo)
      { cat $data/gri30/THERM.DAT | sed 's/gri30_thermo.dat/DB.DAT/; /h2o2_free/d'; printf '\0'; cat $data/gri30/gri30_thermo.dat; } >"$dir/0" ;;
    fit_data) printf '# time\tA\n0\t1\n10\t0.5\n20\t0.25\nEND\n' >"$dir/0" ;;
    mcm_import)
      cp $data/atchem2/spec_model_1/spec_model_1.fac "$dir/$((n++))"
      cp $data/mcm/env_model_1.fac "$dir/$((n++))"
      { cat $data/mcm/small.kpp; printf '\0'; cat $data/mcm/small_coefficients.f90; } >"$dir/$((n++))" ;;
    times_file) printf '# hours\n0, 3.5\n7\t1e1\n60 100\n' >"$dir/0" ;;
    rate_expressions)
      { printf 'SET\tPRESSURE\t101325\nSET\tH2O\t4e17\nSET\tLATITUDE\t51.5\nSET\tLONGITUDE\t-0.1\n'
        printf 'SET\tSTART\t2020-06-21T12:00:00\nDEFINE\tK10\t1.0D-31*M*(TEMP/300)@-1.6\nDEFINE\tKRO2\t2.7D-12*EXP(360/TEMP)\n'
        printf 'SUM\tRO2\tCH3O2 C2H5O2\nJ\t4\t1.165D-02\t0.244\t0.267\n'; printf '\0'
        printf 'J<4>\tNO2 ==> NO + O3\nKRO2*RO2\tCH3O2 ==> NO\nK10/(1+SQRT(H2O))\tNO + O3 ==> NO2\n'; } >"$dir/0" ;;
    chemkin_import)
      cp $data/chemkin/h2o2.inp "$dir/$((n++))"
      { cat $data/chemkin/gri30.inp; printf '\0'; cat $data/gri30/gri30_thermo.dat; } >"$dir/$((n++))"
      # The published mechanisms with their dialects: the small ones whole, of
      # the large ones the head (sections, first reactions and records) and the
      # tail (last reactions, notes after the END), so that an input stays quick.
      for d in $data/mechanisms/*/; do
        local files=() f
        for f in "$d"*; do
          case $(basename "$f") in SOURCE.txt | README.md | Readme.md) ;; *) files+=("$f") ;; esac
        done
        local mech=${files[0]} therm=${files[1]:-}
        # The mechanism is the file with a REACTIONS section.
        if [ -n "$therm" ] && grep -qi '^ *REAC' "$therm"; then mech=${files[1]} therm=${files[0]}; fi
        { head -c 24000 "$mech"; printf '\0'; [ -z "$therm" ] || head -c 24000 "$therm"; } >"$dir/$((n++))"
        { tail -c 12000 "$mech"; printf '\0'; [ -z "$therm" ] || tail -c 12000 "$therm"; } >"$dir/$((n++))"
      done ;;
  esac
  # Inputs that once made the target fail (replayed by the unit tests too).
  for f in $data/fuzz/$target/*; do
    if [ -f "$f" ]; then cp "$f" "$dir/regression-$(basename "$f")"; fi
  done
}

# One target; its summary is printed when it ends, its log kept in build-fuzz/.
fuzz() {
  local target=$1 log=$root/build-fuzz/$1.log
  local corpus=$root/build-fuzz/corpus/$target findings=$root/build-fuzz/findings/$target
  if [ -z "$seconds" ]; then rm -rf "$corpus"; fi
  mkdir -p "$corpus" "$findings"
  local status=0
  build-fuzz/fuzz/fuzz_$target "${limit[@]}" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" "$root/build-fuzz/seeds/$target" \
    2>"$log" || status=$?
  {
    echo "== $target: $label"
    grep -E "stat::number_of_executed_units|stat::average_exec_per_sec|stat::peak_rss_mb" "$log" | sed 's/^/   /' || true
    if [ "$status" != 0 ]; then echo "   FINDING: see build-fuzz/$target.log and $findings/"; fi
  } | flock "$root/build-fuzz/.print" cat
  return "$status"
}

for target in "${targets[@]}"; do seed "$target"; done
failed=0 running=0
for target in "${targets[@]}"; do
  if [ "$running" -ge "$jobs" ]; then
    wait -n || failed=1
    running=$((running - 1))
  fi
  fuzz "$target" &
  running=$((running + 1))
done
while [ "$running" -gt 0 ]; do
  wait -n || failed=1
  running=$((running - 1))
done
exit $failed
