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

}  // namespace
}  // namespace tarnavel
