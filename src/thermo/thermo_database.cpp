#include "thermo/thermo_database.hpp"

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "core/diagnostics.hpp"
#include "core/fortran_format.hpp"
#include "core/output_file.hpp"
#include "core/run.hpp"
#include "core/stop.hpp"
#include "input/field_reader.hpp"
#include "input/periodic_table.hpp"
#include "input/species_file.hpp"
#include "input/working_directory.hpp"

namespace tarnavel {

namespace {

constexpr size_t kRecordLength = 340;   // database lines are read as this many characters
constexpr int kMaxValueWidth = 350;     // an F descriptor takes at most this many characters
constexpr size_t kLineNumberColumn = 79;  // column 80 holds the line number of a U1234 record
constexpr size_t kPhaseLength = 50;
constexpr size_t kFluffScan = 79;       // a FLUFF name is cut at a TAB among these characters
constexpr int kReportRule = 53;

bool IsAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// END at characters 1-3, 2-4 or 3-5 ends a database, in any case. In the
// later positions it counts only behind characters that cannot belong to a
// name ("  END", "'END'"), so that names such as PENDANT do not end it.
bool IsEndLine(std::string_view line) {
  const std::string upper = UpperCase(line.substr(0, std::min<size_t>(5, line.size())));
  for (size_t p = 0; p < 3 && p + 3 <= upper.size(); ++p) {
    if (upper.compare(p, 3, "END") != 0) continue;
    if (std::none_of(upper.begin(), upper.begin() + static_cast<long>(p), IsAlnum)) return true;
  }
  return false;
}

std::string_view TrimView(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool ParseThermoReal(std::string_view text, double& value) {
  if (TrimView(text).empty()) {
    value = 0.0;
    return true;
  }
  std::string mended(text);
  for (size_t i = mended.size(); i-- > 1;) {
    if (mended[i] == ' ' && (mended[i - 1] == 'e' || mended[i - 1] == 'E')) {
      mended[i] = '+';
      break;
    }
  }
  return ParseReal(mended, value);
}

// One line of the database being read, with its line number in the file.
struct DatabaseLine {
  std::string text;
  int number = 0;
};

// The database being read and the entry being taken from it.
struct DatabaseCursor {
  const ThermoDatabaseSpec& db;
  int d;                               // database number
  std::ifstream in;
  int line_count = 0;                  // physical lines read
  int expected = 1;                    // U1234: the line number the next NL looks for
  std::vector<DatabaseLine> lines;     // the lines of the current entry
  std::vector<std::string> val;        // VAL(1..): the entry's values; [0] blank, for a missing one
  std::vector<size_t> val_line;        // index into `lines` of each value
  ReaderState splitter;                // cuts free-format lines into values

  DatabaseCursor(const ThermoDatabaseSpec& spec, int number) : db(spec), d(number) {}
};

// Reads the next line into the entry; false at end of file or at an END line.
bool ReadDatabaseLine(DatabaseCursor& c) {
  std::string text;
  if (!std::getline(c.in, text)) return false;
  ++c.line_count;
  if (!text.empty() && text.back() == '\r') text.pop_back();
  if (text.size() > kRecordLength) text.resize(kRecordLength);
  if (IsEndLine(text)) return false;
  // Old databases write the letter l as L (CL, AL, phase L): UPPL lowers
  // every capital L before the line's values are taken.
  if (c.db.Has(kSwUppl)) std::replace(text.begin(), text.end(), 'L', 'l');
  c.lines.push_back({std::move(text), c.line_count});
  return true;
}

char LineNumberDigit(const std::string& text) {
  return text.size() > kLineNumberColumn ? text[kLineNumberColumn] : ' ';
}

// Reads lines until one carries line number `digit` in column 80 (U1234);
// lines passed over are dropped from the entry.
bool ReadNumberedLine(DatabaseCursor& c, char digit) {
  for (;;) {
    if (!ReadDatabaseLine(c)) return false;
    if (LineNumberDigit(c.lines.back().text) == digit) return true;
    c.lines.pop_back();
  }
}

// The first line of the next entry.
bool StartEntry(DatabaseCursor& c) {
  c.lines.clear();
  c.val.assign(1, std::string());
  c.val_line.assign(1, 0);
  if (!c.db.Has(kSwU1234)) return ReadDatabaseLine(c);
  if (!ReadNumberedLine(c, '1')) return false;
  c.expected = 2;
  return true;
}

// NL: the entry continues on the next line (with U1234, the next line that
// carries the expected line number; the number runs 2, 3, 4 and back to 1).
bool NextEntryLine(DatabaseCursor& c) {
  if (!c.db.Has(kSwU1234)) return ReadDatabaseLine(c);
  if (!ReadNumberedLine(c, static_cast<char>('0' + c.expected))) return false;
  c.expected = c.expected == 4 ? 1 : c.expected + 1;
  return true;
}

void SplitFreeLine(DatabaseCursor& c) {
  ReaderState& rd = c.splitter;
  rd.line = c.lines.back().text;
  rd.delim = c.db.free_delim;
  SplitFields(rd);
  const int n = std::min(rd.nfield, kMaxFields);
  for (int k = 1; k <= n; ++k) {
    c.val.push_back(rd.field[k]);
    c.val_line.push_back(0);
  }
}

// Applies the INPUT descriptors from column 1 of the entry's first line.
// False when the database ends inside the entry.
bool CutFixedLines(Run& run, DatabaseCursor& c) {
  size_t pos = 0;
  for (const InputDescriptor& d : c.db.input) {
    const std::string& text = c.lines.back().text;
    switch (d.kind) {
      case kInputF: {
        if (d.width < 1) {
          run.console.Line("**** Internal Software error::::::: BF greater!?!");
          run.console.Flush();
          StopProgram(kExitStopped);
        }
        const size_t width = static_cast<size_t>(std::min(d.width, kMaxValueWidth));
        c.val.push_back(pos < text.size() ? text.substr(pos, width) : std::string());
        c.val_line.push_back(c.lines.size() - 1);
        pos += width;
        break;
      }
      case kInputIg:
        pos += static_cast<size_t>(d.width);
        break;
      case kInputNl:
        if (!NextEntryLine(c)) return false;
        pos = 0;
        break;
    }
  }
  return true;
}

// The values of the next entry; false at the end of the database.
bool NextEntry(Run& run, DatabaseCursor& c) {
  if (!StartEntry(c)) return false;
  if (c.db.free_format) {
    SplitFreeLine(c);
    return true;
  }
  return CutFixedLines(run, c);
}

// Position in VAL of the keyword's value; 0 (a blank value) when the keyword
// is not mapped or the entry has fewer values.
size_t ValueIndex(const DatabaseCursor& c, int keyword) {
  const int k = c.db.column[keyword];
  return k >= 1 && static_cast<size_t>(k) < c.val.size() ? static_cast<size_t>(k) : 0;
}

std::string_view Value(const DatabaseCursor& c, int keyword) { return c.val[ValueIndex(c, keyword)]; }

// Messages about a value quote the database line that held it.
void QuoteValueLine(Run& run, const DatabaseCursor& c, int keyword) {
  const size_t line = c.val_line[ValueIndex(c, keyword)];
  run.reader.filecode = kNoFile;
  run.msg.name1 = c.db.file;
  run.reader.line = c.lines[line].text;
  run.reader.srcline = c.lines[line].number;
}

double Number(Run& run, const DatabaseCursor& c, int keyword) {
  QuoteValueLine(run, c, keyword);
  return ThermoToReal(run, Value(c, keyword));
}

bool Mapped(const DatabaseCursor& c, int keyword) { return c.db.column[keyword] > 0; }

// The entry's names and phase, as the matching compares them.
struct EntryKey {
  std::string name;
  std::string synonym;     // SYN: the second comma-separated part
  std::string base;        // PHS: the name without its (phase) suffix
  std::string phase;
  bool check_phase = false;
  bool charge_known = false;
  double charge = 0.0;
};

std::vector<std::string> CommaParts(std::string_view text) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t comma = text.find(',', start);
    const std::string_view part = TrimView(text.substr(start, comma - start));  // to the end after the last comma
    if (!part.empty()) parts.emplace_back(part);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return parts;
}

EntryKey KeyOf(const DatabaseCursor& c) {
  const ThermoDatabaseSpec& db = c.db;
  EntryKey key;
  key.name = std::string(TrimView(Value(c, kMapSp)));
  if (db.Has(kSwSyn)) {
    const std::vector<std::string> parts = CommaParts(key.name);
    if (parts.size() >= 2) {
      key.name = parts[0];
      key.synonym = parts[1];
    }
  }
  if (db.Has(kSwFluff)) {
    std::string_view name = TrimView(key.name);
    size_t cut = name.find(' ');
    if (cut == std::string_view::npos) cut = name.substr(0, std::min(kFluffScan, name.size())).find('\t');
    key.name = std::string(name.substr(0, cut));
  }
  key.check_phase = Mapped(c, kMapPh);
  key.phase = std::string(TrimView(Value(c, kMapPh)));
  // PHS: "H2O(l)" is the name H2O with the phase l; "()" stands for the gas.
  if (db.Has(kSwPhs) && key.name.size() >= 3 && key.name.back() == ')') {
    const size_t open = key.name.rfind('(');
    if (open != std::string::npos && open >= 1) {
      key.base = key.name.substr(0, open);
      key.phase = key.name.substr(open + 1, key.name.size() - open - 2);
      if (key.phase.empty()) key.phase = "G";
      key.check_phase = true;
    }
  }
  if (key.phase.size() > kPhaseLength) key.phase.resize(kPhaseLength);
  return key;
}

bool Matches(Run& run, const DatabaseCursor& c, EntryKey& key, const SpeciesEntry& sp) {
  const std::string name = c.db.Has(kSwUpc) ? UpperCase(sp.name) : sp.name;
  const bool named = name == key.name || (!key.synonym.empty() && name == key.synonym) ||
                     (!key.base.empty() && name == key.base);
  if (!named) return false;
  if (key.check_phase) {
    if (sp.has_tag) {
      if (sp.tag != key.phase) return false;
    } else if (key.phase.empty() || (key.phase[0] != 'G' && key.phase[0] != 'g')) {
      return false;
    }
  }
  if (Mapped(c, kMapCh) && !c.db.Has(kSwChf)) {
    if (!key.charge_known) {
      key.charge = Number(run, c, kMapCh);
      key.charge_known = true;
    }
    if (key.charge != static_cast<double>(sp.charge)) return false;
  }
  return true;
}

// A mapped value, then the database's SET constant of the same keyword.
void Take(Run& run, const DatabaseCursor& c, int keyword, double& target) {
  if (Mapped(c, keyword)) target = Number(run, c, keyword);
  if (c.db.set_given[keyword]) target = c.db.set_value[keyword];
}

void Assign(Run& run, const DatabaseCursor& c, ThermoSpeciesData& th) {
  const ThermoDatabaseSpec& db = c.db;
  for (int k = 1; k <= 7; ++k) {
    Take(run, c, kMapLa1 + k - 1, th.a[1][k]);
    Take(run, c, kMapHa1 + k - 1, th.a[2][k]);
  }
  Take(run, c, kMapLt, th.lt);
  Take(run, c, kMapHt, th.ht);
  Take(run, c, kMapCt, th.ct);
  // An entry whose weight column is blank supplies no weight: a weight of
  // 0 would pass for a known one.
  if (Mapped(c, kMapCmw) && !TrimView(Value(c, kMapCmw)).empty()) {
    QuoteValueLine(run, c, kMapCmw);
    th.mw = CompositionWeight(run, Value(c, kMapCmw));
    th.mw_present = true;
  }
  if (Mapped(c, kMapMw) && !TrimView(Value(c, kMapMw)).empty()) {
    th.mw = Number(run, c, kMapMw);
    th.mw_present = true;
  }
  if (db.set_given[kMapR]) th.r_factor = db.set_value[kMapR];
  th.supplied = true;
}

bool AllSupplied(const Run& run) { return run.store.thermo.supplied_count >= run.store.nspec - 2; }

// Offers the current entry to every species that still lacks data and that
// this database may supply. One entry may supply several species.
void OfferEntry(Run& run, const DatabaseCursor& c) {
  ModelStore& st = run.store;
  ThermoStore& thermo = st.thermo;
  EntryKey key = KeyOf(c);
  for (int s = 3; s <= st.nspec; ++s) {
    ThermoSpeciesData& th = thermo.species[s];
    if (th.supplied || (thermo.reserved[s] != 0 && thermo.reserved[s] != c.d)) continue;
    if (!Matches(run, c, key, st.species[s])) continue;
    Assign(run, c, th);
    ++thermo.supplied_count;
  }
}

void ReadDatabase(Run& run, int d) {
  const ThermoDatabaseSpec& db = run.store.thermo.db[d];
  DatabaseCursor c(db, d);
  const bool exists = MayRead(run, db.file) && RegularFile(db.file);
  if (exists) c.in.open(db.file);
  if (!exists || !c.in) {
    run.msg.name1 = db.file;
    Warning(run, 34);
    return;
  }
  if (!run.sw.quiet) {
    run.console.Blank();
    run.console.Line(" Reading " + db.file + " thermodynamic database....");
    run.console.Blank();
  }
  while (!AllSupplied(run) && NextEntry(run, c)) OfferEntry(run, c);
}

std::string RealText(double x) { return fmt::E(x, 14, 6); }

void ReportSpecies(Run& run, int s) {
  Console& con = run.console;
  const ThermoSpeciesData& th = run.store.thermo.species[s];
  con.Blank();
  con.Line("Species:");
  con.Line(Trim(run.store.species[s].name));
  con.Line(" Temperature Range(s)");
  con.Line("LOW, COMMON TEMP. ,HI ");
  con.Line(RealText(th.lt) + "," + RealText(th.ct) + "," + RealText(th.ht));
  if (run.sw.debug != 0) con.Line("L,SSPEC= " + std::to_string(s) + " " + std::to_string(run.store.nspec));
  for (int r = 1; r <= 2; ++r) {
    con.Line("Thermodynamic coefficients for range " + std::to_string(r));
    std::string coefficients;
    for (int k = 1; k <= 7; ++k) {
      fmt::AppendE(coefficients, th.a[r][k], 20, 8);
      coefficients += ", ";
    }
    con.Line(coefficients);
    if (r == 2 && th.mw_present) {
      con.Blank();
      con.Line("DATABASE MW:" + RealText(th.mw));
    }
    con.Blank();
  }
  con.Line(std::string(kReportRule, '='));
}

// FORCE, FORCE1: the range every species covers; FORCE2: the range some
// species covers. The pseudo-species have no range and take no part.
void ForceTemperatureRange(Run& run) {
  if ((run.sw.force_flags & 1) == 0) return;
  const ModelStore& st = run.store;
  const bool widest = (run.sw.force_flags & 2) != 0;
  bool started = false;
  double tmin = 0.0, tmax = 0.0;
  for (int s = 3; s <= st.nspec; ++s) {
    if (NeedsNoThermoData(st.species[s].name)) continue;
    const ThermoSpeciesData& th = st.thermo.species[s];
    if (!started) {
      tmin = th.lt;
      tmax = th.ht;
      started = true;
    } else if (widest) {
      tmin = std::min(tmin, th.lt);
      tmax = std::max(tmax, th.ht);
    } else {
      tmin = std::max(tmin, th.lt);
      tmax = std::min(tmax, th.ht);
    }
  }
  if (!started) return;
  run.settings.tmin = tmin;
  run.settings.tmax = tmax;
  if (run.sw.quiet) return;
  run.console.Blank();
  run.console.Line("Temperature MAX and MIN will be forced to fall in the range of" + RealText(tmin) + " to " +
                   RealText(tmax));
  run.console.Blank();
}

std::string WithoutTrailingBlanks(std::string text) {
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

// FREETHRM.TXT: every species' data as one database in the delimiter of the
// description file, readable again with a FREE description.
void WriteFreeThermo(Run& run) {
  const char d = run.reader.delim;
  const ModelStore& st = run.store;
  OutputFile out;
  out.Replace(run, kFreeThermoFile);
  const std::string blank(1, ' ');
  out.WriteLine(run, "# Species" + std::string(1, d) + blank + d + blank + d + blank + d +
                         "Thermodynamic coeffic. (LOW then HIGH)");
  std::string heading = std::string("# ") + d + "LOW TEMP." + d + "COMMON TEMP." + d + "HI TEMP." + d;
  for (int r = 1; r <= 2; ++r)
    for (int k = 1; k <= 7; ++k) heading += (r == 1 ? "LA" : "HA") + std::to_string(k) + d;
  out.WriteLine(run, heading + "MW");
  for (int s = 3; s <= st.nspec; ++s) {
    if (NeedsNoThermoData(st.species[s].name)) continue;
    const ThermoSpeciesData& th = st.thermo.species[s];
    std::string line = Trim(st.species[s].name) + d;
    auto number = [&](double x) {
      fmt::AppendG(line, x, 15, 9);
      line += d;
    };
    number(th.lt);
    number(th.ct);
    number(th.ht);
    for (int r = 1; r <= 2; ++r)
      for (int k = 1; k <= 7; ++k) number(th.a[r][k]);
    if (th.mw_present) {
      fmt::AppendG(line, th.mw, 15, 9);
    } else {
      line += "0.0";
    }
    out.WriteLine(run, WithoutTrailingBlanks(std::move(line)));
  }
  out.WriteLine(run, "END");
  out.Close(run);
}

}  // namespace

bool NeedsNoThermoData(std::string_view species_name) {
  return species_name == kTemperatureSpecies || species_name == kVolumeSpecies;
}

double ThermoToReal(Run& run, std::string_view text) {
  double value = 0.0;
  if (!ParseThermoReal(text, value)) FatalError(run, 88);
  return value;
}

double CompositionWeight(Run& run, std::string_view text) {
  const int n = TrimLength(text);
  if (n % 5 != 0) FatalError(run, 117);
  const PeriodicTable& table = PeriodicTableOf(run);
  double mass = 0.0;
  for (int g = 0; g < n / 5; ++g) {
    const std::string_view group = text.substr(static_cast<size_t>(5 * g), 5);
    const std::string symbol = UpperCase2(group);
    const double count = ThermoToReal(run, group.substr(2));
    for (int e = 1; e <= table.count; ++e) {
      if (UpperCase(table.element[e].symbol) != symbol) continue;
      mass += count * table.element[e].mass;
      break;  // a table read with -p may hold a symbol twice; the first counts
    }
  }
  return mass;
}

void ReadThermoDatabases(Run& run) {
  ModelStore& st = run.store;
  ThermoStore& thermo = st.thermo;
  for (int d = 1; d <= thermo.Databases() && !AllSupplied(run); ++d) ReadDatabase(run, d);
  run.reader.filecode = kThermoFile;
  int missing = 0;
  for (int s = 3; s <= st.nspec; ++s)
    if (!thermo.species[s].supplied) missing = s;
  if (missing != 0) {
    const SpeciesEntry& sp = st.species[missing];
    run.msg.name1 = sp.has_tag ? sp.name + "{" + sp.tag + "}" : sp.name;
    FatalError(run, 74);
  }
  if (!run.sw.quiet)
    for (int s = 3; s <= st.nspec; ++s)
      if (!NeedsNoThermoData(st.species[s].name)) ReportSpecies(run, s);
  ForceTemperatureRange(run);
  if ((run.sw.options & kOptFreeThermo) != 0) WriteFreeThermo(run);
}

}  // namespace tarnavel
