#!/usr/bin/env bash
# Builds the programs and runs the bundled example models in scratch copies,
# so the example folders stay clean: the urban photochemistry of
# examples/urban, and methane-air ignition imported from GRI-Mech 3.0
# (examples/methane_air) with tarnavel_import. Then draws their major species
# and the flame's temperature beside the results (installing gnuplot when it
# is missing and the machine allows it; without it the pictures are skipped).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$jobs" --target tarnavel_large tarnavel_standard tarnavel_import

run_dir=build/example-run
rm -rf "$run_dir"
mkdir -p "$run_dir"
cp examples/urban/*.DAT "$run_dir"/
cd "$run_dir"
../tarnavel_large "$@"
echo
echo "Results are in $(pwd)/CONC.TXT"

# The combustion example, imported afresh from the CHEMKIN files.
methane_dir=../example-methane
rm -rf "$methane_dir"
mkdir -p "$methane_dir"
../tarnavel_import ../../examples/methane_air/gri30.inp --thermo ../../examples/methane_air/gri30_thermo.dat \
  --out "$methane_dir" --mixture CH4=1,O2=2,N2=7.52 --temperature 1500 --pressure 1atm --time 0.01 --step 0.00002 \
  --constant-pressure --title "Stoichiometric methane-air, adiabatic ignition at constant pressure from 1500 K and 1 atm"
(cd "$methane_dir" && ../tarnavel_large -QUIET -THERM -ig:mass)
echo "Methane-air ignition results are in $(cd "$methane_dir" && pwd)/CONC.TXT"

# The MCM ethene subset through a summer day, imported from its FACSIMILE
# export with its rate expressions, RO2 sum and photolysis under the sun.
day_dir=../example-mcm-day
rm -rf "$day_dir"
../tarnavel_import ../../examples/mcm_summer_day/ethene.fac --out "$day_dir" \
  --initial ../../examples/mcm_summer_day/initial.config --temperature 293 --pressure 1013mbar --rh 60 \
  --latitude 51.5 --longitude -0.12 --start 2010-07-01T00:00:00 --time 86400 --step 900 \
  --title "MCM ethene subset through a summer day in London" >/dev/null
(cd "$day_dir" && ../tarnavel_large -QUIET -ig:mass -ig:warn)
echo "The MCM summer day is in $(cd "$day_dir" && pwd)/CONC.TXT"

# GNU parallel runs the cases of scripts/tarnavel_sweep.
have_parallel=yes
../../scripts/install_debian_package.sh parallel parallel || {
  have_parallel=no
  echo "GNU parallel is not installed: tarnavel_sweep cannot run sweeps here (sudo apt-get install parallel)"
}

# The ignition delay of methane-air at constant volume, 1 and 10 atm, on a
# coarse grid of temperatures (examples/methane_air/ignition.sweep): the case
# folder imported at constant volume, one run per grid point.
ignition_case=../example-ignition-case
rm -rf "$ignition_case" ../example-ignition
../tarnavel_import ../../examples/methane_air/gri30.inp --thermo ../../examples/methane_air/gri30_thermo.dat \
  --out "$ignition_case" --mixture CH4=1,O2=2,N2=7.52 --temperature 1400 --pressure 1atm --time 1 --step 0.001 \
  --title "Stoichiometric methane-air at constant volume" >/dev/null
if [ "$have_parallel" = yes ]; then
  ../../scripts/tarnavel_sweep --program ../tarnavel_large "$ignition_case" ../../examples/methane_air/ignition.sweep \
    ../example-ignition
  echo "Ignition delays of methane-air: $(cd ../example-ignition && pwd)/results.tsv"
fi

[ -f CONC.TXT ] || exit 0
if ! ../../scripts/install_debian_package.sh gnuplot-nox gnuplot; then
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
(
  cd "$methane_dir"
  ../../scripts/tarnavel_plot --species "Temperature(K)" --title "Methane-air ignition" \
    --ylabel "Temperature (K)" --out temperature.png
  ../../scripts/tarnavel_plot --species CH4,O2,H2O,CO2,CO,OH --logy --title "Methane-air ignition" \
    --ylabel "Concentration (mol/cm^3)" --out species.png
  echo "Pictures of the flame: $(pwd)/temperature.png and $(pwd)/species.png"
)
(
  cd "$day_dir"
  ../../scripts/tarnavel_plot --species O3,NO,NO2,OH,HO2 --logy --title "MCM ethene subset, 1 July in London" \
    --ylabel "Concentration (molecules/cm^3)" --out day.png
  echo "Picture of the summer day: $(pwd)/day.png"
)
