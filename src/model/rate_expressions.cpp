#include "model/rate_expressions.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>

#include "core/diagnostics.hpp"
#include "core/fortran_format.hpp"
#include "core/run.hpp"
#include "input/field_reader.hpp"
#include "model/expression_code.hpp"
#include "model/solar_photolysis.hpp"

namespace tarnavel {

namespace {

using CE = CompiledExpressions;
constexpr int kAllDependences = kDependsTemperature | kDependsComposition | kDependsTime;
constexpr double kAvogadro = 6.02214076e23;

// Molecules per cm^3 in one concentration unit of the model (0 for ppm,
// which is a mixing ratio).
double MoleculesPerUnit(int concunits) {
  switch (concunits) {
    case kMoleculesPerCm3: return 1.0;
    case kMolesPerCm3: return kAvogadro;
    case kPpm: return 0.0;
    default: return kAvogadro * 1.0e-3;  // moles per liter
  }
}

std::string ReactionPlace(const Run& run, int srcline) {
  return "line " + std::to_string(srcline) + " of " + Trim(run.reader.filename[kModelFile]);
}

// The names of one compilation: every definition is compiled the first time
// it is named (or in file order), so that the programs come out in an order
// in which each value is ready before it is used.
class Compiler {
 public:
  explicit Compiler(Run& run)
      : run_(run), st_(run.store), ce_(run.store.net.expressions), defs_(run.store.rate_definitions) {}

  void Compile();

 private:
  Run& run_;
  ModelStore& st_;
  CE& ce_;
  const RateDefinitions& defs_;
  std::map<std::string, int> slot_;         // names compiled so far
  std::map<std::string, int> define_;       // definition name -> its statement
  std::map<std::string, int> sum_;          // sum name -> its statement
  std::vector<int> state_;                  // per definition: 0 new, 1 being compiled, 2 done
  std::vector<std::string> chain_;          // the definitions being compiled, outermost first
  std::vector<int> slot_depends_;           // per value slot
  std::vector<std::vector<int>> slot_species_;  // per value slot: integrated species it moves with
  std::vector<std::vector<int>> slot_sums_;     // per value slot: the sums apart it moves with
  std::string where_;                       // what is being compiled, for messages
  std::string text_;

  const RateDefinitions::Setting* Setting(const char* name) const {
    for (const auto& s : defs_.settings)
      if (s.name == name) return &s;
    return nullptr;
  }

  int NewSlot(int depends, std::vector<int> species) {
    ce_.values.push_back(0.0);
    slot_depends_.push_back(depends);
    std::sort(species.begin(), species.end());
    species.erase(std::unique(species.begin(), species.end()), species.end());
    slot_species_.push_back(std::move(species));
    slot_sums_.emplace_back();
    return static_cast<int>(ce_.values.size()) - 1;
  }

  [[noreturn]] void Missing(const std::string& what, const std::string& why) {
    run_.msg.name1 = what;
    run_.msg.name2 = why;
    run_.msg.name3 = defs_.read ? defs_.file : run_.sw.rates_file;
    FatalError(run_, 137);
  }

  int SpeciesSlot(const std::string& name) const {
    for (int s = 3; s <= st_.rspec; ++s)
      if (st_.species[s].name == name) return s;
    return 0;
  }

