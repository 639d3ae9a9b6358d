#pragma once
// The run state: one instance for the whole process, handed to every stage.
// It gathers the console, the command-line switches, the settings record, the
// field reader state, the model store and the values messages insert.

#include <vector>

#include "driver/console.hpp"
#include "driver/diagnostics.hpp"
#include "driver/switches.hpp"
#include "input/names_file.hpp"
#include "input/periodic_table.hpp"
#include "input/reader_state.hpp"
#include "input/settings.hpp"
#include "model/model_system.hpp"
#include "model/store.hpp"

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
};

}  // namespace tarnavel
