#include "input/profiles.hpp"

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "core/diagnostics.hpp"
#include "core/fortran_format.hpp"
#include "core/run.hpp"
#include "core/stop.hpp"
#include "input/field_reader.hpp"
#include "input/species_file.hpp"
#include "input/working_directory.hpp"

namespace tarnavel {

namespace {

// Output base times are sums of integration steps; one that falls a hair
// short of an interval boundary counts as on it, so that no table entry is
// used twice and none is skipped.
constexpr double kBoundarySlack = 1.0e-9;

// Characters that separate free-format numbers.
constexpr const char* kSeparators = " \t,\r";

std::string Value(double x) { return fmt::E(x, 14, 6); }

bool Debugging(const Run& run) { return run.sw.debug != 0; }

// A profile or radiation file read one free-format number at a time.
struct NumberFile {
  std::ifstream in;
  std::string name;       // as the messages quote it
  std::string line;       // the current line
  int lineno = 0;         // its number in the file
  std::size_t pos = 0;    // where the next number is looked for
  bool ended = false;
  bool radiation = false;  // the radiation file: its read-error line quotes no status
};

// Stops the run on a text that is not a number, quoting the file and line.
[[noreturn]] void InvalidNumber(Run& run, const NumberFile& file) {
  run.reader.filecode = kNoFile;
  run.reader.line = file.line;
  run.reader.srcline = file.lineno;
  run.msg.name1 = file.name;
  FatalError(run, 88);
}

void ReportReadError(Run& run, const NumberFile& file) {
  if (file.radiation) {
    run.console.Line("I/O ERROR #: ***.");
  } else {
    run.console.Line("I/O ERROR #: " + std::to_string(errno != 0 ? errno : EIO) + " <<<<<<<<<.");
  }
}

// The next number of the file; false at its end. A read error is reported
// once and ends the reading, so it never repeats.
bool NextNumber(Run& run, NumberFile& file, double& value) {
  for (;;) {
    const std::size_t start = file.line.find_first_not_of(kSeparators, file.pos);
    if (start != std::string::npos) {
      std::size_t end = file.line.find_first_of(kSeparators, start);
      if (end == std::string::npos) end = file.line.size();
      file.pos = end;
      if (!ParseReal(std::string_view(file.line).substr(start, end - start), value)) InvalidNumber(run, file);
      return true;
    }
    if (file.ended) return false;
    errno = 0;
    if (!std::getline(file.in, file.line)) {
      file.ended = true;
      file.line.clear();
      if (!file.in.eof()) ReportReadError(run, file);
      return false;
    }
    ++file.lineno;
    file.pos = 0;
  }
}

bool Opened(NumberFile& file, const std::string& path) {
  if (!RegularFile(path)) return false;
  file.in.open(path);
  return static_cast<bool>(file.in);
}

// The radiation file name is kept in upper case. Where the file system tells
// cases apart, the file is also found under a name that differs only in
// case (the first such name in sorted order).
std::string FindIgnoringCase(const std::string& name) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (fs::exists(name, ec)) return name;
  const fs::path path(name);
  const fs::path dir = path.has_parent_path() ? path.parent_path() : fs::path(".");
  const std::string wanted = UpperCase(path.filename().string());
  std::string found;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string candidate = it->path().filename().string();
    if (UpperCase(candidate) == wanted && (found.empty() || candidate < found)) found = candidate;
  }
  if (found.empty()) return name;
  return path.has_parent_path() ? (dir / found).string() : found;
}

