#pragma once
// Temperature as an integrated state variable and the set-up of a run's
// state before its first output row: the temperature pseudo-species, [M] at
// the start, the initial rate constants and the thermodynamic work arrays.

namespace tarnavel {

struct Run;

// Temperature is integrated exactly when thermodynamic mode is on and the
// parameter file gives the temperature as a number (a fixed-temperature
// thermodynamic run is written with a temperature profile).
bool TemperatureIntegrated(const Run& run);

// The volume is integrated exactly when the parameter file asks for constant
// pressure (a volume profile and constant pressure exclude each other).
bool VolumeIntegrated(const Run& run);

// Gas constant of the volume equation in the run's concentration unit, so
// that P (kPa) = Rv T times the gas-phase concentration.
double VolumeGasConstant(int concentration_units);

// After network compilation and the thermodynamic stage: finds the
// Temperature(K) species when temperature is integrated or profiled and the
// Volume species when the volume is integrated (an orderly stop when one is
// missing), stores the total concentration [M] of the start as the
// concentration of M, takes the integrated temperature from its species,
// computes the constant pressure of a constant-pressure run (an orderly stop
// when there is no gas to hold it), evaluates the rate constants at the
// temperature, and in thermodynamic mode prepares the species properties and
// the list of reactions whose reverse comes from the equilibrium constant.
void SetUpStateVariables(Run& run);

}  // namespace tarnavel
