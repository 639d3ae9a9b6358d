// NASA polynomial records as the published thermodynamic files write them,
// and the database the importer writes from them, read back by the
// program's own database reader.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "import/chemkin_mechanism.hpp"
#include "import/chemkin_text.hpp"
#include "import/model_files.hpp"
#include "input/periodic_table.hpp"
#include "input/species_file.hpp"
#include "support/run_fixture.hpp"
#include "support/temp_workdir.hpp"
#include "thermo/thermo_database.hpp"
#include "thermo/thermo_description.hpp"
#include "thermo/thermo_properties.hpp"
#include "support/test_data.hpp"

namespace tarnavel {
namespace {

using namespace import;

// Every record of a file, each species taken as used.
Mechanism ReadAll(const std::string& text, const std::string& file) {
  Mechanism mech;
  mech.file = file;
  ReadThermoFile(mech, text, file);
  for (const ThermoRecord& r : mech.thermo) mech.species.push_back(r.name);
  return mech;
}

std::string Formula(const ThermoRecord& r) {
  std::string f;
  for (const ElementCount& e : r.elements) f += e.symbol + std::to_string(static_cast<int>(e.count));
  return f;
}

// Each dialect of the published files, read from a verbatim excerpt.
TEST(NasaThermoRecords, EveryPublishedDialectReadsItsFields) {
  struct Case {
    const char* file;
    const char* species;
    const char* formula;
    double t_low, t_high, t_common;
    double high0, low6;  // first and last coefficient
    const char* dialect;
  } cases[] = {
      {"uscmech2_excerpt.dat", "CH3CHOCH2", "C3H6O1", 298.15, 3000.0, 1000.0, 8.6900558, 0.2260527e2,
       "blank exponent signs, ENDOFDATA"},
      {"uscmech2_excerpt.dat", "CH2CHCO", "C3H3O1", 200.0, 6000.0, 1000.0, 6.95842227, 1.00881663e1,
       "the first of two records counts"},
      {"uscmech2_excerpt.dat", "HCO", "H1C1O1", 200.0, 3500.0, 1000.0, 2.77217438, 3.39437243,
       "a placeholder element \"  00\""},
      {"sandiego2016_excerpt.dat", "CHCHO", "H2C2O1", 200.0, 3000.0, 1000.0, 5.96287949, 1.47865706e1,
       "counts one column early"},
      {"sandiego2016_excerpt.dat", "JP10", "C10H16", 300.0, 5000.0, 1000.0, -4.782902, -1.59228e1,
       "element \"0\" with count 0"},
      {"sandiego2016_excerpt.dat", "C3H5", "C3H5", 300.0, 3000.0, 1000.0, 6.5007877, 1.7173214e1,
       "blank common temperature: the header's"},
      {"sandiego2016_excerpt.dat", "C7H16", "C7H16", 300.0, 5000.0, 1000.0, 5.15327664, 3.65725432e1,
       "date field of digits, zero counts"},
      {"sandiego2016_excerpt.dat", "NH3", "N1H3", 200.0, 6000.0, 1000.0, 2.71709692, -6.90644393e-1,
       "a comment after the name"},
      {"sandiego2016_excerpt.dat", "C4H10", "C4H10", 300.0, 5000.0, 1392.0, 1.24940183e1, 2.64870966e1,
       "a date after the name, junk in columns 74-79"},
      {"sandiego2016_excerpt.dat", "O2CH2OCH2O2H", "C2H5O5", 300.0, 5000.0, 1402.0, 1.92038046e1, 2.44215005e1,
       "a date inside columns 1-18"},
      {"llnl_nc7_excerpt.dat", "C6H5C2H2", "C8H7", 300.0, 5000.0, 1000.0, 1.447023e1, 3.442098e1,
       "a lower-case comment after the name"},
      {"llnl_nc7_excerpt.dat", "HCN", "C1H1N1", 300.0, 5000.0, 1000.0, 3.65007798, 7.90498,
       "coefficients without a leading digit"},
      {"ethanol_excerpt.dat", "ic4h8", "C4H8", 300.0, 5000.0, 1388.0, 1.12113656e1, 1.91024787e1,
       "lower case, blank exponent signs, \"end\""},
      {"glarborg2018_excerpt.dat", "O2(s)", "O2", 200.0, 6000.0, 1000.0, 3.40050706, 3.26465875,
       "byte-order mark, comment lines between records"},
      {"konnov2008_thermo.dat", "AR", "AR1", 200.0, 6000.0, 1000.0, 2.5, 4.3796749,
       "REF ELEMENT after the name, no END"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + c.species + ": " + c.dialect);
    const Mechanism mech = ReadAll(testing::TestData(std::string("chemkin/thermo/") + c.file), c.file);
    const ThermoRecord* r = FindThermo(mech, c.species);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(Formula(*r), c.formula);
    EXPECT_EQ(r->phase, 'G');
    EXPECT_EQ(r->t_low, c.t_low);
    EXPECT_EQ(r->t_high, c.t_high);
    EXPECT_EQ(r->t_common, c.t_common);
    EXPECT_DOUBLE_EQ(r->high[0], c.high0);
    EXPECT_DOUBLE_EQ(r->low[6], c.low6);
  }
}

// A record in the standard columns; `tail` fills columns 74-80.
std::string Record(const std::string& name, const std::string& elements, const std::string& temps,
                   const std::string& tail = "      1", double shift = 0.0) {
  auto pad = [](std::string s, size_t n) {
    s.resize(n, ' ');
    return s;
  };
  char coeffs[3][96];
  std::snprintf(coeffs[0], sizeof coeffs[0], "%15.8E%15.8E%15.8E%15.8E%15.8E    2", 3.0 + shift, 1e-3, -2e-7, 3e-11,
                -1e-15);
  std::snprintf(coeffs[1], sizeof coeffs[1], "%15.8E%15.8E%15.8E%15.8E%15.8E    3", -1000.0, 5.0, 3.0, 1e-3, -2e-7);
  std::snprintf(coeffs[2], sizeof coeffs[2], "%15.8E%15.8E%15.8E%15.8E                   4", 3e-11, -1e-15, -1000.0,
                5.0);
  return pad(name, 24) + pad(elements, 20) + "G" + pad(temps, 28) + tail + "\n" + coeffs[0] + "\n" + coeffs[1] +
         "\n" + coeffs[2] + "\n";
}

TEST(NasaThermoRecords, LayoutVariantsOfTheRecordLines) {
  const std::string temps = "   300.000  5000.000 1000.00";
  // A fifth element in columns 74-78.
  {
    const Mechanism mech = ReadAll("THERMO\n" + Record("XY", "C   1H   1O   1N   1", temps, "AR  1 1") + "END\n", "5");
    ASSERT_EQ(mech.thermo.size(), 1u);
    EXPECT_EQ(Formula(mech.thermo[0]), "C1H1O1N1AR1");
  }
  // No line numbers, short lines, tabs and comments between the lines.
  {
    std::string rec = Record("H2\tX", "H   2", temps, "");
    std::string text = "THERMO\n! a comment\n";
    std::istringstream in(rec);
    for (std::string line; std::getline(in, line);) {
      if (line.size() >= 80) line.resize(75);
      text += line + "\n! between\n\n";
    }
    const Mechanism mech = ReadAll(text + "END\n", "short");
    ASSERT_EQ(mech.thermo.size(), 1u);
    EXPECT_EQ(mech.thermo[0].name, "H2");
    EXPECT_EQ(mech.thermo[0].low[6], 5.0);
  }
  // Structural faults stop the import with the line.
  struct Fault {
    std::string text;
    int line;
    const char* reason;
    bool names_species = true;
  } faults[] = {
      {"THERMO\n" + Record("H2", "H   2", temps).substr(0, 162) + Record("O2", "O   2", temps) + "END\n", 2,
       "cut short: line 4 starts another record"},
      {"THERMO\n" + Record("H2", "H   2", temps).substr(81) + "END\n", 2, "out of step", false},
      {"THERMO\n" + Record("H2", "H   2", "   300.000  5000.000 6000.00") + "END\n", 2, "temperatures out of order"},
      {"THERMO\n" + Record("H2", "  12", temps) + "END\n", 2, "without an element symbol"},
      {"THERMO\n" + Record("H2", "H   2", temps).replace(90, 4, "x.yz") + "END\n", 3, "unreadable polynomial"},
  };
  for (const Fault& f : faults) {
    SCOPED_TRACE(f.reason);
    try {
      ReadAll(f.text, "faulty");
      ADD_FAILURE() << "no error";
    } catch (const ImportError& e) {
      EXPECT_EQ(e.file, "faulty");
      EXPECT_EQ(e.line, f.line);
      EXPECT_NE(e.reason.find(f.reason), std::string::npos) << e.reason;
      if (f.names_species) {
        EXPECT_NE(e.reason.find("H2"), std::string::npos) << e.reason;
      }
    }
  }
}

TEST(NasaThermoRecords, FieldTextReadsBackWhereverTheFieldCanHoldTheValue) {
  std::mt19937_64 rng(20261210);
  std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
  std::uniform_int_distribution<int> exponent(-30, 30), digits(1, 10);
  for (int n = 0; n < 20000; ++n) {
    // A value as a file writes it, 1 to 10 significant digits: exact in 15 columns.
    char text[64];
    std::snprintf(text, sizeof text, "%.*E", digits(rng) - 1, mantissa(rng) * std::pow(10.0, exponent(rng)));
    const double v = std::strtod(text, nullptr);
    const std::string field = FieldText(v, 15);
    ASSERT_EQ(field.size(), 15u) << text;
    ASSERT_EQ(std::strtod(field.c_str(), nullptr), v) << text << " -> " << field;
    // Any double: the closest text of the field, ten digits or more.
    const double any = mantissa(rng) * std::pow(10.0, exponent(rng));
    const std::string near = FieldText(any, 15);
    ASSERT_EQ(near.size(), 15u);
    ASSERT_NEAR(std::strtod(near.c_str(), nullptr), any, 5.01e-10 * std::fabs(any)) << near;
  }
  // Extremes: three-digit exponents leave nine digits; no text may round to infinity.
  for (const double v : {0.0, -0.0, 1e-300, -2.2250738585072014e-308, 1.7976931348623157e308, 0.1, 1.0 / 3.0}) {
    const std::string field = FieldText(v, 15);
    EXPECT_EQ(field.size(), 15u) << v;
    EXPECT_NEAR(std::strtod(field.c_str(), nullptr), v, 1e-8 * std::fabs(v)) << field;
  }
  // Narrow fields: the closest value they hold.
  EXPECT_EQ(std::strtod(FieldText(1392.0001, 8).c_str(), nullptr), 1392.0);
  EXPECT_EQ(FieldText(0.5, 3), "0.5");
}

// Warnings name the file and line; what cannot be read for a used species,
// and a used species without a record, stop the import.
TEST(NasaThermoRecords, RepeatsUnusedRecordsAndStepsAreReported) {
  const std::string temps = "   300.000  5000.000 1000.00";
  Mechanism mech;
  mech.file = "mech.inp";
  mech.species = {"H2", "O2", "N2"};
  const std::string text = "THERMO\n" + Record("H2", "H   2", temps) + Record("O2", "O   2", temps) +
                           Record("H2", "H   2", temps, "      1", 1e-3) +  // differs: line 10
                           Record("O2", "O   2", temps) +                   // the same again: line 14
                           Record("X1", "C   1", temps) + Record("X2", "C   2", temps.substr(0, 20) + " x", "") +
                           Record("N2", "N   2", temps, "      1", 0.5) +  // Cp steps by 0.5 at 1000 K: line 26
                           "END\n";
  ReadThermoFile(mech, text, "therm.dat");
  ASSERT_EQ(mech.thermo.size(), 3u);
  EXPECT_EQ(FindThermo(mech, "H2")->high[0], 3.0);  // the first record counts
  struct Expected {
    int line;
    std::vector<std::string> words;
  } expected[] = {
      {10, {"H2", "differs", "line 2"}},
      {26, {"N2", "disagree", "Cp/R 3.829 below, 4.329 above"}},
      {18, {"2 thermodynamic records for species the mechanism does not use", "1 of them could not be read",
            "X1, X2"}},
      {14, {"1 thermodynamic record repeating", "O2"}},
  };
  ASSERT_EQ(mech.warnings.size(), std::size(expected));
  for (size_t k = 0; k < std::size(expected); ++k) {
    EXPECT_EQ(mech.warnings[k].file, "therm.dat");
    EXPECT_EQ(mech.warnings[k].line, expected[k].line) << mech.warnings[k].text;
    for (const std::string& w : expected[k].words)
      EXPECT_NE(mech.warnings[k].text.find(w), std::string::npos) << mech.warnings[k].text;
  }
  // The unreadable record of a used species stops the import.
  mech.species.push_back("X2");
  EXPECT_THROW(ReadThermoFile(mech, text, "therm.dat"), ImportError);
  // A used species without a record stops it too, naming the species.
  mech.species = {"H2", "AR"};
  try {
    ThermoDatabase(mech);
    ADD_FAILURE() << "no error";
  } catch (const ImportError& e) {
    EXPECT_NE(e.reason.find("AR"), std::string::npos);
  }
}

// The database written from every record of a file, read by the program's
// reader, gives back the source temperatures, coefficients (to the bit) and
// the molecular weight of the formula.
TEST(NasaThermoRecords, TheProgramReadsTheWrittenDatabaseAsTheSourcePolynomials) {
  for (const char* file : {"konnov2008_thermo.dat", "uscmech2_excerpt.dat", "sandiego2016_excerpt.dat",
                           "llnl_nc7_excerpt.dat", "ethanol_excerpt.dat", "glarborg2018_excerpt.dat"}) {
    SCOPED_TRACE(file);
    Mechanism mech = ReadAll(testing::TestData(std::string("chemkin/thermo/") + file), file);
    ImportOptions options;
    const FileSet files = TranslateMechanism(mech, options);
    testing::TempWorkDir dir;
    std::string species;
    for (const auto& [name, content] : files) {
      if (name == "THERM.DAT" || name == options.database) dir.Write(name, content);
      if (name == "SPECIES.DAT") species = content;
    }
    testing::CapturedRun cr;
    tarnavel::Run& run = cr.run;
    run.sw.quiet = true;
    std::istringstream in(species);
    ReadSpeciesLines(run, in);
    ReadThermoDescription(run);
    ReadThermoDatabases(run);
    const ModelStore& st = run.store;
    ASSERT_EQ(st.nspec - 2, static_cast<int>(mech.species.size()));
    const PeriodicTable& table = BuiltInPeriodicTable();
    for (int s = 3; s <= st.nspec; ++s) {
      const ThermoRecord* source = FindThermo(mech, st.species[s].name);
      ASSERT_NE(source, nullptr) << st.species[s].name;
      const ThermoSpeciesData& d = st.thermo.species[s];
      EXPECT_EQ(d.lt, source->t_low);
      EXPECT_EQ(d.ct, source->t_common);
      EXPECT_EQ(d.ht, source->t_high);
      for (int k = 0; k < 7; ++k) {
        EXPECT_EQ(d.a[1][k + 1], source->low[k]) << source->name << " low " << k;
        EXPECT_EQ(d.a[2][k + 1], source->high[k]) << source->name << " high " << k;
      }
      for (const double t : {source->t_low, 0.5 * (source->t_low + source->t_common), source->t_high}) {
        const auto& a = t < source->t_common ? source->low : source->high;
        EXPECT_NEAR(HeatCapacityR(d, t), HeatCapacityOverR(a, t), 1e-12 * std::fabs(HeatCapacityOverR(a, t))) << t;
        EXPECT_NEAR(EnthalpyRT(d, t), EnthalpyOverRT(a, t), 1e-12 * std::fabs(EnthalpyOverRT(a, t))) << t;
        EXPECT_NEAR(EntropyR(d, t), EntropyOverR(a, t), 1e-12 * std::fabs(EntropyOverR(a, t))) << t;
      }
      double mw = 0.0;
      for (const ElementCount& e : source->elements) {
        int found = 0;
        for (int i = 1; i <= table.count && found == 0; ++i)
          if (Upper(table.element[i].symbol) == (e.symbol + " ").substr(0, 2)) found = i;
        ASSERT_GT(found, 0) << e.symbol;
        mw += e.count * table.element[found].mass;
      }
      EXPECT_TRUE(d.mw_present) << source->name;
      EXPECT_NEAR(d.mw, mw, 1e-9 * mw) << source->name;
    }
  }
}

}  // namespace
}  // namespace tarnavel
