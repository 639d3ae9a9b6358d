#pragma once
// The objective a fit minimises: a trial vector of the marked values is put
// into the model, physically meaningless vectors are rejected with a large
// penalty, the whole simulation runs from the identical initial state with
// rows at the data times, and the concentration file is compared with the
// measurements.

#include <memory>
#include <string>
#include <vector>

#include "core/settings.hpp"
#include "core/store.hpp"
#include "fit/fit_data.hpp"
#include "time_loop/integration.hpp"

namespace tarnavel {

struct Run;

struct FitProblem {
  ModelStore initial_store;      // the state every simulation starts from
  Settings initial_settings;
  std::vector<int> species;      // per fit value: the species it belongs to, 0 for others
  FitData data;
  FitComparison comparison;
  std::vector<double> row_times; // the data times, increasing
  long calls = 0;                // simulations run
  long failed_trials = 0;        // simulations whose integrator failed
  std::vector<double> start;     // the starting values, whose failure ends the fit
  bool headings_written = false;
  double last_sum = 0.0;
  // The integrator's work arrays, made once; its kept step state is cleared
  // for every simulation.
  std::unique_ptr<Integration> integration;
};

// Once, after the model is set up: fatal 111 without any marked value, the
// data file and its comparison columns, and the initial state kept.
void SetUpFit(Run& run, FitProblem& fit);

// The marked values as the input files give them.
std::vector<double> StartVector(const Run& run, const FitProblem& fit);

// The objective for trial vector p; `uniform` draws the random part of the
// penalty of a rejected vector.
double FitObjective(Run& run, FitProblem& fit, const std::vector<double>& p, double (*uniform)(void*),
                    void* generator);

// The parameter's description in the report ("k or A", "Ea", ...); false
// for a kind the report does not know.
bool FitParameterDescription(int kind, std::string& text);

}  // namespace tarnavel
