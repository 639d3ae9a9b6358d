#include "fit/fit_objective.hpp"

#include <cmath>
#include <filesystem>
#include <fstream>

#include "core/diagnostics.hpp"
#include "core/fortran_format.hpp"
#include "core/run.hpp"
#include "fit/optimisers.hpp"
#include "input/field_reader.hpp"
#include "input/profiles.hpp"
#include "input/species_file.hpp"
#include "model/derivs.hpp"
#include "model/state_variables.hpp"
#include "output/conc_file.hpp"
#include "time_loop/loop_stages.hpp"
#include "time_loop/main_loop.hpp"

namespace tarnavel {

namespace {

constexpr int kTemperatureKind = 1, kResidenceKind = 21, kInitialKind = 22, kExternalKind = 24;
constexpr int kRateKind = 100, kExponentKind = 101, kActivationKind = 102, kBracketKind = 200;
constexpr double kZeroInitial = 1.0e-25;
constexpr double kLeastTotal = 1.0e-23;
constexpr int kHeadingWidth = 150;

bool IsBracket(int kind) { return kind >= kBracketKind && kind < kBracketKind + 100; }

int SpeciesIndex(const ModelStore& st, const std::string& name) {
  for (int s = 3; s <= st.rspec; ++s)
    if (st.species[s].name == name) return s;
  return 0;
}

// The temperatures a rate law meets: the run temperature, or every value of
// a temperature profile.
std::vector<double> Temperatures(const Run& run) {
  const ModelStore& st = run.store;
  if (!run.settings.tprofile) return {run.store.net.temperature};
  std::vector<double> t;
  for (int s = 3; s <= st.rspec; ++s) {
    const SpeciesEntry& e = st.species[s];
    if (e.name != kTemperatureSpecies || !e.held) continue;
    for (int i = 1; i <= e.profile_count; ++i) t.push_back(ProfileValue(st, e, i));
  }
  if (t.empty()) t.push_back(run.store.net.temperature);
  return t;
}

// Puts the trial vector into the store; false when it is rejected.
bool Apply(Run& run, const FitProblem& fit, const std::vector<double>& p) {
  ModelStore& st = run.store;
  Network& net = st.net;
  const std::vector<FitParameter>& table = run.reader.fit;
  bool initials = false;
  for (size_t j = 0; j < table.size(); ++j) {
    const FitParameter& f = table[j];
    const double v = p[j];
    const int s = fit.species[j];
    if (f.kind == kTemperatureKind) {
      if (v <= run.settings.tmin || v > run.settings.tmax) return false;
      run.settings.temp = v;
      net.temperature = v;
      const int ts = SpeciesIndex(st, kTemperatureSpecies);
      if (ts > 0 && !run.settings.tprofile) st.conc[ts] = st.species[ts].initial = v;
    } else if (f.kind == kResidenceKind) {
      if (v <= 0.0) return false;
      st.species[s].flow_rate = 1.0 / v;
      st.cstr = true;
    } else if (f.kind == kInitialKind) {
      if (v < 0.0) return false;
      st.conc[s] = st.species[s].initial = v == 0.0 ? kZeroInitial : v;
      initials = true;
    } else if (f.kind == kExternalKind) {
      if (v < 0.0) return false;
      st.species[s].external = v;
      st.cstr = true;
    } else if (f.kind == kRateKind) {
      if (v < 0.0) return false;
      SetRateParameter(run, f.item, v);
    } else if (f.kind == kExponentKind || f.kind == kActivationKind) {
      // A fitted m or Ea keeps the full Arrhenius form, even from 0.
      CompiledReaction& cr = net.rx[f.item];
      (f.kind == kExponentKind ? cr.mt : cr.ea) = v;
      cr.tdep = true;
      cr.mtzero = cr.eazero = false;
    } else if (IsBracket(f.kind)) {
      const int slot = f.kind - kBracketKind;
      if (IsColliderEfficiencySlot(slot) && (v < 0.0 || v > 50.0)) return false;
      st.special[net.rx[f.item].kptr].param[slot] = v;
      // The generated reverse carries its own copy of the group.
      if (f.item < st.nreact && st.reaction[f.item + 1].reverse && net.rx[f.item + 1].kptr > 0)
        st.special[net.rx[f.item + 1].kptr].param[slot] = v;
    }
  }
  if (initials) {
    double total = 0.0;
    for (int s = 3; s <= st.rspec; ++s) {
      const SpeciesEntry& e = st.species[s];
      if (IsStateVariableSpecies(e.name) || e.initial == -1.0) continue;
      total += st.conc[s];
    }
    if (!(total > kLeastTotal)) return false;
  }
  // Rate constants that would overflow at any temperature of the run.
  const double rgas = run.settings.rgas;
  for (double t : Temperatures(run)) {
    if (!(t > 0.0)) continue;
    for (int r = 1; r <= st.nreact; ++r) {
      const CompiledReaction& cr = net.rx[r];
      if (!cr.tdep) continue;
      if (cr.ea / (rgas * t) < -668.0 || cr.mt * std::log(t) > 290.0) return false;
    }
  }
  net.cstr_species.clear();
  for (int s = 3; s <= st.spec; ++s)
    if (st.species[s].flow_rate != 0.0) net.cstr_species.push_back(s);
  net.arrhenius_temp = -1.0;
  SetUpStateVariables(run);
  return true;
}

void WriteHeadings(Run& run) {
  const char d = run.reader.delim;
  std::string line = " Time(s)";
  line.resize(kHeadingWidth, ' ');
  line += d;
  for (int s : DisplayedSpecies(run.store)) {
    std::string name = Trim(run.store.species[s].name);
    name.resize(kHeadingWidth, ' ');
    line += name;
    line += d;
  }
  std::error_code ec;
  std::filesystem::remove("HEADINGS.TXT", ec);
  std::ofstream("HEADINGS.TXT") << line << "\n";
}

}  // namespace

void SetUpFit(Run& run, FitProblem& fit) {
  const std::vector<FitParameter>& table = run.reader.fit;
  if (table.empty()) FatalError(run, 111);
  fit.species.assign(table.size(), 0);
  for (size_t j = 0; j < table.size(); ++j)
    if (!table[j].species.empty()) fit.species[j] = SpeciesIndex(run.store, table[j].species);
  fit.data = ReadFitData(run, run.sw.fit.data_file);
  fit.comparison = SetUpComparison(run, fit.data, run.sw.fit.comparator);
  double last = 0.0;
  for (const FitData::Row& row : fit.data.rows) {
    if (row.time > last) fit.row_times.push_back(row.time);
    last = std::max(last, row.time);
  }
  fit.initial_store = run.store;
  fit.initial_settings = run.settings;
}

std::vector<double> StartVector(const Run& run, const FitProblem& fit) {
  const ModelStore& st = run.store;
  const std::vector<FitParameter>& table = run.reader.fit;
  std::vector<double> x(table.size(), 0.0);
  for (size_t j = 0; j < table.size(); ++j) {
    const FitParameter& f = table[j];
    const int s = fit.species[j];
    if (f.kind == kTemperatureKind) {
      x[j] = run.settings.temp;
    } else if (f.kind == kResidenceKind) {
      x[j] = st.species[s].flow_rate != 0.0 ? 1.0 / st.species[s].flow_rate : 0.0;
    } else if (f.kind == kInitialKind) {
      x[j] = st.species[s].initial;
    } else if (f.kind == kExternalKind) {
      x[j] = st.species[s].external;
    } else if (f.kind == kRateKind) {
      x[j] = st.net.rx[f.item].a;
    } else if (f.kind == kExponentKind) {
      x[j] = st.net.rx[f.item].mt;
    } else if (f.kind == kActivationKind) {
      x[j] = st.net.rx[f.item].ea;
    } else if (IsBracket(f.kind)) {
      x[j] = st.special[st.net.rx[f.item].kptr].param[f.kind - kBracketKind];
    }
  }
  return x;
}

double FitObjective(Run& run, FitProblem& fit, const std::vector<double>& p, double (*uniform)(void*),
                    void* generator) {
  run.store = fit.initial_store;
  run.settings = fit.initial_settings;
  if (!Apply(run, fit, p)) return uniform(generator) * 1.0e40 + kRejectedFitValue;
  ++fit.calls;
  if (!run.sw.quiet) {
    run.console.Line("In optimization iteration #" + std::to_string(fit.calls));
    run.console.Line("Current new values:");
    std::string values;
    for (double v : p) fmt::AppendG(values, v, 15, 6);
    run.console.Line(values);
  }
  if (!fit.headings_written) {
    WriteHeadings(run);
    fit.headings_written = true;
  }
  // The simulation, from time 0 to the last data time, with a row at every
  // data time; a fresh loop brings a fresh integrator.
  run.settings.simlen = fit.row_times.empty() ? 0.0 : fit.row_times.back();
  LoopState loop;
  if (fit.integration != nullptr) {
    fit.integration->extrapolation = ExtrapolationState{};
    fit.integration->reset = false;
    loop.integration = std::move(fit.integration);
  }
  PrepareLoop(run, loop);
  loop.row_times = &fit.row_times;
  PrepareConcOutput(run);
  OpenConcFile(run, loop.conc_file);
  WriteConcHeader(run, loop.conc_file, false);
  WriteConcRow(run, loop.conc_file, 0.0, false);
  for (int s = 3; s <= run.store.rspec; ++s) loop.last_written[s] = run.store.conc[s];
  try {
    // A trial whose simulation cannot be completed is a bad trial, scored
    // like a rejected vector; at the starting values nothing sensible can
    // follow, and the failure ends the fit with its message.
    SurviveIntegrationFailures survive(run, p != fit.start);
    RunMainLoop(run, loop);
  } catch (const IntegrationFailure& failure) {
    CloseConcFile(run, loop.conc_file);
    fit.integration = std::move(loop.integration);
    ++fit.failed_trials;
    if (!run.sw.quiet) {
      run.console.Line("Simulation failed: " + std::string(failure.reason) + " (fatal error " +
                       std::to_string(failure.fatal_number) + "); the trial counts as a rejected vector.");
    }
    return uniform(generator) * 1.0e40 + kRejectedFitValue;
  }
  stage::FinishOutputs(run, loop);
  std::ofstream(run.sw.conc_out_name, std::ios::app) << "END\nEOF\n";
  fit.integration = std::move(loop.integration);

  double sum = 0.0;
  CompareWithData(run, run.sw.conc_out_name, fit.data, fit.comparison, sum);
  if (!run.sw.quiet) run.console.Line("Simulation-Data Difference calculated @ " + fmt::E(sum, 14, 6));
  fit.last_sum = sum;
  return sum;
}

bool FitParameterDescription(int kind, std::string& text) {
  text.clear();
  if (IsBracket(kind)) {
    text = "+M[] or +S[] value at field # " + std::to_string(kind - 199);
    return true;
  }
  switch (kind) {
    case kTemperatureKind: text = "Temperature(K)"; return true;
    case kResidenceKind: text = "Time(s) in CSTR"; return true;
    case kInitialKind: text = "Initial Concentration"; return true;
    case kExternalKind: text = "External Concentration"; return true;
    case kRateKind: text = "k or A"; return true;
    case kExponentKind: return true;  // the temperature exponent has no text of its own
    case kActivationKind: text = "Ea"; return true;
    default: return false;
  }
}

}  // namespace tarnavel
