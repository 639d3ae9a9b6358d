#include "output/ignition_delay.hpp"

#include <algorithm>
#include <cmath>

#include "core/diagnostics.hpp"
#include "core/fortran_format.hpp"
#include "core/output_file.hpp"
#include "core/run.hpp"
#include "model/derivs.hpp"
#include "model/state_variables.hpp"

namespace tarnavel {

namespace {

// Relative change of the largest-moving component in the step along the
// trajectory that gives the second time derivatives.
constexpr double kShiftFraction = 1.0e-7;
// Components below this fraction of the largest one are measured against it
// when the shift is sized, so that a trace species cannot shrink the shift to
// nothing.
constexpr double kShiftFloor = 1.0e-10;
// A maximum within this fraction of the run's length from its end is the end.
constexpr double kEndFraction = 1.0e-10;

int IntegratedSlot(const ModelStore& st, const std::string& name) {
  for (int s = 3; s <= st.spec; ++s)
    if (st.species[s].name == name) return s;
  return 0;
}

void AddCriterion(IgnitionTracker& tr, std::string label, IgnitionKind kind, int slot) {
  IgnitionCriterion c;
  c.label = std::move(label);
  c.kind = kind;
  c.slot = slot;
  tr.criteria.push_back(std::move(c));
}

// The quantity a criterion follows at the state: the temperature, or the
// concentration n/V of a species (in a constant-pressure run the integrated
// values are amounts per initial volume), with its first and second time
// derivatives from the amounts' and the volume's.
StepEnd Quantity(const Run& run, const IgnitionTracker& tr, const IgnitionCriterion& c, double time,
                 const double* f2) {
  const Network& net = run.store.net;
  const int i = c.slot - 3;
  StepEnd q;
  q.time = time;
  q.value = tr.y[i];
  q.rate = tr.f[i];
  q.curvature = f2[i];
  const int vi = net.volume_index;
  if (c.kind == IgnitionKind::kMaxConcentration && vi > 0 && net.per_volume[c.slot]) {
    const int v = vi - 3;
    const double vol = tr.y[v], dv = tr.f[v], d2v = f2[v];
    const double n = q.value, dn = q.rate, d2n = q.curvature;
    q.value = n / vol;
    q.rate = (dn - q.value * dv) / vol;
    q.curvature = (d2n - 2.0 * q.rate * dv - q.value * d2v) / vol;
  }
  return q;
}

// Keeps the larger of the criterion's best so far and a candidate.
void KeepLarger(IgnitionCriterion& c, double time, double value) {
  if (value > c.value) {
    c.time = time;
    c.value = value;
  }
}

// Takes one accepted step end into a criterion: a maximum inside the step,
// then the step end itself.
void Advance(IgnitionTracker& tr, IgnitionCriterion& c, const StepEnd& now) {
  const StepEnd& before = c.last;
  double time = 0.0, value = 0.0;
  switch (c.kind) {
    case IgnitionKind::kMaxTemperatureRate:
      if (MaximumRateBetween(before, now, time, value)) KeepLarger(c, time, value);
      KeepLarger(c, now.time, now.rate);
      break;
    case IgnitionKind::kMaxConcentration:
      if (MaximumBetween(before, now, time, value)) KeepLarger(c, time, value);
      KeepLarger(c, now.time, now.value);
      break;
    case IgnitionKind::kTemperatureRise: {
      const double level = tr.start_temperature + kIgnitionRise;
      if (!c.found && CrossingBetween(before, now, level, time)) {
        c.found = true;
        c.time = time;
        c.value = level;
      }
      break;
    }
  }
  c.last = now;
}

// The state of the store's species slots, its derivatives f, and the second
// derivatives: the change of f along f over a short time, from the derivative
// function at the state moved that far along the trajectory. The last
// evaluation is at the state itself, so the store's rate constants and rates
// are those of the state afterwards.
void Derivatives(Run& run, IgnitionTracker& tr) {
  ModelStore& st = run.store;
  const int n = st.spec - 2;
  for (int s = 3; s <= st.rspec; ++s) tr.y[s - 3] = st.conc[s];
  Derivs(run, tr.y.data(), tr.f.data());
  double largest = 0.0;
  for (int i = 0; i < n; ++i) largest = std::max(largest, std::fabs(tr.y[i]));
  const double floor = std::max(kShiftFloor * largest, 1.0e-300);
  double speed = 0.0;  // largest relative rate of change (1/s)
  for (int i = 0; i < n; ++i) speed = std::max(speed, std::fabs(tr.f[i]) / std::max(std::fabs(tr.y[i]), floor));
  std::copy(tr.y.begin(), tr.y.end(), tr.y_shifted.begin());
  if (speed > 0.0 && std::isfinite(speed)) {
    const double dt = kShiftFraction / speed;
    for (int i = 0; i < n; ++i) {
      double v = tr.y[i] + dt * tr.f[i];
      // A value the shift would carry below zero stays at zero.
      if (tr.y[i] >= 0.0 && v < 0.0) v = 0.0;
      tr.y_shifted[i] = v;
    }
    Derivs(run, tr.y_shifted.data(), tr.f_shifted.data());
    for (int i = 0; i < n; ++i) tr.f_shifted[i] = (tr.f_shifted[i] - tr.f[i]) / dt;
    Derivs(run, tr.y.data(), tr.f.data());
    run.counts.derivs += 3;
  } else {
    std::fill(tr.f_shifted.begin(), tr.f_shifted.end(), 0.0);
    run.counts.derivs += 1;
  }
}

std::string NumberText(double x) { return fmt::E(x, 16, 8); }

}  // namespace

void PrepareIgnitionTracking(Run& run, IgnitionTracker& tr, double start_time) {
  tr = IgnitionTracker();
  const ModelStore& st = run.store;
  if (run.sw.FitMode() || !st.net.compiled || !TemperatureIntegrated(run)) return;
  const int ti = st.net.temperature_index;
  if (ti < 3 || ti > st.spec) return;
  AddCriterion(tr, "max dT/dt", IgnitionKind::kMaxTemperatureRate, ti);
  if (run.sw.ignition_species_given) {
    for (const std::string& name : run.sw.ignition_species) {
      const int s = IntegratedSlot(st, name);
      if (s == 0 || s == ti || s == st.net.volume_index) {
        run.msg.name1 = name;
        FatalError(run, 128);
      }
      AddCriterion(tr, "max [" + name + "]", IgnitionKind::kMaxConcentration, s);
    }
  } else if (const int oh = IntegratedSlot(st, "OH"); oh != 0) {
    AddCriterion(tr, "max [OH]", IgnitionKind::kMaxConcentration, oh);
  }
  AddCriterion(tr, "T0+400 K", IgnitionKind::kTemperatureRise, ti);

  const std::size_t slots = static_cast<std::size_t>(std::max(st.rspec - 2, 1));
  tr.y.assign(slots, 0.0);
  tr.f.assign(slots, 0.0);
  tr.y_shifted.assign(slots, 0.0);
  tr.f_shifted.assign(slots, 0.0);
  tr.active = true;
  tr.start_time = tr.last_time = start_time;
  Derivatives(run, tr);
  tr.start_temperature = tr.highest_temperature = tr.y[ti - 3];
  for (IgnitionCriterion& c : tr.criteria) {
    c.last = Quantity(run, tr, c, start_time, tr.f_shifted.data());
    c.time = start_time;
    c.value = c.kind == IgnitionKind::kMaxTemperatureRate ? c.last.rate : c.last.value;
  }
}

void TrackIgnition(Run& run, IgnitionTracker& tr, double time) {
  if (!tr.active || !(time > tr.last_time)) return;
  Derivatives(run, tr);
  const int ti = run.store.net.temperature_index;
  tr.highest_temperature = std::max(tr.highest_temperature, tr.y[ti - 3]);
  for (IgnitionCriterion& c : tr.criteria) Advance(tr, c, Quantity(run, tr, c, time, tr.f_shifted.data()));
  tr.last_time = time;
}

bool IgnitionMet(const IgnitionTracker& tr, const IgnitionCriterion& c) {
  if (c.kind == IgnitionKind::kTemperatureRise) return c.found;
  const double span = tr.last_time - tr.start_time;
  const bool inside = c.time > tr.start_time && c.time < tr.last_time - kEndFraction * span;
  if (c.kind == IgnitionKind::kMaxConcentration) return inside;
  return inside && c.value > 0.0 && tr.highest_temperature - tr.start_temperature >= kLeastIgnitionRise;
}

void WriteIgnitionFile(Run& run, const IgnitionTracker& tr) {
  if (!tr.active) return;
  OutputFile file;
  file.Replace(run, kIgnitionFileName);
  file.WriteLine(run, "Criterion\tTime(s)\tValue");
  for (const IgnitionCriterion& c : tr.criteria) {
    const bool met = IgnitionMet(tr, c);
    file.WriteLine(run, c.label + "\t" + (met ? NumberText(c.time) : "NA") + "\t" +
                            (met ? NumberText(c.value) : "NA"));
  }
  file.Close(run);
}

void ReportIgnition(Run& run, const IgnitionTracker& tr) {
  if (!tr.active) return;
  run.console.Blank();
  run.console.Line("Ignition delay (s), written to " + std::string(kIgnitionFileName) + ":");
  bool missed = false;
  for (const IgnitionCriterion& c : tr.criteria) {
    const bool met = IgnitionMet(tr, c);
    missed = missed || !met;
    run.console.Line("  " + c.label + ": " + (met ? fmt::E(c.time, 14, 6) : "NA"));
  }
  if (missed) run.console.Line("  NA: not met within the run (no ignition, or the maximum at its start or end)");
}

}  // namespace tarnavel
