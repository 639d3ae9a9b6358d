#pragma once
// The fixed-conditions form of an imported MCM mechanism: the same model with
// every rate constant evaluated into a number at the run's starting
// conditions (the temperature, [M], O2, N2 and H2O from the pressure and the
// water, photolysis at the solar zenith angle of the start time, species sums
// at their initial or a chosen value), and no rate definitions file, so that
// any reader of plain mass-action models integrates the same system.
//
// The expression form is loaded exactly as a run loads it: the files are
// written to a scratch folder and read, compiled and set up there by the
// driver's own stages, which evaluate every rate expression at time 0 from
// the initial concentrations. Only a held sum then replaces its slot and the
// definitions and rate constants are evaluated again from the same compiled
// code. The numbers are written with as many digits as read back to the same
// double, so the frozen model is the run's system at time 0 to the bit.

#include <string>
#include <vector>

#include "core/capacity.hpp"
#include "import/mcm_model_files.hpp"
#include "import/model_files.hpp"

namespace tarnavel::import {

// A species sum held at a chosen value (molecules cm^-3), --sum NAME=VALUE.
struct HeldSum {
  std::string name;
  double value = 0.0;
};

// The shortest exponent form that reads back as the same double (at most 17
// significant digits), so that a frozen rate constant is the evaluated one.
std::string ExactNumber(double v);

// The fixed-conditions form of the expression form `files` (MODEL.DAT,
// SPECIES.DAT, PARM.DAT and RATES.DAT as TranslateMcmMechanism writes them):
// MODEL.DAT with a number in every k field, SPECIES.DAT and PARM.DAT
// unchanged. A sum of `held` replaces the sum of its members' initial
// concentrations. A reaction whose rate constant is 0 at these conditions
// (photolysis in the dark) stays as a comment line, since a model file takes
// no rate constant 0. `cap` is that of the program meant to run the model.
// What the rate constants were evaluated at is added to `changes` when given.
FileSet FixRateConstants(const FileSet& files, const std::vector<HeldSum>& held, const Capacity& cap,
                         const std::string& mechanism, std::vector<ImportWarning>* changes = nullptr);

}  // namespace tarnavel::import