  void SetUpEnvironment();
  void SetUpSun();
  int Fixed(const std::string& name);
  int Photolysis(int j);
  int Sum(const std::string& name);
  int Definition(const std::string& name);
  void CompileText(const std::string& text, const std::string& where, CE::Program& program);
};

void Compiler::SetUpEnvironment() {
  ce_.values.clear();
  for (int i = 0; i < CE::kFixedSlots; ++i) NewSlot(0, {});
  ce_.air_unit = MoleculesPerUnit(run_.settings.concunits);
  if (const auto* p = Setting("PRESSURE")) {
    if (!(p->value > 0.0)) {
      run_.msg.name1 = defs_.file;
      run_.msg.name2 = "the pressure must be above 0 Pa";
      run_.msg.n1 = p->srcline;
      FatalError(run_, 136);
    }
    ce_.pressure_given = true;
    ce_.pressure = p->value;
  }
  if (const auto* w = Setting("H2O")) ce_.water = w->value;
  if (const auto* h = Setting("RH")) ce_.humidity = h->value;
  if (const auto* j = Setting("JFACTOR")) ce_.jfactor = j->value;
  ce_.o2_species = SpeciesSlot("O2");
  ce_.n2_species = SpeciesSlot("N2");
  ce_.h2o_species = SpeciesSlot("H2O");
}

void Compiler::SetUpSun() {
  if (ce_.sun) return;
  const auto* lat = Setting("LATITUDE");
  const auto* lon = Setting("LONGITUDE");
  const auto* start = Setting("START");
  if (lat == nullptr || lon == nullptr || start == nullptr)
    Missing("photolysis rates J<n>", "the place and time under the sun are not all given (SET LATITUDE, LONGITUDE and START).");
  ce_.latitude = lat->value;
  ce_.longitude = lon->value;
  // START yyyy-mm-ddThh:mm:ss (or a blank for the T), UTC.
  int y = 0, mo = 0, d = 0, h = 0, mi = 0;
  double sec = 0.0;
  char sep = 0;
  const int got = std::sscanf(start->text.c_str(), "%d-%d-%d%c%d:%d:%lf", &y, &mo, &d, &sep, &h, &mi, &sec);
  const UtcStart utc{y, mo, d, h * 3600.0 + mi * 60.0 + sec};
  if (got < 3 || (got > 3 && got < 6) || !IsValidUtcStart(utc) || h > 23 || mi > 59 || sec >= 60.0 || h < 0 ||
      mi < 0 || sec < 0.0) {
    run_.msg.name1 = defs_.file;
    run_.msg.name2 = "START '" + start->text + "' is no UTC date and time yyyy-mm-ddThh:mm:ss";
    run_.msg.n1 = start->srcline;
    FatalError(run_, 136);
  }
  ce_.start_year = y;
  ce_.start_month = mo;
  ce_.start_day = d;
  ce_.start_seconds = utc.seconds;
  if (const auto* dec = Setting("DECLINATION")) {
    ce_.fixed_declination = true;
    ce_.declination = dec->value;
  }
  ce_.sun = true;
}

// TEMP, M, O2, N2 and H2O.
int Compiler::Fixed(const std::string& name) {
  if (name == "TEMP") {
    slot_depends_[CE::kTemp] = kDependsTemperature;
    return CE::kTemp;
  }
  const bool ppm = run_.settings.concunits == kPpm;
  const int air_depends = ppm ? 0 : kDependsTemperature;
  if (name == "M" || ((name == "O2" || name == "N2") && (name == "O2" ? ce_.o2_species : ce_.n2_species) == 0)) {
    if (!ce_.pressure_given && !ppm)
      Missing(name, "the model has no such species and the pressure that gives the air is not set (SET PRESSURE, Pa).");
    const int slot = name == "M" ? CE::kM : name == "O2" ? CE::kO2 : CE::kN2;
    slot_depends_[slot] = air_depends;
    return slot;
  }
  if (name == "O2" || name == "N2") {
    const int s = name == "O2" ? ce_.o2_species : ce_.n2_species;
    const int slot = name == "O2" ? CE::kO2 : CE::kN2;
    slot_depends_[slot] = kDependsComposition;
    if (s <= st_.spec) slot_species_[slot] = {s};
    return slot;
  }
  if (name == "H2O") {
    if (ce_.h2o_species != 0) {
      slot_depends_[CE::kH2O] = kDependsComposition;
      if (ce_.h2o_species <= st_.spec) slot_species_[CE::kH2O] = {ce_.h2o_species};
    } else if (ce_.water >= 0.0) {
      slot_depends_[CE::kH2O] = 0;
    } else if (ce_.humidity >= 0.0) {
      if (!ce_.pressure_given) Missing("H2O from the relative humidity", "the pressure is not set (SET PRESSURE, Pa).");
      slot_depends_[CE::kH2O] = kDependsTemperature;
    } else {
      Missing("H2O", "the model has no species H2O and neither SET H2O nor SET RH gives the water.");
    }
    return CE::kH2O;
  }
  return -1;
}

int Compiler::Photolysis(int j) {
  // With every J scaled to 0 (a dark run) the sun need not be placed: J<n>
  // is then a constant 0.
  const bool dark = ce_.jfactor == 0.0;
  if (!dark) SetUpSun();
  PhotolysisParameters p{};
  bool known = McmPhotolysis(j, p);
  for (const auto& user : defs_.photolysis) {
    if (user.j != j) continue;
    p = {user.l, user.m, user.n};
    known = true;
  }
  if (!known) Missing("J<" + std::to_string(j) + ">", "it is no photolysis rate of the built-in table and no J line gives its l, m and n.");
  if (dark) return NewSlot(0, {});
  const int slot = NewSlot(kDependsTime, {});
  ce_.photolysis.push_back({slot, j, p.l, p.m, p.n});
  ce_.time_used = true;
  return slot;
}

int Compiler::Sum(const std::string& name) {
  const RateDefinitions::Sum& sum = defs_.sums[sum_.at(name)];
  CE::Sum compiled;
  std::vector<int> moving;
  for (const std::string& species : sum.species) {
    const int s = SpeciesSlot(species);
    if (s == 0) continue;  // a published sum lists species a subset leaves out
    if (std::find(compiled.species.begin(), compiled.species.end(), s) != compiled.species.end()) continue;
    compiled.species.push_back(s);
    if (s <= st_.spec) moving.push_back(s);
  }
  const int index = static_cast<int>(ce_.sums.size());
  compiled.apart = static_cast<int>(moving.size()) > CE::kSumApartMembers;
  if (compiled.apart) {
    compiled.slot = NewSlot(kDependsComposition, {});
    slot_sums_[compiled.slot].push_back(index);
  } else {
    compiled.slot = NewSlot(kDependsComposition, moving);
  }
  for (int s : compiled.species) ce_.sums_of_species[s].push_back(index);
  ce_.sums.push_back(std::move(compiled));
  ce_.composition_used = true;
  return ce_.sums.back().slot;
}

void Compiler::CompileText(const std::string& text, const std::string& where, CE::Program& program) {
  int depends = 0;
  std::vector<int> species, sums;
  const auto slot_of = [&](const std::string& name) {
    int slot = -1;
    if (auto it = slot_.find(name); it != slot_.end()) {
      slot = it->second;
    } else if (name.size() > 3 && name.compare(0, 2, "J<") == 0) {
      slot = slot_[name] = Photolysis(std::atoi(name.c_str() + 2));
    } else if ((slot = Fixed(name)) >= 0) {
      // TEMP, M, O2, N2, H2O: their slots are fixed.
    } else if (sum_.count(name) != 0) {
      slot = slot_[name] = Sum(name);
    } else if (define_.count(name) != 0) {
      slot = Definition(name);
    } else {
      return -1;
    }
    depends |= slot_depends_[slot];
    species.insert(species.end(), slot_species_[slot].begin(), slot_species_[slot].end());
    sums.insert(sums.end(), slot_sums_[slot].begin(), slot_sums_[slot].end());
    return slot;
  };
  ExpressionError error;
  program.begin = static_cast<int>(ce_.code.size());
  if (!CompileExpression(text, slot_of, ce_.code, error)) {
    run_.msg.name1 = where;
    run_.msg.name2 = text;
    if (!error.name.empty()) {
      run_.msg.name3 = error.name;
      FatalError(run_, 133);
    }
    run_.msg.n1 = error.column;
    run_.msg.name3 = error.what;
    FatalError(run_, 132);
  }
  program.end = static_cast<int>(ce_.code.size());
  program.depends = depends;
  program.name = where;
  std::sort(species.begin(), species.end());
  species.erase(std::unique(species.begin(), species.end()), species.end());
  std::sort(sums.begin(), sums.end());
  sums.erase(std::unique(sums.begin(), sums.end()), sums.end());
  if (program.slot >= 0) {
    slot_depends_[program.slot] = depends;
    slot_species_[program.slot] = species;
    slot_sums_[program.slot] = sums;
  } else {
    for (int s : species) ce_.readers[s].push_back(program.reaction);
    for (int k : sums) ce_.sums[k].readers.push_back(program.reaction);
  }
}

int Compiler::Definition(const std::string& name) {
  const int index = define_.at(name);
  if (state_[index] == 2) return slot_.at(name);
  if (state_[index] == 1) {
    std::string loop;
    bool on = false;
    for (const std::string& c : chain_) {
      on = on || c == name;
      if (on) loop += c + " -> ";
    }
    run_.msg.name1 = name;
    run_.msg.name2 = loop + name;
    FatalError(run_, 134);
  }
  state_[index] = 1;
  chain_.push_back(name);
  const RateDefinitions::Named& d = defs_.defines[index];
  CE::Program program;
  program.slot = NewSlot(0, {});
  CompileText(d.text, name + " (line " + std::to_string(d.srcline) + " of " + defs_.file + ")", program);
  ce_.definitions.push_back(program);
  slot_[name] = program.slot;
  chain_.pop_back();
  state_[index] = 2;
  return program.slot;
}

void Compiler::Compile() {
  ce_ = CE{};
  const bool any = std::any_of(st_.reaction.begin() + 1, st_.reaction.begin() + st_.nreact + 1,
                               [](const ReactionRecord& r) { return !r.expression.empty(); });
  if (!any) return;
  SetUpEnvironment();
  ce_.sums_of_species.assign(st_.rspec + 1, {});
  ce_.readers.assign(st_.rspec + 1, {});
  ce_.program_of_reaction.assign(st_.nreact + 1, -1);
  for (size_t i = 0; i < defs_.defines.size(); ++i) define_[defs_.defines[i].name] = static_cast<int>(i);
  for (size_t i = 0; i < defs_.sums.size(); ++i) sum_[defs_.sums[i].name] = static_cast<int>(i);
  state_.assign(defs_.defines.size(), 0);
  // Every definition is compiled, used or not, so that a fault anywhere in
  // the file is found at once.
  for (const auto& d : defs_.defines)
    if (state_[define_.at(d.name)] == 0) Definition(d.name);
  for (int r = 1; r <= st_.nreact; ++r) {
    const ReactionRecord& rec = st_.reaction[r];
    if (rec.expression.empty()) continue;
    const std::string where = ReactionPlace(run_, rec.srcline);
    if (rec.special > 0) {
      run_.msg.name1 = where;
      run_.msg.name2 = rec.expression;
      run_.msg.n1 = 1;
      run_.msg.name3 = "a rate constant written as an expression takes no bracket group or pressure table";
      FatalError(run_, 132);
    }
    CE::Program program;
    program.reaction = r;
    CompileText(rec.expression, where, program);
    ce_.program_of_reaction[r] = static_cast<int>(ce_.reactions.size());
    ce_.reactions.push_back(program);
    st_.net.rx[r].expression = true;
    st_.net.rx[r].tdep = false;
  }
  for (auto& readers : ce_.readers) {
    std::sort(readers.begin(), readers.end());
    readers.erase(std::unique(readers.begin(), readers.end()), readers.end());
  }
  int deepest = 1;
  for (const auto* list : {&ce_.definitions, &ce_.reactions})
    for (const auto& p : *list) deepest = std::max(deepest, StackDepth(ce_.code.data() + p.begin, p.end - p.begin));
  ce_.stack.assign(static_cast<size_t>(deepest) + 1, 0.0);
  ce_.composition_used = ce_.composition_used || slot_depends_[CE::kO2] == kDependsComposition ||
                         slot_depends_[CE::kN2] == kDependsComposition || slot_depends_[CE::kH2O] == kDependsComposition;
  ce_.active = true;
}

// M, O2, N2 and H2O at the temperature and the state.
void Air(CE& ce, const ModelStore& st, const double* x, int concunits) {
  const double t = st.net.temperature;
  double air = 0.0;  // molecules cm^-3
  if (concunits == kPpm) {
    ce.values[CE::kM] = 1.0e6;
  } else if (ce.pressure_given) {
    air = AirNumberDensity(ce.pressure, t);
    ce.values[CE::kM] = air / ce.air_unit;
  }
  ce.values[CE::kO2] = ce.o2_species != 0 ? x[ce.o2_species] : kOxygenShare * ce.values[CE::kM];
  ce.values[CE::kN2] = ce.n2_species != 0 ? x[ce.n2_species] : kNitrogenShare * ce.values[CE::kM];
  if (ce.h2o_species != 0) {
    ce.values[CE::kH2O] = x[ce.h2o_species];
  } else if (ce.water >= 0.0) {
    ce.values[CE::kH2O] = ce.water;
  } else if (ce.humidity >= 0.0 && ce.pressure_given) {
    const double water = WaterFromRelativeHumidity(ce.humidity, t, ce.pressure);
    ce.values[CE::kH2O] = concunits == kPpm ? water / air * 1.0e6 : water / ce.air_unit;
  }
}

double Checked(Run& run, const CE::Program& p, double value) {
  if (std::isfinite(value)) return value;
  run.msg.name1 = p.name;
  run.msg.name2 = std::isnan(value) ? "NaN" : value > 0 ? "+Infinity" : "-Infinity";
  run.msg.name3 = "T = " + Trim(fmt::G(run.store.net.temperature, 14, 6)) + " K, t = " +
                  Trim(fmt::G(run.store.net.time, 14, 6)) + " s";
  FatalError(run, 135);
}

}  // namespace

void CompileRateExpressions(Run& run) { Compiler(run).Compile(); }

void EvaluateRateExpressions(Run& run, const double* x) {
  ModelStore& st = run.store;
  Network& net = st.net;
  CE& ce = net.expressions;
  if (!ce.active) return;
  int changed = ce.evaluated ? 0 : kAllDependences;
  if (net.temperature != ce.last_temperature) changed |= kDependsTemperature;
  if (ce.composition_used) changed |= kDependsComposition;
  if (ce.time_used && net.time != ce.last_time) changed |= kDependsTime;
  if (changed == 0) return;
  double* values = ce.values.data();
  values[CE::kTemp] = net.temperature;
  if (changed & (kDependsTemperature | kDependsComposition)) Air(ce, st, x, run.settings.concunits);
  if (changed & kDependsComposition) {
    for (const CE::Sum& sum : ce.sums) {
      double total = 0.0;
      for (int s : sum.species) total += x[s];
      values[sum.slot] = total;
    }
  }
  if ((changed & kDependsTime) && !ce.photolysis.empty()) {
    const UtcMoment moment = UtcAt(UtcStart{ce.start_year, ce.start_month, ce.start_day, ce.start_seconds}, net.time);
    const double cos_zenith = CosZenith(ce.latitude, ce.longitude, moment,
                                        ce.fixed_declination ? std::optional<double>(ce.declination) : std::nullopt);
    for (const CE::Photolysis& p : ce.photolysis)
      values[p.slot] = ce.jfactor * PhotolysisRate(PhotolysisParameters{p.l, p.m, p.n}, cos_zenith);
  }
  const ExprOp* code = ce.code.data();
  double* stack = ce.stack.data();
  const bool all = !ce.evaluated;
  for (const CE::Program& p : ce.definitions)
    if (all || (p.depends & changed))
      values[p.slot] = Checked(run, p, RunExpression(code + p.begin, p.end - p.begin, values, stack));
  for (const CE::Program& p : ce.reactions)
    if (all || (p.depends & changed))
      net.rk[p.reaction] = net.rx[p.reaction].a * Checked(run, p, RunExpression(code + p.begin, p.end - p.begin, values, stack));
  ce.evaluated = true;
  ce.last_temperature = net.temperature;
  ce.last_time = net.time;
}

double ExpressionRate(ModelStore& st, int r) {
  CE& ce = st.net.expressions;
  const CE::Program& p = ce.reactions[ce.program_of_reaction[r]];
  return st.net.rx[r].a * RunExpression(ce.code.data() + p.begin, p.end - p.begin, ce.values.data(), ce.stack.data());
}

std::vector<std::vector<int>> ExpressionReaders(const ModelStore& st) {
  const CE& ce = st.net.expressions;
  if (!ce.active) return std::vector<std::vector<int>>(st.rspec + 1);
  return ce.readers;
}

void ShiftSum(ModelStore& st, int k, double value) {
  CE& ce = st.net.expressions;
  double* values = ce.values.data();
  values[ce.sums[k].slot] = value;
  for (const CE::Program& p : ce.definitions)
    if (p.depends & kDependsComposition)
      values[p.slot] = RunExpression(ce.code.data() + p.begin, p.end - p.begin, values, ce.stack.data());
}

void ShiftExpressionInputs(ModelStore& st, int s, const double* x) {
  CE& ce = st.net.expressions;
  double* values = ce.values.data();
  // Summed again in full, as the derivative function sums them, so that the
  // column agrees with a whole evaluation to the bit.
  for (int k : ce.sums_of_species[s]) {
    if (ce.sums[k].apart) continue;  // its own rank-one term carries it
    double total = 0.0;
    for (int member : ce.sums[k].species) total += x[member];
    values[ce.sums[k].slot] = total;
  }
  if (s == ce.o2_species) values[CE::kO2] = x[s];
  if (s == ce.n2_species) values[CE::kN2] = x[s];
  if (s == ce.h2o_species) values[CE::kH2O] = x[s];
  for (const CE::Program& p : ce.definitions)
    if (p.depends & kDependsComposition)
      values[p.slot] = RunExpression(ce.code.data() + p.begin, p.end - p.begin, values, ce.stack.data());
}

}  // namespace tarnavel
