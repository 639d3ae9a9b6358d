// The fixed-conditions form of an imported MCM mechanism: every rate constant
// evaluated into a number at the starting conditions, species sums at their
// initial or a held value, and the numbers written so that they read back
// exactly.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <cstdlib>
#include <map>
#include <sstream>

#include "import/mcm_fixed_conditions.hpp"
#include "import/mcm_mechanism.hpp"
#include "import/mcm_model_files.hpp"

namespace tarnavel {
namespace {

using namespace import;

// Reactions whose rate constants use the temperature, the air, water, a
// chain of definitions through the RO2 sum, a plain number and photolysis.
constexpr const char* kMechanism =
    "* A test mechanism ;\n"
    "KX = 2.0D-12*EXP(-500/TEMP) ;\n"
    "KR = 1.26D-12*RO2 ;\n"
    "KRH = KR*2 ;\n"
    "RO2 = RA + RB ;\n"
    "% KX : A + B = C ;\n"
    "% 5.6D-34*N2*(TEMP/300)@-2.6*O2 : A = B ;\n"
    "% KR*0.5 : RA = C ;\n"
    "% KRH : RB = C ;\n"
    "% 1.0D-28*H2O : B = D ;\n"
    "% 3.3D-11 : C = D ;\n"
    "% J<4> : D = A ;\n";

McmMechanism Mechanism() {
  McmMechanism mech = ReadFacsimile(kMechanism, "test.fac");
  CompleteMechanism(mech);
  return mech;
}

// 298 K at 1 atm, water given, the sun up but photolysis off.
McmOptions Conditions() {
  McmOptions options;
  options.temperature = 298.0;
  options.pressure = 101325.0;
  options.h2o = 4.0e17;
  options.latitude = 51.5;
  options.longitude = 0.0;
  options.start = "2010-07-01T12:00:00";
  options.jfactor = 0.0;
  options.initial = {{"RA", 3.0e8, "init", 1}, {"RB", 1.0e8, "init", 2}, {"A", 1.0e10, "init", 3}};
  return options;
}

struct Frozen {
  std::map<std::string, double> k;     // by reaction text
  std::vector<std::string> left_out;  // reactions of rate constant 0
  FileSet files;
};

Frozen Freeze(const std::vector<HeldSum>& held) {
  Frozen f;
  f.files = FixRateConstants(TranslateMcmMechanism(Mechanism(), Conditions()), held, kLargeCapacity, "test.fac");
  std::istringstream in(f.files.at(0).second);
  for (std::string line; std::getline(in, line);) {
    const auto tab = line.find('\t'), end = line.find('\t', tab + 1);
    if (tab == std::string::npos || line.rfind("# k", 0) == 0) continue;
    const std::string reaction = line.substr(tab + 1, end - tab - 1);
    if (line[0] == '#') {
      f.left_out.push_back(reaction);
      continue;
    }
    char* stop = nullptr;
    const double k = std::strtod(line.c_str(), &stop);
    EXPECT_EQ(stop, line.c_str() + tab) << "k field is not a number: " << line;
    f.k[reaction] = k;
  }
  return f;
}

TEST(McmFixedConditions, EvaluatesEveryRateConstantAtTheStart) {
  const double t = 298.0, m = 101325.0 / (1.380649e-23 * t) * 1e-6;
  const double o2 = 0.2095 * m, n2 = 0.7809 * m;
  // Held at its members' initial concentrations unless given.
  struct Case {
    std::vector<HeldSum> held;
    double ro2;
  } cases[] = {{{}, 4.0e8}, {{{"RO2", 2.5e9}}, 2.5e9}, {{{"RO2", 0.0}}, 0.0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ro2);
    const Frozen f = Freeze(c.held);
    std::map<std::string, double> expected = {
        {"A + B ==> C", 2.0e-12 * std::exp(-500.0 / t)},
        {"A ==> B", 5.6e-34 * n2 * std::pow(t / 300.0, -2.6) * o2},
        {"B ==> D", 1.0e-28 * 4.0e17},
        {"C ==> D", 3.3e-11},
        {"RA ==> C", 1.26e-12 * c.ro2 * 0.5},
        {"RB ==> C", 1.26e-12 * c.ro2 * 2.0},
    };
    std::vector<std::string> zero = {"D ==> A"};  // no photolysis
    for (auto it = expected.begin(); it != expected.end();) {
      if (it->second == 0.0) {
        zero.push_back(it->first);
        it = expected.erase(it);
      } else {
        ++it;
      }
    }
    ASSERT_EQ(f.k.size(), expected.size());
    for (const auto& [reaction, k] : expected) {
      ASSERT_EQ(f.k.count(reaction), 1u) << reaction;
      EXPECT_NEAR(f.k.at(reaction), k, 1e-13 * k) << reaction;
    }
    std::sort(zero.begin(), zero.end());
    std::vector<std::string> left_out = f.left_out;
    std::sort(left_out.begin(), left_out.end());
    EXPECT_EQ(left_out, zero);
  }
}

TEST(McmFixedConditions, WritesTheModelWithoutARateFile) {
  const std::filesystem::path home = std::filesystem::current_path();
  const Frozen f = Freeze({});
  EXPECT_EQ(std::filesystem::current_path(), home);  // the loading's working directory is given back
  ASSERT_EQ(f.files.size(), 3u);
  EXPECT_EQ(f.files[0].first, "MODEL.DAT");
  // The species and parameters are those of the expression form.
  const FileSet expression_form = TranslateMcmMechanism(Mechanism(), Conditions());
  EXPECT_EQ(f.files[1], expression_form[1]);
  EXPECT_EQ(f.files[2], expression_form[2]);
}

TEST(McmFixedConditions, WritesNumbersThatReadBackExactly) {
  const struct {
    double value;
    const char* text;  // the shortest exact form, or nullptr when any exact one will do
  } cases[] = {{2.5e-12, "2.5E-12"}, {1.0, "1E+00"}, {0.1, "1E-01"}, {1.0 / 3.0, nullptr},
               {2.0e-12 * std::exp(-500.0 / 298.0), nullptr}, {1.7976931348623157e308, nullptr},
               {4.9e-324, nullptr}, {-6.02214076e23, "-6.02214076E+23"}};
  for (const auto& c : cases) {
    const std::string text = ExactNumber(c.value);
    EXPECT_EQ(std::strtod(text.c_str(), nullptr), c.value) << text;
    if (c.text != nullptr) {
      EXPECT_EQ(text, c.text);
    }
  }
}

TEST(McmFixedConditions, StopsWhenTheSunIsNotPlaced) {
  McmOptions unplaced = Conditions();
  unplaced.jfactor.reset();
  unplaced.latitude.reset();  // photolysis without the place under the sun
  try {
    FixRateConstants(TranslateMcmMechanism(Mechanism(), unplaced), {}, kLargeCapacity, "test.fac");
    FAIL() << "photolysis without the sun was evaluated";
  } catch (const ImportError& e) {
    EXPECT_NE(std::string(e.what()).find("LATITUDE, LONGITUDE and START"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace tarnavel
