#pragma once
// A run in a scratch working directory with species held or fed by profile
// files, for the tests of the profile reader and of the values it imposes.

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "core/run.hpp"
#include "core/stop.hpp"
#include "input/field_reader.hpp"
#include "input/profiles.hpp"
#include "support/run_fixture.hpp"
#include "support/temp_workdir.hpp"

namespace tarnavel::testing {

// A profile file: the interval, then `n` values 0.1, 0.2, ... eight to a line.
inline std::string ProfileText(double interval, int n) {
  std::ostringstream out;
  out.precision(17);
  out << interval << '\n';
  for (int i = 1; i <= n; ++i) out << 0.1 * i << (i % 8 == 0 ? '\n' : ' ');
  return out.str();
}

struct Profiles : ::testing::Test {
  TempWorkDir dir;
  CapturedRun cr;
  tarnavel::Run& run = cr.run;
  ModelStore& st = run.store;

  // A displayed species whose last species-file column is `column`.
  int Species(const std::string& name, const std::string& column, bool additive = false) {
    const int s = ++st.nspec;
    SpeciesEntry& e = st.species[s];
    e.name = name;
    e.display = true;
    ++st.displayed;
    e.profile_name = column;
    if (additive) {
      e.additive_profile = true;
      st.additive_in_use = true;
    } else {
      e.held = true;
      e.held_by_number = IsNumber(column);
      st.profile_in_use = true;
    }
    return s;
  }
  // A displayed species with no imposed values.
  int Plain(const std::string& name) {
    const int s = ++st.nspec;
    st.species[s].name = name;
    st.species[s].display = true;
    ++st.displayed;
    return s;
  }
  // Reads the profiles and the radiation file; the fatal number, -1 for an
  // orderly stop without one, 0 when reading completed.
  int Read() {
    try {
      ReadProfilesAndRadiation(run);
    } catch (const ProgramStop& stop) {
      return stop.fatal_number == 0 ? -1 : stop.fatal_number;
    }
    return 0;
  }
  // Every species not integrated, as compilation leaves held species.
  void AllRetained() {
    st.spec = st.sspec = 2;
    st.rspec = st.nspec;
  }
  bool Printed(const std::string& line) const {
    for (const std::string& l : cr.Lines())
      if (l == " " + line) return true;
    return false;
  }
};

}  // namespace tarnavel::testing