// Puts the values of species entry `e` into the next free slot of the small
// or the large store.
void StoreProfile(Run& run, SpeciesEntry& e, const std::vector<double>& values) {
  ProfileStore& ps = run.store.profiles;
  const int count = static_cast<int>(values.size());
  if (count <= kSmallProfilePoints) {
    if (ps.shortct >= kSmallProfiles) {
      run.console.Line("Can't store anymore small conc. profiles!!");
      StopProgram(kExitStopped);
    }
    if (ps.small.empty()) ps.small.assign(static_cast<std::size_t>(kSmallProfiles) * kSmallProfilePoints, 0.0);
    e.profile_large = false;
    e.profile_slot = ++ps.shortct;
    std::copy(values.begin(), values.end(),
              ps.small.begin() + static_cast<long>(e.profile_slot - 1) * kSmallProfilePoints);
  } else {
    if (ps.longct >= kLargeProfiles) {
      run.console.Line("*** Can't store anymore large conc. profiles!!");
      StopProgram(kExitStopped);
    }
    if (ps.large.empty()) ps.large.assign(static_cast<std::size_t>(kLargeProfiles) * kLargeProfilePoints, 0.0f);
    e.profile_large = true;
    e.profile_slot = ++ps.longct;
    for (int i = 1; i <= count; ++i)
      ps.large[static_cast<std::size_t>(i - 1) * kLargeProfiles + e.profile_slot - 1] =
          static_cast<float>(values[i - 1]);
  }
  e.profile_count = count;
  e.profile_applied = 0;
  if (Debugging(run))
    run.console.Line("which(L),posct(L)= " + std::to_string(e.profile_large ? 1 : 0) + " " +
                     std::to_string(e.profile_slot));
}

// Reads the profile of species s: a constant two-point profile for a held
// number, else the file named in the species table.
void LoadProfile(Run& run, int s) {
  SpeciesEntry& e = run.store.species[s];
  ProfileStore& ps = run.store.profiles;
  double held = 0.0;
  if (e.held && e.held_by_number && ParseReal(e.profile_name, held)) {
    e.profile_interval = kConstantProfileInterval;
    e.profile_single_pass = false;
    e.profile_period = 2 * kConstantProfileInterval;
    StoreProfile(run, e, {held, held});
    return;
  }

  NumberFile file;
  file.name = Trim(e.profile_name);
  auto cannot_load = [&]() {
    run.msg.name1 = file.name;
    FatalError(run, 11);
  };
  if (!MayRead(run, file.name) || !Opened(file, file.name)) cannot_load();
  double interval = 0.0;
  if (!NextNumber(run, file, interval) || interval == 0.0) cannot_load();
  e.profile_single_pass = interval < 0.0;
  e.profile_interval = std::fabs(interval);

  std::vector<double> values;
  values.reserve(kSmallProfilePoints + 1);
  // A value beyond single precision cannot go into the large store; the first
  // one is remembered in case the profile turns out long.
  std::string wide_line;
  int wide_lineno = 0;
  double v = 0.0;
  while (NextNumber(run, file, v)) {
    if (static_cast<int>(values.size()) == kLargeProfilePoints) {
      run.console.Line("!!!! Conc. profile too big!!! (>20,000 pts.) !!!!");
      FatalError(run, 94);
    }
    if (std::fabs(v) > FLT_MAX && wide_lineno == 0) {
      wide_line = file.line;
      wide_lineno = file.lineno;
    }
    values.push_back(v);
  }
  if (values.empty()) cannot_load();
  if (static_cast<int>(values.size()) > kSmallProfilePoints && wide_lineno != 0) {
    file.line = wide_line;
    file.lineno = wide_lineno;
    InvalidNumber(run, file);
  }
  const int count = static_cast<int>(values.size());
  e.profile_period = count * e.profile_interval;
  ps.smallest_interval = std::min(ps.smallest_interval, e.profile_interval);
  if (Debugging(run)) {
    run.console.Line(file.name + "  INTERV2=" + Value(e.profile_interval));
    run.console.Line(std::to_string(count) + " entries have been read in for " + file.name);
  }
  StoreProfile(run, e, values);
}

