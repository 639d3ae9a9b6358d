#pragma once
// The run state: one instance for the whole process, handed to every stage.
// It gathers the console, the command-line switches, the settings record, the
// field reader state, the model store and the values messages insert.

#include <vector>

#include "core/console.hpp"
#include "core/diagnostics.hpp"
#include "core/element_table.hpp"
#include "core/names_table.hpp"
#include "core/reader_state.hpp"
#include "core/settings.hpp"
#include "core/store.hpp"
#include "core/switches.hpp"
#include "core/work_counts.hpp"

namespace tarnavel {

struct Run {
  Run(Console con, const Capacity& cap) : console(con) {
    ResetStore(store, cap);
    warned_out_of_range.assign(cap.max_species + 1, false);
  }

  Console console;
  Switches sw;
  Settings settings;
  ReaderState reader;
  ModelStore store;
  MessageArgs msg;
  PeriodicTable user_periodic;            // the table read from the periodic-table file (-P, -p)
  NamesTable names;                       // common names and formulas of the names file
  WorkCounts counts;                      // steps, derivative and Jacobian evaluations
  std::vector<bool> warned_out_of_range;  // species that already had warning 35
  // A study that survives a failed run is running one of its own runs: an
  // integrator failure throws IntegrationFailure instead of stopping.
  bool survive_integration_failure = false;
};

// While it lives, an integrator failure throws IntegrationFailure instead of
// stopping the program; the run's earlier setting comes back afterwards.
class SurviveIntegrationFailures {
 public:
  explicit SurviveIntegrationFailures(Run& run, bool survive = true)
      : run_(run), before_(run.survive_integration_failure) {
    run.survive_integration_failure = survive;
  }
  ~SurviveIntegrationFailures() { run_.survive_integration_failure = before_; }
  SurviveIntegrationFailures(const SurviveIntegrationFailures&) = delete;
  SurviveIntegrationFailures& operator=(const SurviveIntegrationFailures&) = delete;

 private:
  Run& run_;
  bool before_;
};

}  // namespace tarnavel
