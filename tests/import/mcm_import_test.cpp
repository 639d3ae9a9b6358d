// The importer of Master Chemical Mechanism exports: FACSIMILE and KPP forms
// read into reactions, named rate expressions and species sums, and written
// as model files whose rate constants stay expressions.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sstream>

#include "import/mcm_mechanism.hpp"
#include "import/mcm_model_files.hpp"
#include "support/test_data.hpp"

namespace tarnavel {
namespace {

using namespace import;

const std::string& File(const FileSet& files, const std::string& name) {
  for (const auto& f : files)
    if (f.first == name) return f.second;
  throw std::runtime_error("no " + name);
}

// The lines of a file that are no comments.
std::vector<std::string> DataLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (!line.empty() && line[0] != '#') lines.push_back(line);
  return lines;
}

std::vector<std::string> DefinitionNames(const McmMechanism& m) {
  std::vector<std::string> names;
  for (const McmDefinition& d : m.definitions) names.push_back(d.name);
  return names;
}

McmMechanism Read(McmForm form, const std::string& text, const std::string& coefficients = "") {
  McmMechanism m = form == McmForm::kFacsimile ? ReadFacsimile(text, "m.fac") : ReadKpp(text, "m.kpp");
  if (!coefficients.empty()) ReadRateCoefficients(m, coefficients, "c.f90");
  CompleteMechanism(m);
  return m;
}

TEST(McmFacsimile, ReadsTheOzoneNoxModel) {
  const McmMechanism m = Read(McmForm::kFacsimile, testing::TestData("mcm/env_model_1.fac"));
  ASSERT_EQ(m.reactions.size(), 6u);
  EXPECT_EQ(DefinitionNames(m), (std::vector<std::string>{"K10", "K1I", "KR1", "FC1", "NC1", "F1", "KMT01"}));
  EXPECT_EQ(m.definitions[5].expression, "10@(LOG10(FC1)/(1+(LOG10(KR1)/NC1)**2))");
  ASSERT_EQ(m.sums.size(), 1u);
  EXPECT_EQ(m.sums[0].name, "RO2");
  EXPECT_TRUE(m.sums[0].species.empty());
  EXPECT_EQ(m.species, (std::vector<std::string>{"O3", "O", "NO2", "NO"}));
  EXPECT_EQ(m.j_used, (std::vector<int>{2, 4}));
  const McmReaction& third = m.reactions[2];
  EXPECT_EQ(third.line, 21);
  EXPECT_EQ(third.rate, "5.6D-34*N2*(TEMP/300)@-2.6*O2");
  EXPECT_EQ(third.reactants, (Side{{1.0, "O"}}));
  EXPECT_EQ(third.products, (Side{{1.0, "O3"}}));
  EXPECT_EQ(m.reactions[1].rate, "J<4>");
  EXPECT_EQ(m.reactions[1].products, (Side{{1.0, "NO"}, {1.0, "O"}}));
}

// A subset as the MCM exports it: an RO2 list over several lines with a
// species no reaction names, a definition using RO2 and KFAC before they are given,
// repeated products, more products than a reaction line holds, and a loss
// without products in a mechanism that already has a species named SINK.
TEST(McmFacsimile, WritesSumsCompanionsAndLosses) {
  const std::string fac =
      "* Generic Rate Coefficients ;\n"
      "VARIABLE\n CH3O2 C2H5O2 HCHO HO2 A B C D E F NO SINK ;\n"
      "KRO2 = KFAC*1.26D-12*RO2 ;\n"
      "RO2 = CH3O2 + C2H5O2\n      + HOCH2CH2O2 ; KFAC = 1.0 ;\n"
      "% KRO2*0.5 : CH3O2 = HCHO + HO2 ;\n"
      "% 1.0D-11 : CH3O2 + C2H5O2 = A + B + C + D ;\n"
      "% 2.0D-12 : C2H5O2 + NO = A + B + C + D + E + 2 F ;\n"
      "% J<41> : C2H5O2 = A + A + 0.5B ;\n"
      "% 4.8D-11*EXP(250/TEMP) : CH3O2 + SINK = ;\n";
  const McmMechanism m = Read(McmForm::kFacsimile, fac);
  McmOptions options;
  options.initial = ReadSpeciesValues("CH3O2 1e9\nNO 2.5E10\n", "initial.config", true);
  options.constant = ReadSpeciesValues("NO\nHO2 1E+8\n", "constant.config", false);
  std::vector<ImportWarning> changes;
  const FileSet files = TranslateMcmMechanism(m, options, &changes);
  EXPECT_EQ(DataLines(File(files, "MODEL.DAT")),
            (std::vector<std::string>{
                "KRO2*0.5\tCH3O2 ==> HCHO + HO2\tline 7",
                "1.0D-11\tCH3O2 + C2H5O2 ==> A + B + C + D\tline 8",
                "2.0D-12\tC2H5O2 + NO ==> A + B + C + D\tline 9",
                "2.0D-12\tC2H5O2 + NO ==> C2H5O2 + NO + E + 2F\tline 9, companion 1",
                "J<41>\tC2H5O2 ==> 2A + 0.5B\tline 10",
                "4.8D-11*EXP(250/TEMP)\tCH3O2 + SINK ==> SINK1\tline 11, no products",
            }));
  const std::vector<std::string> species = DataLines(File(files, "SPECIES.DAT"));
  // Twelve species of the reactions in order of appearance, one only in RO2, and the loss.
  ASSERT_EQ(species.size(), 14u);
  EXPECT_EQ(species[0], "CH3O2\t0\t1E+09\tY\t0\tN\tN");
  EXPECT_EQ(species[2], "HO2\t0\t1E+08\tY\t0\tN\t1E+08");
  EXPECT_EQ(species[8], "NO\t0\t2.5E+10\tY\t0\tN\t2.5E+10");  // held at its initial value
  EXPECT_EQ(species[11], "SINK\t0\t0\tY\t0\tN\tN");
  EXPECT_EQ(species[12], "HOCH2CH2O2\t0\t0\tY\t0\tN\tN");
  EXPECT_EQ(species[13], "SINK1\t0\t0\tN\t0\tN\t0");
  const std::vector<std::string> rates = DataLines(File(files, "RATES.DAT"));
  EXPECT_EQ(rates, (std::vector<std::string>{"SET\tPRESSURE\t101325", "SUM\tRO2\tCH3O2 C2H5O2 HOCH2CH2O2",
                                             "DEFINE\tKFAC\t1.0", "DEFINE\tKRO2\tKFAC*1.26D-12*RO2"}));
  ASSERT_GE(changes.size(), 2u);
  EXPECT_EQ(changes[0].text, "1 companion reaction(s) carry the products beyond the first 4");
  EXPECT_EQ(changes[1].text, "1 reaction(s) without products give them to SINK1, held at 0");
}

// The KPP form of the MCM web site: species declared in #DEFVAR, the RO2 sum
// and a rate coefficient in the #INLINE block, the others in the Fortran
// routine it calls, photolysis by number and by name, hv among the reactants.
TEST(McmKpp, ReadsTheWebExportWithItsCoefficients) {
  const std::string kpp = testing::TestData("mcm/small.kpp");
  const McmMechanism m = Read(McmForm::kKpp, kpp, testing::TestData("mcm/small_coefficients.f90"));
  ASSERT_EQ(m.reactions.size(), 8u);
  ASSERT_EQ(m.sums.size(), 1u);
  EXPECT_EQ(m.sums[0].species, (std::vector<std::string>{"CH3O2", "C2H5O2"}));
  EXPECT_EQ(m.reactions[0].rate, "5.6D-34*N2*(TEMP/300)**(-2.6)*O2");
  EXPECT_EQ(m.reactions[1].rate, "J<4>");
  EXPECT_EQ(m.reactions[5].rate, "J<12>");
  EXPECT_EQ(m.reactions[5].reactants, (Side{{1.0, "HCHO"}}));
  EXPECT_TRUE(m.reactions[7].products.empty());
  EXPECT_EQ(DefinitionNames(m),
            (std::vector<std::string>{"KRO2NO", "KCH3O2", "K10", "K1I", "KR1", "FC1", "NC1", "F1", "KMT01"}));
  EXPECT_EQ(m.definitions[1].expression, "1.03D-13*EXP(365.0/TEMP)");
  ASSERT_EQ(m.photolysis.size(), 1u);
  EXPECT_EQ(m.photolysis[0].number, 12);
  EXPECT_EQ(m.photolysis[0].l + " " + m.photolysis[0].m + " " + m.photolysis[0].n, "6.853E-05 0.477 0.323");
  // CL is declared but used nowhere; N2 is the simulator's.
  EXPECT_EQ(std::count(m.species.begin(), m.species.end(), "CL"), 0);
  ASSERT_EQ(m.warnings.size(), 2u);
  EXPECT_EQ(m.warnings[0].line, 7);
  EXPECT_NE(m.warnings[1].text.find("left out: CL"), std::string::npos);
}

// A species KPP declares fixed is held constant, at a value that must be given.
TEST(McmKpp, HoldsItsFixedSpeciesAtTheValueGiven) {
  const std::string kpp =
      "#DEFFIX\nO2 = O ;\n#DEFVAR\nO = IGNORE ; O3 = IGNORE ;\n#INLINE F90_GLOBAL\n REAL(dp) :: X\n#ENDINLINE\n"
      "#EQUATIONS\n<R1> O + O2 = O3 : 6.0E-34*M ;\n";
  const McmMechanism m = Read(McmForm::kKpp, kpp);
  EXPECT_EQ(m.fixed, (std::vector<std::string>{"O2"}));
  ASSERT_EQ(m.warnings.size(), 1u);
  EXPECT_EQ(m.warnings[0].text, "not read: #INLINE F90_GLOBAL (line 5)");
  McmOptions o;
  EXPECT_THROW(TranslateMcmMechanism(m, o), ImportError);
  o.constant = ReadSpeciesValues("O2 5.2E18\n", "constant.config", false);
  EXPECT_EQ(DataLines(File(TranslateMcmMechanism(m, o), "SPECIES.DAT"))[1], "O2\t0\t5.2E+18\tY\t0\tN\t5.2E+18");
}

TEST(McmExpressions, TranslateIntoTheModelFileSyntax) {
  struct Case {
    McmForm form;
    const char* in;
    const char* out;
  } cases[] = {
      {McmForm::kFacsimile, "1.0D-31*M*(TEMP/300)@-1.6", "1.0D-31*M*(TEMP/300)@-1.6"},
      {McmForm::kFacsimile, "2*(KCH3O2*7.8D-14*EXP(1000/TEMP))@0.5*RO2*0.2",
       "2*(KCH3O2*7.8D-14*EXP(1000/TEMP))@0.5*RO2*0.2"},
      {McmForm::kFacsimile, "J<56> * 4.3", "J<56>*4.3"},
      {McmForm::kFacsimile, "0.17*EXP(-51/TEMP)+EXP(-TEMP/204)", "0.17*EXP(-51/TEMP)+EXP(-TEMP/204)"},
      {McmForm::kKpp, "8.E-27*M*(TEMP/300.)**(-3.5)", "8.0E-27*M*(TEMP/300.0)**(-3.5)"},
      {McmForm::kKpp, "2.7d-12*exp(360/temp)", "2.7D-12*EXP(360/TEMP)"},
      {McmForm::kKpp, "J(4)", "J<4>"},
      {McmForm::kKpp, "J(J_CH3OOH)+J(J_MEK)", "J<41>+J<22>"},
      {McmForm::kKpp, "dexp(-1310.0_dp/TEMP)*alog10(2.)", "EXP(-1310.0/TEMP)*LOG10(2.0)"},
      {McmForm::kKpp, " + .5 * kro2no", "0.5*KRO2NO"},
      {McmForm::kKpp, "10.**(-2)", "10.0**(-2)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in);
    std::map<std::string, int> j_names = {{"J_CH3OOH", 41}, {"J_MEK", 22}};
    EXPECT_EQ(TranslateExpression(c.in, c.form, j_names, "f", 1), c.out);
  }
  std::map<std::string, int> j_names;
  std::vector<std::string> names;
  TranslateExpression("KMT01*H2O+KMT01*J<4>", McmForm::kFacsimile, j_names, "f", 1, &names);
  EXPECT_EQ(names, (std::vector<std::string>{"KMT01", "H2O", "J<4>"}));
}

TEST(McmFaults, StopTheImportWithFileLineAndReason) {
  struct Case {
    McmForm form;
    const char* text;
    const char* coefficients;
    const char* message;
  } cases[] = {
      {McmForm::kFacsimile, "% FOO(TEMP) : A = B ;", "",
       "m.fac, line 1: \"FOO(TEMP)\": FOO(...) is neither a function the model files know"},
      {McmForm::kFacsimile, "K1 = 2*-3 ;", "",
       "m.fac, line 1: \"2*-3\": \"-\" where a number, a name or '(' should stand"},
      {McmForm::kFacsimile, "* c ;\n% K1*2 : A = B ;", "", "m.fac, line 2: K1 is not defined"},
      {McmForm::kFacsimile, "% 1.0 : A + B ;", "", "m.fac, line 1: the reaction \"A + B\" needs one '='"},
      {McmForm::kFacsimile, "% 1.0 : A + B + C + D + E = F ;", "", "5 reactants; a reaction of the model file holds 4"},
      {McmForm::kFacsimile, "% 1.0 : A = 0B ;", "", "line 1: the coefficient of \"0B\" is not a positive number"},
      {McmForm::kFacsimile, "{ header\n% 1 : A = B ;", "", "m.fac, line 1: the comment opened by '{' is not closed"},
      {McmForm::kFacsimile, "K1 = 1 ;\nK1 = 2 ;", "",
       "m.fac, line 2: K1 is defined a second time, differently (first at m.fac, line 1)"},
      {McmForm::kFacsimile, "KA = KB ;\nKB = 2*KA ;", "",
       "the definitions refer to each other in a circle: KA -> KB -> KA"},
      {McmForm::kFacsimile, "% 1.0 : A = B\n", "", "m.fac, line 1: the statement has no closing ';'"},
      {McmForm::kFacsimile, "COMPILE INSTANT ;", "", "m.fac, line 1: \"COMPILE INSTANT\" is neither a definition"},
      {McmForm::kKpp, "#INLINE F90_RCONST\n IF (TEMP > 300) THEN\n K1 = 1\n END IF\n#ENDINLINE", "",
       "m.kpp, line 2: Fortran IF statements cannot be read"},
      {McmForm::kKpp, "#INLINE F90_RCONST\n K(1) = 2.0\n#ENDINLINE", "",
       "m.kpp, line 2: the array element K(1) cannot be read"},
      {McmForm::kKpp, "#INLINE F90_RCONST\n RO2 = 2*C(ind_A) &\n  + C(ind_B)\n#ENDINLINE", "",
       "m.kpp, line 2: \"2*C(ind_A)  + C(ind_B)\": concentrations C(ind_X) are read only as a plain sum"},
      {McmForm::kKpp, "#EQUATIONS\n{1.} A = B : 1.0E-11*C(ind_A) ;", "", "can only stand in a sum of concentrations"},
      {McmForm::kKpp, "#EQUATIONS\n{1.} A = B : J(J_NEW) ;", "", "the photolysis rate J(J_NEW) is not one of the MCM"},
      {McmForm::kKpp, "#EQUATIONS\n{1.} A = B : KMT01 ;", "",
       "m.kpp, line 2: KMT01 is not defined (the generic and complex"},
      {McmForm::kKpp, "A = B : 1.0 ;", "", "m.kpp, line 1: \"A = B : 1.0\" stands outside any section"},
      {McmForm::kKpp, "#EQUATIONS\n{1.} A = B : J(4) ;", "J(J_NO2) = 1.0E-2*cos(zenith)",
       "c.f90, line 1: the photolysis rate J<4> is not of the form l*cos(X)**m*exp(-n/cos(X))"},
      {McmForm::kKpp, "#EQUATIONS\n{1.} A = B : 1.0 ;", "! loop\nDO i = 1, 3",
       "c.f90, line 2: Fortran DO statements cannot be read"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      Read(c.form, c.text, c.coefficients);
      ADD_FAILURE() << "no error";
    } catch (const ImportError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
}

TEST(McmModelFiles, WriteTheConditionsOfTheRun) {
  const McmMechanism m = Read(McmForm::kFacsimile, testing::TestData("mcm/env_model_1.fac"));
  McmOptions o;
  o.title = "O3-NOx";
  o.temperature = 288.0;
  o.pressure = 101000.0;
  o.rh = 42.0;
  o.latitude = 36.11;
  o.longitude = -5.35;
  o.start = "2002-02-02T14:00:00";
  o.declination = -17.05;
  o.jfactor = 0.0;
  o.span = 14400.0;
  o.output_step = 600.0;
  o.accuracy = 1.0e-4;
  o.initial = ReadSpeciesValues(testing::TestData("mcm/env_model_1_initial.config"), "initial", true);
  const FileSet files = TranslateMcmMechanism(m, o);
  ASSERT_EQ(files.size(), 4u);
  EXPECT_EQ(File(files, "PARM.DAT"),
            "# O3-NOx\n# TSTEP(s)\tTSTEP2(s)\tEa units\tConc. units\t-\n1.0E-10\t600\tKELVIN\tMOLECULES/CM^3\t0\n"
            "# Temperature(K)\tConst. P\tVolume\t-\t-\n288\tNO\t0\t0\t0\n"
            "# Days\tHours\tMinutes\tSeconds\tPicoseconds\n0\t0\t0\t14400\t0\n"
            "# hv file\thv dt(s)\tPercent diff.\tAccuracy\t-\nNone1\t1\t1\t0.0001\t0\n0\t0\t0\t0\t0\n");
  const std::vector<std::string> rates = DataLines(File(files, "RATES.DAT"));
  ASSERT_EQ(rates.size(), 15u);
  EXPECT_EQ(
      std::vector<std::string>(rates.begin(), rates.begin() + 9),
      (std::vector<std::string>{"SET\tPRESSURE\t101000", "SET\tRH\t42", "SET\tLATITUDE\t36.11", "SET\tLONGITUDE\t-5.35",
                                "SET\tSTART\t2002-02-02T14:00:00", "SET\tDECLINATION\t-17.05", "SET\tJFACTOR\t0",
                                "SUM\tRO2", "DEFINE\tK10\t1.0D-31*M*(TEMP/300)@-1.6"}));
  EXPECT_EQ(rates.back(), "DEFINE\tKMT01\t(K10*K1I)*F1/(K10+K1I)");
  EXPECT_EQ(DataLines(File(files, "SPECIES.DAT"))[0], "O3\t0\t6.16E+11\tY\t0\tN\tN");

  // A sum longer than a line is split over lines of the same name.
  McmMechanism big = m;
  big.sums[0].species.clear();
  for (int k = 0; k < 120; ++k) big.sums[0].species.push_back("RADICAL" + std::to_string(k) + "O2");
  std::string joined;
  int sum_lines = 0;
  for (const std::string& line : DataLines(File(TranslateMcmMechanism(big, McmOptions{}), "RATES.DAT"))) {
    if (line.rfind("SUM\tRO2\t", 0) != 0) continue;
    ++sum_lines;
    EXPECT_LE(line.size(), 300u);
    joined += (joined.empty() ? "" : " ") + line.substr(8);
  }
  EXPECT_GT(sum_lines, 1);
  EXPECT_EQ(joined.substr(0, 22), "RADICAL0O2 RADICAL1O2 ");
  EXPECT_EQ(std::count(joined.begin(), joined.end(), ' '), 119);
}

TEST(McmModelFiles, RefuseConditionsThatCannotBeWritten) {
  const McmMechanism m = Read(McmForm::kFacsimile, testing::TestData("mcm/env_model_1.fac"));
  struct Case {
    const char* name;
    std::function<void(McmOptions&)> set;
    const char* message;
  } cases[] = {
      {"no such day", [](McmOptions& o) { o.start = "2002-02-29T14:00:00"; },
       "--start: \"2002-02-29T14:00:00\" is not"},
      {"no time", [](McmOptions& o) { o.start = "2002-02-02"; }, "is not a UTC date and time"},
      {"water twice",
       [](McmOptions& o) {
         o.h2o = 1e17;
         o.rh = 50;
       },
       "--h2o: give the water either"},
      {"latitude", [](McmOptions& o) { o.latitude = 91; }, "--latitude: 91 is not between -90 and 90"},
      {"unknown species",
       [](McmOptions& o) { o.initial = ReadSpeciesValues("O3 1e11\nCH4 4e13\n", "init.config", true); },
       "init.config, line 2: species \"CH4\" is not in the mechanism"},
      {"held without a value", [](McmOptions& o) { o.constant = ReadSpeciesValues("NO\n", "const.config", false); },
       "species NO is held constant but no value is given"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    McmOptions o;
    c.set(o);
    try {
      TranslateMcmMechanism(m, o);
      ADD_FAILURE() << "no error";
    } catch (const ImportError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
  EXPECT_THROW(ReadSpeciesValues("O3 abc\n", "init.config", true), ImportError);
  EXPECT_THROW(ReadSpeciesValues("O3\n", "init.config", true), ImportError);
  EXPECT_THROW(ReadSpeciesValues("O3 1 2\n", "init.config", false), ImportError);
}

}  // namespace
}  // namespace tarnavel