// Reads the radiation file, or sets the constant intensity when the hv file
// name begins with NONE ("None1" gives 1.0, any other 0).
void LoadRadiation(Run& run) {
  Settings& set = run.settings;
  ProfileStore& ps = run.store.profiles;
  ps.radiation.clear();
  ps.hv_count = 0;
  if (!RadiationFileInUse(set)) {
    ps.hv_file = false;
    set.hvdt = 1.0;
    ps.hv_period = 2.0;
    ps.hv_constant = set.hvfile.size() >= 5 && set.hvfile[4] == '1' ? 1.0f : 0.0f;
    return;
  }
  ps.hv_file = true;
  NumberFile file;
  file.name = set.hvfile;
  file.radiation = true;
  run.msg.name1 = set.hvfile;
  // No file, or entries 0 s apart (the lookup divides by the interval).
  if (!MayRead(run, set.hvfile) || !Opened(file, FindIgnoringCase(set.hvfile)) || set.hvdt == 0.0) FatalError(run, 5);
  ps.radiation.reserve(kRadiationPoints);
  double v = 0.0;
  while (NextNumber(run, file, v)) {
    if (ps.hv_count == kRadiationPoints) {
      run.console.Line("hv file contains too many entries!!!");
      StopProgram(kExitStopped);
    }
    if (std::fabs(v) > FLT_MAX) InvalidNumber(run, file);
    ps.radiation.push_back(static_cast<float>(v));
    ++ps.hv_count;
  }
  if (ps.hv_count == 0) {
    run.msg.name1 = set.hvfile;
    FatalError(run, 5);
  }
  ps.hv_period = ps.hv_count * set.hvdt;
  ps.smallest_interval = std::min(ps.smallest_interval, set.hvdt);
  if (Debugging(run)) {
    run.console.Line("The hv Radiation file:");
    run.console.Line(file.name);
    run.console.Line("has been read in F().");
    run.console.Line(std::to_string(ps.hv_count) + " entries have been read in.)");
  }
}

// With imposed values in use, output points (where the lookups happen) must
// come at least as often as the shortest table interval; the step corrections
// of the parameter file then hold again.
void FitOutputIntervalToProfiles(Run& run) {
  Settings& set = run.settings;
  const ModelStore& st = run.store;
  const ProfileStore& ps = st.profiles;
  const bool imposed = st.profile_in_use || st.additive_in_use || ps.hv_file;
  if (!imposed || !(set.tstep2 > ps.smallest_interval)) return;
  set.tstep2 = ps.smallest_interval;
  if (run.sw.show && !run.sw.quiet) run.console.Line(">> TSTEP2 reset to: " + Value(set.tstep2));
  if (set.tstep2 == 0.0) set.tstep2 = 1.0;
  if (set.tstep == 0.0 || set.tstep > set.tstep2) set.tstep = set.tstep2 / 100.0;
  if (set.tstep2 > set.simlen / 61.0) set.tstep2 = set.simlen / 61.0;
}

}  // namespace

bool RadiationFileInUse(const Settings& settings) {
  return UpperCase(settings.hvfile.substr(0, 4)) != "NONE";
}

void ReadProfilesAndRadiation(Run& run) {
  ModelStore& st = run.store;
  st.profiles = ProfileStore{};
  for (int s = 3; s <= st.nspec; ++s) {
    const SpeciesEntry& e = st.species[s];
    if (e.held || e.additive_profile) LoadProfile(run, s);
  }
  if (Debugging(run))
    run.console.Line("#cons= SHORTCT,LONGCT= " + std::to_string(st.profiles.shortct) + " " +
                     std::to_string(st.profiles.longct));
  LoadRadiation(run);
  if (st.displayed == 0 && st.nspec >= 3) {
    Warning(run, 8);
    st.species[3].display = true;
    st.displayed = 1;
  }
  FitOutputIntervalToProfiles(run);
}

int ProfileIndex(double base_time, double interval, int count, bool single_pass) {
  if (count <= 1 || !(interval > 0.0) || !(base_time > 0.0)) return 1;
  const double q = base_time / interval;
  const double n = std::floor(q + kBoundarySlack * std::max(1.0, q));
  if (single_pass) return n >= count ? count : static_cast<int>(n) + 1;
  return static_cast<int>(std::fmod(n, static_cast<double>(count))) + 1;
}

double ProfileValue(const ModelStore& store, const SpeciesEntry& e, int index) {
  const ProfileStore& ps = store.profiles;
  if (e.profile_large)
    return ps.large[static_cast<std::size_t>(index - 1) * kLargeProfiles + e.profile_slot - 1];
  return ps.small[static_cast<std::size_t>(e.profile_slot - 1) * kSmallProfilePoints + index - 1];
}

}  // namespace tarnavel
