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
};

}  // namespace tarnavel
