#pragma once
// Rate constants written as expressions, as atmospheric mechanisms publish
// them: `2.7D-12*EXP(360/TEMP)`, `0.6*KRO2NO`, `J<4>`, `KRO2NO3*RO2`. The
// definitions file supplies named expressions (DEFINE), species sums such as
// the peroxy-radical total RO2 (SUM), the gas the expressions see (SET
// PRESSURE, H2O, RH), the place and time under the sun (SET LATITUDE,
// LONGITUDE, START, DECLINATION, JFACTOR) and photolysis parameters (J).
// Every expression is compiled once into postfix code over a table of values.

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace tarnavel {

// One instruction of an expression's postfix code.
enum class ExprCode : std::uint8_t { kNumber, kValue, kAdd, kSub, kMul, kDiv, kPow, kNeg, kExp, kLog, kLog10, kSqrt };

struct ExprOp {
  ExprCode code = ExprCode::kNumber;
  int slot = 0;         // kValue: the value slot read
  double number = 0.0;  // kNumber: the constant pushed
};

// The statements of the definitions file as read, before names are resolved.
struct RateDefinitions {
  struct Named {
    std::string name, text;
    int srcline = 0;
  };
  struct Sum {
    std::string name;
    std::vector<std::string> species;
    int srcline = 0;
  };
  struct Setting {
    std::string name, text;  // the value as written (START is a date and time)
    double value = 0.0;
    int srcline = 0;
  };
  struct Photolysis {
    int j = 0;
    double l = 0.0, m = 0.0, n = 0.0;
    int srcline = 0;
  };
  bool read = false;  // a definitions file was found and read
  std::string file;   // its name
  std::vector<Named> defines;
  std::vector<Sum> sums;
  std::vector<Setting> settings;
  std::vector<Photolysis> photolysis;
};

// What a value depends on, so that it is evaluated again only when that
// changed.
enum ExprDependence : int {
  kDependsTemperature = 1,
  kDependsComposition = 2,  // species sums, and air or water taken from species
  kDependsTime = 4,         // photolysis under the sun
};

// The compiled expressions of a run.
struct CompiledExpressions {
  // Fixed value slots; J values, sums and definitions follow.
  static constexpr int kTemp = 0, kM = 1, kO2 = 2, kN2 = 3, kH2O = 4, kFixedSlots = 5;

  struct Program {
    int begin = 0, end = 0;  // the code range
    int slot = -1;           // the value slot a definition fills (-1 for a reaction)
    int reaction = 0;        // the reaction whose rate constant it gives (0 for a definition)
    int depends = 0;         // ExprDependence bits, through every name it uses
    std::string name;        // the definition's name, or the reaction's source line as text
  };
  // A sum of more integrated species than this is taken apart in the
  // Jacobian: its readers' rate constants move with every member alike, so
  // the change of the rates with the sum enters as one rank-one term instead
  // of a dense block of members by readers' balances.
  static constexpr int kSumApartMembers = 40;
  struct Sum {
    int slot = 0;
    std::vector<int> species;  // species slots of the model in the sum
    bool apart = false;        // taken apart in the Jacobian
    std::vector<int> readers;  // of a sum apart: reactions whose k moves with it
  };
  struct Photolysis {
    int slot = 0;
    int j = 0;
    double l = 0.0, m = 0.0, n = 0.0;
  };

  bool active = false;  // some reaction's rate constant is an expression
  std::vector<ExprOp> code;
  std::vector<double> values;
  std::vector<Program> definitions;  // in an order in which every name is defined before use
  std::vector<Program> reactions;
  std::vector<Sum> sums;
  std::vector<Photolysis> photolysis;
  std::vector<double> stack;  // evaluation work, deep enough for every program
  std::vector<char> changed;  // per value slot: changed in the evaluation in hand

  // Air and water: species slots when the model holds them, else the pressure
  // (Pa) of the definitions file with the temperature, and water as given.
  int o2_species = 0, n2_species = 0, h2o_species = 0;
  bool pressure_given = false;
  double pressure = 0.0;
  double water = -1.0;     // H2O in the model's unit, -1 when not given
  double humidity = -1.0;  // RH in percent, -1 when not given
  double air_unit = 1.0;   // molecules cm^-3 per concentration unit of the model

  // The sun: the place, the UTC start of the run, a fixed declination.
  bool sun = false;
  double latitude = 0.0, longitude = 0.0;  // degrees, north and east positive
  int start_year = 2000, start_month = 1, start_day = 1;
  double start_seconds = 0.0;
  bool fixed_declination = false;
  double declination = 0.0;  // degrees
  double jfactor = 1.0;

  // Worked out at compilation.
  std::vector<int> program_of_reaction;         // per reaction: its program in `reactions`, or -1
  std::vector<std::vector<int>> sums_of_species;  // per species slot: the sums it enters
  std::vector<std::vector<int>> readers;        // per species slot: reactions whose k moves with it
                                                // (other than through a sum apart)
  bool composition_used = false;                // some value depends on the composition
  bool time_used = false;                       // some value depends on the time

  // Inputs of the last evaluation.
  double last_temperature = std::numeric_limits<double>::quiet_NaN();
  double last_time = std::numeric_limits<double>::quiet_NaN();
  bool evaluated = false;
};

}  // namespace tarnavel
