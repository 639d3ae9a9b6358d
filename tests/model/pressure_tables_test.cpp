// Rate constants of PLOG and Chebyshev tables, read from model-file rows and
// evaluated at temperatures and pressures inside, on, between and outside the
// tabulated points, against the defining formulas evaluated here directly.

#include "model/pressure_tables.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <vector>

#include "core/stop.hpp"
#include "input/model_file.hpp"
#include "import/chemkin_mechanism.hpp"
#include "import/model_files.hpp"
#include "input/work_dir.hpp"
#include "support/test_data.hpp"
#include "support/run_fixture.hpp"

namespace tarnavel {
namespace {

using testing::CapturedRun;

struct Expression {
  double p, a, m, e;
};

// ln k linear in ln P between the tabulated pressures, the expressions at one
// pressure summed, the nearest end outside the table.
double PlogReference(const std::vector<Expression>& rows, double t, double p, double rgas) {
  std::vector<double> pressures;
  for (const Expression& r : rows)
    if (pressures.empty() || r.p != pressures.back()) pressures.push_back(r.p);
  auto level = [&](double at) {
    double k = 0.0;
    for (const Expression& r : rows)
      if (r.p == at) k += r.a * std::pow(t, r.m) * std::exp(-r.e / (rgas * t));
    return k;
  };
  if (p <= pressures.front()) return level(pressures.front());
  if (p >= pressures.back()) return level(pressures.back());
  size_t i = 0;
  while (!(pressures[i] <= p && p < pressures[i + 1])) ++i;
  const double k1 = level(pressures[i]), k2 = level(pressures[i + 1]);
  const double w = std::log(p / pressures[i]) / std::log(pressures[i + 1] / pressures[i]);
  return k1 * std::pow(k2 / k1, w);
}

// log10 k = sum a(i,j) Ti(T~) Tj(P~) with Tn(x) = cos(n acos x).
double ChebyshevReference(const std::vector<std::vector<double>>& a, double tmin, double tmax, double pmin,
                          double pmax, double t, double p) {
  t = std::clamp(t, tmin, tmax);
  p = std::clamp(p, pmin, pmax);
  const double tr = std::clamp((2.0 / t - 1.0 / tmin - 1.0 / tmax) / (1.0 / tmax - 1.0 / tmin), -1.0, 1.0);
  const double pr = std::clamp((2.0 * std::log10(p) - std::log10(pmin) - std::log10(pmax)) /
                                   (std::log10(pmax) - std::log10(pmin)),
                               -1.0, 1.0);
  double log_k = 0.0;
  for (size_t i = 0; i < a.size(); ++i)
    for (size_t j = 0; j < a[i].size(); ++j)
      log_k += a[i][j] * std::cos(i * std::acos(tr)) * std::cos(j * std::acos(pr));
  return std::pow(10.0, log_k);
}

// Reads a model text (species added as the reader meets them) into a store.
void ReadModel(CapturedRun& cr, const std::string& text) {
  std::istringstream in(text);
  cr.run.sw.ignore_warnings = true;
  ReadModelLines(cr.run, in);
}

std::string PlogRows(const std::vector<Expression>& rows) {
  std::ostringstream text;
  text.precision(17);
  for (const Expression& r : rows) text << "PLOG\t" << r.p << '\t' << r.a << '\t' << r.m << '\t' << r.e << '\n';
  return text.str();
}

constexpr double kR = 8.31451;  // J/(mol K), the parameter file's default energy unit

struct PlogCase {
  const char* name;
  std::vector<Expression> rows;
};

class PlogTable : public ::testing::TestWithParam<PlogCase> {};

TEST_P(PlogTable, MatchesTheInterpolationFormula) {
  const PlogCase& c = GetParam();
  CapturedRun cr;
  testing::WorkDir dir;  // the reader lists the species it adds in ADDSPEC.TXT
  ReadModel(cr, "1\tA + B = C\tline 1\n" + PlogRows(c.rows));
  const ModelStore& st = cr.run.store;
  ASSERT_EQ(st.pressure_table.size(), 2u);
  const PressureTable& table = st.pressure_table[1];
  // The pressures are visited out of order so that the interval search walks
  // both ways from the last interval it found.
  for (const double p : {0.3, 1.0e-4, 100.0, 0.01, 1.0, 7.0, 1.0e3, 0.0999, 0.1, 33.0, 1.0 + 1e-12}) {
    for (const double t : {300.0, 1000.0, 2250.0}) {
      const double want = PlogReference(c.rows, t, p, kR);
      EXPECT_NEAR(PlogRateConstant(table, t, p, kR), want, 1e-12 * std::fabs(want)) << "T " << t << " P " << p;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Forms, PlogTable,
    ::testing::Values(
        PlogCase{"FourPressures",
                 {{0.01, 1.2124e16, -0.5779, 45490.9}, {1, 4.9108e31, -4.8507, 103649.0},
                  {10, 1.2866e47, -9.0246, 166508.0}, {100, 5.9632e56, -11.529, 220076.0}}},
        // Two expressions at every pressure but the first two.
        PlogCase{"SummedAtOnePressure",
                 {{0.001316, 1.23e8, 1.53, 19820.0}, {0.039474, 2.72e9, 1.2, 28594.0}, {1, 1.26e20, -1.83, 62773.0},
                  {1, 1.23e4, 2.68, 26506.0}, {10, 1.68e16, -0.6, 61731.0}, {10, 3.31e8, 1.14, 37179.0},
                  {100, 1.37e17, -0.79, 73651.0}, {100, 1.28e6, 1.71, 40895.0}}},
        // A negative A that its duplicate outweighs at every temperature tested.
        PlogCase{"NegativeAInADuplicatePair",
                 {{0.001315789, 2.44e10, 1.04, 16652.0}, {0.1, 3.89e10, 0.989, 17213.0}, {1, 3.46e12, 0.442, 22857.0},
                  {10, 1.72e14, -0.01, 29849.0}, {100, -7.41e30, -5.54, 50660.0}, {100, 1.9e15, -0.29, 34752.0}}},
        PlogCase{"OnePressure", {{10, 2.889338e-17, 1.98, 18916.0}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ChebyshevTable, MatchesTheSeriesWithClippedTemperatureAndPressure) {
  // A 6 x 4 table over 290-3000 K and 0.00987-98.7 atm, then a 9 x 9 one with
  // the default ranges (300-2500 K, 0.001-100 atm) and rows written wide.
  const std::vector<std::vector<double>> six_by_four = {
      {-14.428, 0.25997, -0.022432, -0.002787},     {22.063, 0.48809, -0.039643, -0.0054811},
      {-0.23294, 0.4019, -0.026073, -0.0050486},    {-0.29366, 0.28568, -0.0093373, -0.0040102},
      {-0.22621, 0.16919, 0.0048581, -0.0023803},   {-0.14322, 0.077111, 0.012708, -0.00064154}};
  std::vector<std::vector<double>> nine(9, std::vector<double>(9));
  for (int i = 0; i < 9; ++i)
    for (int j = 0; j < 9; ++j) nine[i][j] = (i == 0 && j == 0) ? 10.0 : 0.3 / (1 + i + 2 * j) * ((i + j) % 2 ? -1 : 1);
  auto rows = [](const std::vector<std::vector<double>>& a) {
    std::ostringstream text;
    text.precision(17);
    for (const auto& row : a) {
      text << "CHEB";
      for (double v : row) text << '\t' << v;
      text << '\n';
    }
    return text.str();
  };
  CapturedRun cr;
  testing::WorkDir dir;
  ReadModel(cr, "1\tR6 = P6A + P6B\n"
                "TCHEB\t290\t3000\nPCHEB\t0.009869232667160128\t98.69232667160128\n" +
                    rows(six_by_four) + "1\tR5 + H ==> P5\n" + rows(nine));
  const ModelStore& st = cr.run.store;
  ASSERT_EQ(st.pressure_table.size(), 3u);
  const PressureTable& first = st.pressure_table[1];
  const PressureTable& second = st.pressure_table[2];
  EXPECT_EQ(first.orders_t, 6);
  EXPECT_EQ(first.orders_p, 4);
  EXPECT_EQ(second.orders_t, 9);
  EXPECT_EQ(second.orders_p, 9);
  for (const double t : {250.0, 290.0, 700.0, 1500.0, 3000.0, 3500.0}) {
    for (const double p : {1.0e-4, 0.009869232667160128, 0.5, 1.0, 98.69232667160128, 500.0}) {
      const double want1 =
          ChebyshevReference(six_by_four, 290.0, 3000.0, 0.009869232667160128, 98.69232667160128, t, p);
      EXPECT_NEAR(ChebyshevRateConstant(first, t, p), want1, 1e-12 * want1) << "T " << t << " P " << p;
      const double want2 = ChebyshevReference(nine, 300.0, 2500.0, 0.001, 100.0, t, p);
      EXPECT_NEAR(ChebyshevRateConstant(second, t, p), want2, 1e-12 * want2) << "T " << t << " P " << p;
    }
  }
}

// The published test mechanism of every PLOG and Chebyshev form, imported,
// read back from its model file and evaluated: CHEMKIN's rate constants from
// the numbers as written there (cal/mol; kcal/mol and molecules where its
// UNITS say so), in mol/cm^3 and s.
TEST(PressureTablesOfAPublishedMechanism, GiveTheRateConstantsOfTheNumbersAsWritten) {
  const std::string text = testing::TestData("mechanisms/cantera_pdep_test/pdep-test.inp");
  const import::Mechanism mech = import::ReadMechanism(text, "pdep-test.inp");
  std::string model;
  for (const auto& [name, content] : import::TranslateMechanism(mech, import::ImportOptions{}))
    if (name == "MODEL.DAT") model = content;
  CapturedRun cr;
  testing::WorkDir dir;
  cr.run.settings.rgas = 1.0;  // the imported parameter file gives activation energies in kelvin
  ReadModel(cr, model);
  const ModelStore& st = cr.run.store;
  ASSERT_EQ(st.pressure_table.size(), 8u);

  const double cal = 8.314462618 / 4.184, kcal = cal / 1000.0, avogadro = 6.02214076e23;
  const std::vector<std::vector<Expression>> plog = {
      {{0.01, 1.2124e+16, -0.5779, 10872.7}, {1, 4.9108e+31, -4.8507, 24772.8}, {10, 1.2866e+47, -9.0246, 39796.5},
       {100, 5.9632e+56, -11.5290, 52599.6}},
      {{0.001316, 1.23e+08, 1.53, 4737}, {0.039474, 2.72e+09, 1.20, 6834}, {1, 1.26e+20, -1.83, 15003},
       {1, 1.23E+04, 2.68, 6335}, {10, 1.68e+16, -0.60, 14754}, {10, 3.31E+08, 1.14, 8886},
       {100, 1.37e+17, -0.79, 17603}, {100, 1.28E+06, 1.71, 9774}},
      {{0.001315789, 2.44E+10, 1.04, 3.980}, {0.039473684, 3.89E+10, 0.989, 4.114}, {1, 3.46E+12, 0.442, 5.463},
       {10, 1.72E+14, -0.01, 7.134}, {100, -7.41E+30, -5.54, 12.108}, {100, 1.90E+15, -0.29, 8.306}},
      {{10, 2.889338e-17 * avogadro, 1.98, 4521}}};
  const double r_of_table[] = {cal, cal, kcal, cal};
  const std::vector<std::vector<double>> bimolecular = {{8.2883, -1.1397, -0.12059, 0.016034},
                                                        {1.9764, 1.0037, 0.0072865, -0.030432},
                                                        {0.3177, 0.26889, 0.094806, -0.0076385},
                                                        {-0.031285, -0.039412, 0.044375, 0.014458}};
  const std::vector<std::vector<double>> unimolecular = {
      {-14.428, 0.25997, -0.022432, -0.002787},   {22.063, 0.48809, -0.039643, -0.0054811},
      {-0.23294, 0.4019, -0.026073, -0.0050486},  {-0.29366, 0.28568, -0.0093373, -0.0040102},
      {-0.22621, 0.16919, 0.0048581, -0.0023803}, {-0.14322, 0.077111, 0.012708, -0.00064154}};
  const double pmin = 0.009869232667160128, pmax = 98.69232667160128;
  for (const double t : {300.0, 800.0, 1500.0, 2200.0}) {
    for (const double p : {0.001, 0.01, 0.5, 1.0, 3.0, 10.0, 250.0}) {
      for (int i = 0; i < 4; ++i) {
        // The table's own evaluation in kelvin: E/R with R of the source unit.
        std::vector<Expression> rows = plog[i];
        for (Expression& e : rows) e.e /= r_of_table[i];
        const double want = PlogReference(rows, t, p, 1.0);
        EXPECT_NEAR(TableRateConstant(st.pressure_table[i + 1], t, p, 1.0), want, 1e-12 * std::fabs(want))
            << "PLOG " << i + 1 << " T " << t << " P " << p;
      }
      const double k5 = ChebyshevReference(bimolecular, 300.0, 2000.0, pmin, pmax, t, p);
      const double k6 = ChebyshevReference(unimolecular, 290.0, 3000.0, pmin, pmax, t, p);
      EXPECT_NEAR(TableRateConstant(st.pressure_table[5], t, p, 1.0), k5, 1e-12 * k5) << t << " " << p;
      EXPECT_NEAR(TableRateConstant(st.pressure_table[6], t, p, 1.0), k6, 1e-12 * k6) << t << " " << p;
      // In molecules the constant term carries one Avogadro factor.
      EXPECT_NEAR(TableRateConstant(st.pressure_table[7], t, p, 1.0), k5 * avogadro, 1e-12 * k5 * avogadro);
    }
  }
}

}  // namespace
}  // namespace tarnavel
