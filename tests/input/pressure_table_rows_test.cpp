// Pressure-table rows of the model description file: what a table stores,
// the special entries of its reaction and reverse, and the malformed tables
// that stop the run with their numbered messages and lines.

#include "input/pressure_table_rows.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "core/settings.hpp"
#include "core/stop.hpp"
#include "input/model_file.hpp"
#include "input/work_dir.hpp"
#include "support/run_fixture.hpp"

namespace tarnavel {
namespace {

using testing::CapturedRun;

struct Outcome {
  int fatal = 0;   // fatal error number, 0 when the reader returned
  int line = 0;    // SRCLINE at the stop
};

Outcome Read(CapturedRun& cr, const std::string& text) {
  testing::WorkDir dir;  // the reader lists the species it adds in ADDSPEC.TXT
  std::istringstream in(text);
  try {
    ReadModelLines(cr.run, in);
  } catch (const ProgramStop& stop) {
    return {stop.fatal_number != 0 ? stop.fatal_number : -1, cr.run.reader.srcline};
  }
  return {0, 0};
}

TEST(PressureTableRows, TablesAttachToTheReactionAboveThemAndItsReverse) {
  CapturedRun cr;
  cr.run.sw.ignore_warnings = true;
  const Outcome r = Read(cr,
                         "# k\treaction\n"
                         "2.5\tH + O2 = HO2\tPLOG, reversible\n"
                         "plog\t0.1\t1E+12\t0.5\t100\n"
                         "# a comment between the rows\n"
                         "PLOG\t1\t2E+12\t0.5\t100\n"
                         "PLOG\t1\t-1E+11\t0\t50\n"
                         "PLOG\t10\t3E+12\t0\t0\n"
                         "1E-12\tA ==> B\tplain\n"
                         "1\tC ==> D + E\tChebyshev\n"
                         "CHEB\t1\t2\t3\n"
                         "PCHEB\t0.01\t10\n"
                         "CHEB\t4\t5\t6\n");
  ASSERT_EQ(r.fatal, 0) << cr.Text();
  const ModelStore& st = cr.run.store;
  ASSERT_EQ(st.nreact, 4);
  ASSERT_EQ(st.pressure_table.size(), 3u);
  const PressureTable& plog = st.pressure_table[1];
  EXPECT_EQ(plog.type, kPlog);
  EXPECT_EQ(plog.srcline, 2);
  EXPECT_EQ(plog.pressure, (std::vector<double>{0.1, 1.0, 10.0}));
  EXPECT_EQ(plog.first, (std::vector<int>{0, 1, 3, 4}));  // the two rows at 1 atm are summed
  EXPECT_EQ(plog.row[2].sign, -1.0);
  EXPECT_DOUBLE_EQ(plog.row[2].ln_a, std::log(1e11));
  // The forward reaction and its generated reverse point at the table.
  EXPECT_EQ(st.reaction[1].rate, 2.5);
  for (int reaction : {1, 2}) {
    const SpecialEntry& e = st.special[st.reaction[reaction].special];
    EXPECT_EQ(e.type, kPlog);
    EXPECT_EQ(e.param[kTableSlot], 1.0);
    EXPECT_EQ(e.param[kColliderCountSlot], 0.0);
  }
  EXPECT_EQ(st.reaction[3].special, 0);
  const PressureTable& cheb = st.pressure_table[2];
  EXPECT_EQ(st.special[st.reaction[4].special].type, kChebyshev);
  EXPECT_EQ(cheb.orders_t, 2);
  EXPECT_EQ(cheb.orders_p, 3);
  EXPECT_EQ(cheb.coeff, (std::vector<double>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(cheb.tmin, 300.0);  // the default temperature range
  EXPECT_EQ(cheb.tmax, 2500.0);
  EXPECT_EQ(cheb.pmin, 0.01);
  EXPECT_EQ(cheb.pmax, 10.0);
}

std::string Repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

TEST(PressureTableRows, MalformedTablesStopWithTheirMessageAndLine) {
  struct Case {
    const char* name;
    std::string text;
    int fatal;
    int line;
  };
  const std::string plog = "1\tA ==> B\n";
  const std::vector<Case> cases = {
      {"a 9 x 39 table fits", plog + Repeat("CHEB" + Repeat("\t1", 39) + "\n", 9), 0, 0},
      {"row before any reaction", "PLOG\t1\t1\t0\t0\n" + plog, 122, 1},
      {"pressure decreases", plog + "PLOG\t10\t1\t0\t0\nPLOG\t1\t1\t0\t0\n", 123, 3},
      {"pressure zero", plog + "PLOG\t0\t1\t0\t0\n", 123, 2},
      {"PLOG row short of Ea", plog + "PLOG\t1\t1\t0\n", 124, 2},
      {"CHEB row short of a coefficient", plog + "CHEB\t1\t2\t3\nCHEB\t4\t5\n", 124, 3},
      {"ranges without coefficients", plog + "TCHEB\t300\t2000\n1\tC ==> D\n", 124, 2},
      {"Arrhenius reaction line", "1\t0\t0\tA ==> B\nPLOG\t1\t1\t0\t0\n", 125, 2},
      {"M in the reaction", "1\tA + M ==> B + M\nPLOG\t1\t1\t0\t0\n", 125, 2},
      {"bracket group", "1\tA + M[N2(2)] ==> B\nPLOG\t1\t1\t0\t0\n", 125, 2},
      {"PLOG and CHEB rows", plog + "PLOG\t1\t1\t0\t0\nCHEB\t1\n", 126, 3},
      {"TCHEB twice", plog + "TCHEB\t300\t2000\nTCHEB\t300\t2000\n", 126, 3},
      {"range upside down", plog + "PCHEB\t10\t0.1\n", 126, 2},
      {"A of zero", plog + "PLOG\t1\t0\t0\t0\n", 87, 2},
      {"not a number", plog + "PLOG\t1\t1e\t0\t0\n", 88, 2},
      {"wider than a line may be", plog + "CHEB" + Repeat("\t1", 40) + "\n", 2, 2},
  };
  for (const Case& c : cases) {
    CapturedRun cr;
    const Outcome r = Read(cr, c.text);
    EXPECT_EQ(r.fatal, c.fatal) << c.name << "\n" << cr.Text();
    EXPECT_EQ(r.line, c.line) << c.name;
  }
}

TEST(PressureTableRows, ConcentrationsInPpmCannotGiveThePressure) {
  CapturedRun cr;
  cr.run.settings.concunits = kPpm;
  EXPECT_EQ(Read(cr, "1\tA ==> B\nPLOG\t1\t1\t0\t0\n").fatal, 127);
  CapturedRun plain;
  plain.run.settings.concunits = kPpm;
  EXPECT_EQ(Read(plain, "1\tA ==> B\n").fatal, 0);  // a model without tables is not concerned
}

TEST(PressureTableRows, ALevelThatSumsToZeroOrLessIsWarnedOf) {
  CapturedRun cr;
  ASSERT_EQ(Read(cr, "1\tA ==> B\nPLOG\t1\t2\t0\t0\nPLOG\t1\t-3\t0\t0\nPLOG\t10\t1\t0\t0\n").fatal, 0);
  const std::string text = cr.Text();
  EXPECT_NE(text.find("Warning Error #  40"), std::string::npos) << text;
  EXPECT_NE(text.find("reaction on line 1 sum to zero or less at 300 K"), std::string::npos) << text;
  EXPECT_NE(text.find("at the pressure 1 atm."), std::string::npos) << text;
  EXPECT_EQ(text.find("pressure 10 atm"), std::string::npos) << text;
}

}  // namespace
}  // namespace tarnavel
