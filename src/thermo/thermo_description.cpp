#include "thermo/thermo_description.hpp"

#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "core/diagnostics.hpp"
#include "core/run.hpp"
#include "input/field_reader.hpp"
#include "thermo/thermo_database.hpp"

namespace tarnavel {

namespace {

// MAP keywords in the order of the column map.
constexpr std::string_view kMapNames[kMapKeywords + 1] = {
    "",    "SP",  "PH",  "CH",  "LT",  "HT",  "CT",  "LA1", "LA2", "LA3", "LA4", "LA5", "LA6",
    "LA7", "HA1", "HA2", "HA3", "HA4", "HA5", "HA6", "HA7", "IG",  "MW",  "R",   "CMW"};
// Keywords a SET(...) constant may name: SP to R; a composition cannot be set.
constexpr int kSettableKeywords = kMapR;

constexpr std::string_view kSwitchNames[] = {"", "U1234", "UPPL", "SYN", "CHF", "FLUFF", "PHS", "UPC", "SET"};
constexpr int kSwitchCount = kSwSet;

constexpr int kMaxWidthDigits = 3;

// The items of a column cut at its colons. Trailing colons end the list
// ("NONE:"); an empty item between two colons stays in the list as an empty
// text, so that the column's reader rejects it instead of losing the items
// after it.
std::vector<std::string> ColonItems(std::string_view text) {
  std::vector<std::string> items;
  size_t start = 0;
  for (;;) {
    const size_t colon = text.find(':', start);
    items.emplace_back(text.substr(start, colon - start));  // to the end after the last colon
    if (colon == std::string_view::npos) break;
    start = colon + 1;
  }
  while (!items.empty() && items.back().empty()) items.pop_back();
  return items;
}

int MapKeywordNumber(std::string_view item, int last) {
  for (int k = 1; k <= last; ++k)
    if (item == kMapNames[k]) return k;
  return 0;
}

// The width of an Fw or IGw descriptor: one to three decimal digits after the
// descriptor's letters; -1 when the rest of the item is anything else.
int DescriptorWidth(std::string_view digits) {
  if (digits.empty() || digits.size() > static_cast<size_t>(kMaxWidthDigits)) return -1;
  int width = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return -1;
    width = width * 10 + (c - '0');
  }
  return width;
}

[[noreturn]] void BeyondCapacity(Run& run, const std::string& what) {
  run.console.Line(what);
  run.console.Line("at line: " + std::to_string(run.reader.srcline) +
                   " in thermodynamic description file: " + run.reader.filename[kThermoFile]);
  FatalError(run, 999);
}

// Column 5: the species only this database may supply. The later of two rows
// reserving the same species wins.
void ReserveSpecies(Run& run, int d, const std::string& column) {
  const std::vector<std::string> names = ColonItems(column);
  bool parsable = !names.empty();
  for (const std::string& name : names) parsable = parsable && !name.empty();
  if (!parsable) {
    run.msg.name1 = column;
    Warning(run, 39);
    return;
  }
  ModelStore& st = run.store;
  for (const std::string& name : names) {
    int found = 0;
    for (int s = 3; s <= st.nspec && found == 0; ++s)
      if (st.species[s].name == name) found = s;
    if (found == 0) {
      run.msg.name1 = name;
      Warning(run, 38);
      continue;
    }
    st.thermo.reserved[found] = d;
  }
}

// SET(keyword=value): a constant that replaces the keyword's value for every
// entry of the database.
void SetConstant(Run& run, ThermoDatabaseSpec& db, const std::string& item) {
  const size_t close = item.rfind(')');
  if (close == std::string::npos || close + 1 < 6) FatalError(run, 77);
  const std::string inner = item.substr(4, close - 4);
  const size_t equal = inner.find('=');
  if (equal == std::string::npos) FatalError(run, 78);
  // Nothing before the equal sign names no keyword; nothing after it gives no value.
  if (equal == 0 || equal + 1 == inner.size()) FatalError(run, 77);
  const std::string keyword = inner.substr(0, equal);
  const int k = MapKeywordNumber(keyword, kSettableKeywords);
  if (k == 0) {
    run.msg.name1 = keyword;
    FatalError(run, 75);
  }
  db.set_given[k] = true;
  db.set_value[k] = ThermoToReal(run, inner.substr(equal + 1));
}

// Column 4: the special reading rules, or NONE.
void ReadSwitches(Run& run, ThermoDatabaseSpec& db, const std::string& column) {
  const std::string upper = UpperCase(column);
  db.switches = 0;
  if (upper.starts_with("NONE")) return;
  for (const std::string& item : ColonItems(upper)) {
    int t = 1;
    while (t <= kSwitchCount && item != kSwitchNames[t]) ++t;
    if (t <= kSwitchCount) {
      db.switches |= SwitchBit(t);
    } else if (item.starts_with("SET(")) {
      SetConstant(run, db, item);
    } else {
      run.msg.name1 = item;
      FatalError(run, 73);
    }
  }
}

// FREE(n): the character of code n (the digits among characters 6 to 8)
// separates the values; TAB without a code or with one outside 1 to 255.
char FreeDelimiter(std::string_view item) {
  int code = 0;
  for (size_t i = 5; i < item.size() && i < 8; ++i)
    if (item[i] >= '0' && item[i] <= '9') code = code * 10 + (item[i] - '0');
  return code >= 1 && code <= 255 ? static_cast<char>(code) : '\t';
}

// Column 2: how a database line is cut into values.
void ReadInput(Run& run, ThermoDatabaseSpec& db, const std::string& column) {
  if (column.empty()) FatalError(run, 71);
  const std::vector<std::string> items = ColonItems(column);
  const std::string first = UpperCase(items.empty() ? std::string() : items.front());
  if (first.starts_with("FREE")) {
    db.free_format = true;
    db.free_delim = FreeDelimiter(first);
    db.f_count = -1;
    return;
  }
  db.f_count = 0;
  for (const std::string& item : items) {
    InputDescriptor d;
    if (item.starts_with("F")) {
      d = {kInputF, DescriptorWidth(std::string_view(item).substr(1))};
    } else if (item.starts_with("IG")) {
      d = {kInputIg, DescriptorWidth(std::string_view(item).substr(2))};
    } else if (item == "NL") {
      d = {kInputNl, 0};
    }
    if (d.kind == 0 || d.width < 0) {
      run.msg.name1 = item;
      FatalError(run, 70);
    }
    if (static_cast<int>(db.input.size()) == kMaxInputDescriptors)
      BeyondCapacity(run, "No more than " + std::to_string(kMaxInputDescriptors) +
                              " INPUT descriptors can describe one thermodynamic database,");
    if (d.kind == kInputF) ++db.f_count;
    db.input.push_back(d);
  }
}

// Column 3: the meaning of each value, by its position in the list.
void ReadMap(Run& run, ThermoDatabaseSpec& db, const std::string& column) {
  if (column.empty()) FatalError(run, 71);
  db.column.fill(-1);
  const std::vector<std::string> items = ColonItems(column);
  for (size_t k = 0; k < items.size(); ++k) {
    const int keyword = MapKeywordNumber(items[k], kMapKeywords);
    if (keyword == 0) {
      run.msg.name1 = items[k];
      FatalError(run, 72);
    }
    db.column[keyword] = static_cast<int>(k) + 1;
  }
  if (db.free_format) return;
  const int values = static_cast<int>(items.size());
  if (values > db.f_count) FatalError(run, 115);
  if (values < db.f_count) FatalError(run, 116);
}

// One data row: one database.
void TakeDescriptionRow(Run& run) {
  ReaderState& rd = run.reader;
  ThermoStore& thermo = run.store.thermo;
  std::vector<std::string> column(rd.nfield + 1);
  for (int i = 1; i <= rd.nfield; ++i) column[i] = Squeeze(rd.field[i]);
  const int d = thermo.Databases() + 1;
  if (d > kMaxThermoDatabases)
    BeyondCapacity(run, "No more than " + std::to_string(kMaxThermoDatabases) +
                            " thermodynamic databases can be described,");
  ThermoDatabaseSpec db;
  db.file = column[1];
  db.srcline = rd.srcline;
  if (rd.nfield >= 5 && !column[5].empty()) ReserveSpecies(run, d, column[5]);
  ReadSwitches(run, db, column[4]);
  ReadInput(run, db, column[2]);
  ReadMap(run, db, column[3]);
  thermo.db.push_back(std::move(db));
}

// Every species starts without data and without reservation; the
// pseudo-species need none.
void ResetThermoData(Run& run) {
  ModelStore& st = run.store;
  ThermoStore& thermo = st.thermo;
  thermo.db.assign(1, ThermoDatabaseSpec{});
  thermo.species.assign(st.cap.max_species + 1, ThermoSpeciesData{});
  thermo.reserved.assign(st.cap.max_species + 1, 0);
  thermo.supplied_count = 0;
  for (int s = 3; s <= st.nspec; ++s) {
    if (!NeedsNoThermoData(st.species[s].name)) continue;
    thermo.species[s].supplied = true;
    ++thermo.supplied_count;
  }
}

}  // namespace

void ReadThermoDescription(Run& run) {
  ResetThermoData(run);
  ReaderState& rd = run.reader;
  rd.filename[kThermoFile] = run.sw.thermo_db;
  std::ifstream in;
  if (!OpenDescriptionFile(run, kThermoFile, in)) FatalError(run, 33);
  if (!run.sw.quiet) {
    run.console.Blank();
    run.console.Line(" Reading in " + rd.filename[kThermoFile] +
                     " thermodynamic database description file.... ");
    run.console.Blank();
  }
  BeginDescriptionFile(rd, kThermoFile);
  while (NextDataLine(run, in, ShapeOf(kThermoFile))) TakeDescriptionRow(run);
}

}  // namespace tarnavel
