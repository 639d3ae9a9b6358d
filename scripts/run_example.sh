#!/usr/bin/env bash
# Builds the programs and runs the bundled example model (examples/urban) in a
# scratch copy, so the example folder itself stays clean, then draws the major
# species to urban.png beside the results (installing gnuplot when it is
# missing and the machine allows it; without it the picture is skipped).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

# Installs Debian's gnuplot-nox without questions: as root, or through sudo
# when that needs no password. Succeeds when gnuplot is there afterwards.
install_gnuplot() {
  command -v gnuplot >/dev/null 2>&1 && return 0
  command -v apt-get >/dev/null 2>&1 || return 1
  local sudo=()
  if [ "$(id -u)" != 0 ]; then
    command -v sudo >/dev/null 2>&1 || return 1
    sudo=(sudo -n)
  fi
  local install=("${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends gnuplot-nox)
  echo "Installing gnuplot (Debian package gnuplot-nox) for the example's picture"
  "${install[@]}" >/dev/null 2>&1 ||
    { "${sudo[@]}" apt-get update >/dev/null 2>&1 && "${install[@]}" >/dev/null 2>&1; } || true
  command -v gnuplot >/dev/null 2>&1
}

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

[ -f CONC.TXT ] || exit 0
if ! install_gnuplot; then
  echo "No picture: gnuplot is not installed (sudo apt-get install gnuplot-nox, then run this script again)"
  exit 0
fi
# The nitrogen oxides, ozone and the main products, as far as the model shows them.
plot=../../scripts/tarnavel_plot
columns=$("$plot" --list)
species=()
for name in NO NO2 O3 HNO3 HCHO; do
  if grep -qxF "$name" <<<"$columns"; then species+=("$name"); fi
done
selection=()
if [ "${#species[@]}" -gt 0 ]; then selection=(--species "$(IFS=,; echo "${species[*]}")"); fi
"$plot" "${selection[@]}" --title "examples/urban" --ylabel "Concentration" --out urban.png
echo "Picture of the major species: $(pwd)/urban.png"
