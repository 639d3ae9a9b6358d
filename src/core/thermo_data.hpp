#pragma once
// Thermodynamic data of the model species and the descriptions of the
// databases they come from. The description file says, row by row, how to
// cut each database's lines into values and what every value means; the
// databases then fill one seven-coefficient record (a low and a high
// temperature range) per model species.

#include <array>
#include <string>
#include <vector>

namespace tarnavel {

inline constexpr int kMaxThermoDatabases = 64;
inline constexpr int kMaxInputDescriptors = 100;
inline constexpr double kUnsetThermoConstant = -9.99999e104;  // a SET constant not given

// MAP keywords, numbered as the column map and the SET look-up index them.
enum MapKeyword {
  kMapSp = 1, kMapPh = 2, kMapCh = 3, kMapLt = 4, kMapHt = 5, kMapCt = 6,
  kMapLa1 = 7,   // LA1..LA7 are 7..13
  kMapHa1 = 14,  // HA1..HA7 are 14..20
  kMapIg = 21, kMapMw = 22, kMapR = 23, kMapCmw = 24,
};
inline constexpr int kMapKeywords = 24;
inline constexpr int kMapSlots = 40;

// DATABASE SPECIAL SWITCHES: switch t sets bit 2^t of the mask.
enum DatabaseSwitch {
  kSwU1234 = 1, kSwUppl = 2, kSwSyn = 3, kSwChf = 4, kSwFluff = 5, kSwPhs = 6, kSwUpc = 7, kSwSet = 8,
};
constexpr int SwitchBit(int t) { return 1 << t; }

enum InputKind { kInputF = 1, kInputIg = 2, kInputNl = 3 };

struct InputDescriptor {
  int kind = 0;   // kInputF, kInputIg or kInputNl
  int width = 0;  // characters taken or skipped; 0 for NL
};

// One row of the description file: one database and how to read it.
struct ThermoDatabaseSpec {
  std::string file;                 // column 1, blanks removed
  bool free_format = false;         // INPUT begins with FREE
  char free_delim = '\t';           // delimiter of a free-format database
  std::vector<InputDescriptor> input;  // fixed format: the descriptors in order
  int f_count = 0;                  // number of F descriptors; -1 for free format
  std::array<int, kMapSlots + 1> column{};  // value number carrying each MAP keyword; -1 absent
  int switches = 0;                 // bit 2^t for special switch t
  std::array<bool, kMapKeywords + 1> set_given{};  // SET(keyword=value) given
  std::array<double, kMapKeywords + 1> set_value{};  // kUnsetThermoConstant until given
  int srcline = 0;                  // source line of the row

  ThermoDatabaseSpec() {
    column.fill(-1);
    set_value.fill(kUnsetThermoConstant);
  }
  bool Has(int t) const { return (switches & SwitchBit(t)) != 0; }
};

// ThermoSpeciesData: one per species-table entry (1 and 2, hv and M, are
// never looked up).
struct ThermoSpeciesData {
  std::array<std::array<double, 8>, 3> a{};  // a[r][k]: range r = 1 low, 2 high; k = 1..7
  double lt = 0.0;        // lowest temperature of the low range (K)
  double ct = 0.0;        // temperature that separates the ranges (K)
  double ht = 0.0;        // highest temperature of the high range (K)
  double mw = 0.0;        // molecular weight from the MW or CMW column (g/mol)
  bool mw_present = false;
  double r_factor = 1.0;  // SET(R=...); no computation reads it
  bool supplied = false;  // an entry has been assigned
};

struct ThermoStore {
  std::vector<ThermoDatabaseSpec> db;      // 1..count (entry 0 unused)
  std::vector<ThermoSpeciesData> species;  // by species index, 1..max species
  std::vector<int> reserved;               // by species index: database it is reserved to, 0 none
  int supplied_count = 0;
  int Databases() const { return static_cast<int>(db.size()) - 1; }
};

}  // namespace tarnavel
