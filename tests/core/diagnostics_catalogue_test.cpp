// Every catalogue entry, printed with one fixed set of inserted values and
// compared line by line with the text the user must see.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/diagnostics.hpp"
#include "support/run_fixture.hpp"

namespace tarnavel {
namespace {

using testing::CapturedRun;
using Lines = std::vector<std::string>;

// The inserted values every row is printed with: the model file is being read.
void LeaveMessageValues(Run& run) {
  run.reader.filename = {"", "SP.DAT", "MO.DAT", "PA.DAT", "NA.DAT", "TH.DAT", "PE.DAT"};
  run.reader.filecode = kModelFile;
  run.reader.line = "A + B ==> C      ";
  run.reader.srcline = 12;
  run.sw.conc_out_name = "C.TXT";
  run.sw.analysis_name = "AN.TXT";
  run.sw.fit.data_file = "FD.TXT";
  run.msg.name1 = "NAME1";
  run.msg.name2 = "NAME2";
  run.msg.name3 = "NAME3";
  run.msg.n1 = 101;
  run.msg.n2 = 202;
  run.msg.n3 = 303;
  run.msg.n4 = 404;
}

Lines WithLineReads(Lines lines) {
  lines.push_back("LINE READS:");
  lines.push_back("' A + B ==> C '");
  lines.push_back("( source line # 12 )");
  return lines;
}

// Message lines as console lines: each free-text line gets its blank column.
Lines OnConsole(const Lines& message) {
  Lines out;
  for (const std::string& line : message) out.push_back(" " + line);
  return out;
}

Lines FatalFrame(const std::string& number_field, const Lines& message) {
  Lines out{"", " ******************** FATAL ERROR ***********************",
            " ALERT!!  User or Disk ERROR!!", "  FATAL Error #" + number_field};
  for (const std::string& line : OnConsole(message)) out.push_back(line);
  out.insert(out.end(), {"", " Simulation TERMINATED with FATAL ERROR.", ""});
  return out;
}

Lines WarningFrame(const std::string& number_field, const Lines& message) {
  Lines out{"", " *********************** WARNING ***********************",
            "  Warning Error #" + number_field};
  for (const std::string& line : OnConsole(message)) out.push_back(line);
  out.insert(out.end(), {" *******************************************************", ""});
  return out;
}

Lines NoticeFrame(const std::string& number_field, const Lines& message) {
  Lines out{"", " **************** For Your Information ****************",
            "  FYI Code #" + number_field};
  for (const std::string& line : OnConsole(message)) out.push_back(line);
  out.insert(out.end(), {" ******************************************************", ""});
  return out;
}

std::string Field(int number, std::size_t width) {
  std::string s = std::to_string(number);
  return std::string(width - s.size(), ' ') + s;
}

struct Entry {
  int number;
  Lines message;
};

void PrintTo(const Entry& e, std::ostream* os) { *os << "#" << e.number; }

const Lines kDelimiterAdvice{
    "Make sure data delimiters (comma, TAB, etc.) are",
    "in MO.DAT and/or the correct data delimiter is",
    "set. If you haven't set it, then by default a TAB",
    "is used to separate fields.",
    "Use the -d option to change this (Type Tarnavel ?).",
};

Lines Concat(Lines first, const Lines& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

const std::vector<Entry> kFatalEntries{
    {1, WithLineReads(Concat({"No data fields in MO.DAT..."}, kDelimiterAdvice))},
    {2, WithLineReads({"ERROR!, INCORRECT NUMBER OF FIELDS IN model description file MO.DAT",
                       "YOU SHOULD HAVE NO MORE THAN 5 FIELDS",
                       "INCLUDING OPTIONAL COMMENT FIELD AT END!"})},
    {3, WithLineReads(Concat({"NO DATA DELIMITERS FOUND IN MO.DAT"}, kDelimiterAdvice))},
    {5, {"The hv energy output file NAME1", "does not exist. Please correct."}},
    {6, WithLineReads({"Too many data items in MO.DAT",
                       "on a line. Make sure the Data Separator in your",
                       "MO.DAT file is a valid ASCII Separator.",
                       "Separators can be TAB, comma, colon, |, or an", "exclamation mark."})},
    {10, {"Duplicate species found in MO.DAT", "NAME1 has duplicate! Please correct."}},
    {11, {"Concentration profile file:'NAME1' cannot", "be loaded. Please correct."}},
    {14, WithLineReads({"Ill-formed reaction line in the model description", "file : MO.DAT",
                        "Remember to use '==>' to represent 'produces'",
                        "on a reaction line. Check for other possible errors."})},
    {15, WithLineReads({"Missing Reactant/Product on reaction line",
                        "in MO.DAT. Please correct."})},
    {21, {"You have exceeded the maximum number of species",
          "allowed in this version of Tarnavel.", "(101)", "Contact company for an upgrade."}},
    {22, {"You have exceeded the maximum number of reactions",
          "allowed in this version of Tarnavel.", "(101)", "Contact company for an upgrade."}},
    {23, {"You have exceeded the maximum number of times a",
          "species can appear as a reactant/product in each",
          "reaction in this version of Tarnavel.", "(101)", "Contact company for an upgrade."}},
    {24, WithLineReads({"An illformed reaction line has been found", "in MO.DAT!!",
                        "Remember to place charges on species on the",
                        "right-hand side, ie. Cl+++ .",
                        "Remember to use '==>' to represent 'produces'",
                        "on a reaction line. Check for other possible errors.",
                        "Please correct."})},
    {28, {"Not a valid species name in model description file MO.DAT", "'NAME1'"}},
    {29, {"Not a valid species name in model description file MO.DAT", "'NAME1'"}},
    {30, {"Parameter description file PA.DAT"}},
    {31, {"Species description file SP.DAT"}},
    {32, {"Model description file MO.DAT"}},
    {33, {"Thermodynamic description file TH.DAT"}},
    {34, {"Thermodynamic database file NAME1", "CANNOT BE FOUND !!!!",
          "Make sure the file exists and/or is in the correct",
          "directory. (Usually the same directory as TARNAVEL.)"}},
    {35, {"A duplicate reaction has been found!", "Reaction #'s 101 and 202",
          "( Source line numbers, 303 & 404 in MO.DAT)",
          "are duplicates! Please correct or delete."}},
    {36, {"An ill-formed reaction line has been found!", "Please condense your reactions!",
          "ie. for A+A+A=B type 3A=B.", "Reaction # 101", "( Source line number 202)"}},
    {37, {"Rosebrock method is only for 50 or less species.",
          "Use the modified Bader-Deuflhard or RK method."}},
    {38, {"Cannot open a temporary file on disk device.",
          "Tarnavel cannot procede without the ability to", "save temporary information on disk!"}},
    {39, WithLineReads({"You have exceeded the number of reactants",
                        "that can appear in one reaction.", "Try to split the global reaction",
                        "into two global reactions.\tYou can do this with",
                        "with ANY global reaction.", "-OR-", "Contact company for an upgrade."})},
    {40, WithLineReads({"You have exceeded the number of products",
                        "that can appear in one reaction.", "Try to split the global reaction",
                        "into two global reactions.\tYou can do this with",
                        "with ANY global reaction.", "-OR-", "Contact company for an upgrade."})},
    {70, {"Unknown input descriptor: NAME1", "at line: 12",
          "in thermodyamic description file: TH.DAT"}},
    {71, {"Blank INPUT or MAP desciptor at line: 12",
          "in thermodyamic description file: TH.DAT"}},
    {72, {"Unrecognizable keyword in the MAP descriptor field", "Unknown keyword: NAME1",
          "at line: 12 in file: TH.DAT"}},
    {73, {"Unrecognizable keyword in the DATABASE SPECIAL",
          "SWITCHES field!!!! Unknown keyword: NAME1", "at line: 12 in file: TH.DAT"}},
    {74, {"The species:", "'NAME1'", "has NOT been located in any of the thermodynamic",
          "database(s) specified in the thermodyamic description", "file: TH.DAT"}},
    {75, {"Unrecognizable keyword used in the SET() keyword", "in the DATABASE SPECIAL field!",
          "Unknown keyword: NAME1", "at line: 12 in file: TH.DAT"}},
    {76, {"To compute reverse rates using the thermodynamic",
          "database, please use UNITS of mol./liter, mol./cc or", "molecules/cm^3."}},
    {77, {"Error in SET database switch. Correct it.", "At line: 12",
          "in thermodyamic description file: TH.DAT"}},
    {78, {"No equal in the SET database switch", "At line: 12",
          "in thermodyamic description file: TH.DAT"}},
    {79, WithLineReads({"There are no parameters or inappropriate",
                        "parameters set for the enhanced third body!!",
                        "You have specified a special enhanced third body",
                        "reaction but have provided no parameters to go with",
                        "M[..], such as CH3CH2 + H + M[-O2(2.17)] ==> CH3CH3", "OR",
                        "CH3CH2 + H + M[TROE;2.3;4.3;5.3;5.5;2.32;6.52;2.32;",
                        "N2(2.32);O2(1);,H2(1.32)] ==> CH3CH3.", "MO.DAT"})},
    {80, WithLineReads({"There are no parameters or inappropriate",
                        "parameters set for the enhanced third body of type",
                        "LIN (Lindemann). For Lindeman type reactions you",
                        "should use the following example format:",
                        ".... + M[LIN;1.0;2.0;3.0;O2(4.42);N2(0.93)] ==> .. or",
                        "without any enhanced third bodies:\t",
                        ".... + M[LIN;1.0;2.0;3.0] ==> .... ."})},
    {81, WithLineReads({"There are no parameters or inappropriate",
                        "parameters set for the enhanced third body of type",
                        "TROE (Troe). For Troe type reactions you",
                        "should use the following example format:",
                        "CH3CH2 + H + M[TROE;2.3;4.3;5.3;5.5;2.32;6.52;2.32;",
                        "N2(2.32);O2(1);H2(1.32)] ==> CH3CH3 or without",
                        "any enhanced third bodies:",
                        "CH3CH2 + H + M[TROE;2.3;4.3;5.3;5.5;2.32;6.52;2.32] ==>", "CH3CH3"})},
    {82, WithLineReads({"There are no parameters or inappropriate",
                        "parameters set for the enhanced third body of type",
                        "SRI (Stewart et al. @ SRI). For SRI type reactions you",
                        "should the following example format:",
                        "CH3CH2 + H + M[SRI;2.3;4.3;5.3;5.5;2.32;6.52;2.32;1.4;",
                        "N2(2.32);O2(1);H2(1.32)] ==> CH3CH3 or without",
                        "any enhanced third bodies:",
                        "CH3CH2 + H + M[SRI;2.3;4.3;5.3;5.5;2.32;6.52;2.32;1.4]",
                        "==> CH3CH3"})},
    {83, WithLineReads({"A malformed enhanced third body reaction has been",
                        "detected. You are missing a RIGHT paranthesis for",
                        "an enhanced body between the +M[....] ."})},
    {84, WithLineReads({"A malformed enhanced third body reaction has been",
                        "detected. You are missing a LEFT paranthesis for",
                        "an enhanced body between the +M[....] ."})},
    {85, WithLineReads({"An enhanced third body species you have specified",
                        "in an enhanced third body reaction has not been located",
                        "in any reaction nor the species", "definition file: SP.DAT"})},
    {86, {"You have too many special reactions (either too many",
          "enhanced third body reaction, plasma reactions,",
          "vibrational energy transfer reactions, etc.)",
          "Reduce them or contact the author of Tarnavel to",
          "send you an enhanced version to handle this."}},
    {87, WithLineReads({"You have a reaction with the Arrhenius coefficient",
                        "or the rate constant set to zero.", "If this is a mistake then correct the",
                        "error. If not a mistake, then remove this reaction",
                        "or comment it out using the \"#\" character at the ",
                        "beginning of the reaction line."})},
    {88, WithLineReads({"INVALID NUMBER FOUND IN model description file MO.DAT"})},
    {89, WithLineReads({"A number was found instead of a species name",
                        "for the third body/rate fall-off reaction.",
                        "Please be sure you have the appropriate amount of",
                        "reaction parameters set. You may have too many",
                        "reaction parameters located between the M[...]"})},
    {90, {"There are NO reactions to compute!!!"}},
    {91, WithLineReads({"There are no parameters or inappropriate",
                        "parameters set for the Landau-Teller rate expression.",
                        "For Landau-Teller type reactions you",
                        "should use the following example format:",
                        "CH3CH2 + H + S[LT;2.3;4.3]==> CH3CH3."})},
    {92, {"You cannot have both the pressure and volume",
          "held constant. You have specified a volume profile",
          "file and have \"YES\" in the constant pressure field in", "parameters file: PA.DAT"}},
    {93, {"A zero has been found in your volume profile.",
          "Black holes are not allowed to form in TARNAVEL."}},
    {94, {"There are too many points to store in a", "concentration/temperature/volume profile.",
          "Reduce the amount of points or contact author", "for an upgrade to TARNAVEL."}},
    {95, {"A Stepsize underflow error has happened",
          "Check your equations/initial concentrations/correct",
          "units set/temperature within range of thermodynamic",
          "database values. If all settings are correct, try",
          "reducing starting Minimal integration step-size or",
          "reducing Maximum integration stepsize or the accuracy"}},
    {96, {"Unknown units of energy of activation have been set",
          "in the parameters description file.", "Units can be KCAL,CAL,KJ,J or KELVIN."}},
    {97, {"Unknown units of concentration have been set in",
          "the parameters description file.",
          "Units can be moles/L (0), molecules/cm^3 (1), ppm (2)", "or moles/cm^3 (3)."}},
    {98, {"The concentration units of ppm (2) cannot be used",
          "with thermodynamics or constant pressure settings.",
          "You should be using concentration units of", "moles/cc (3)."}},
    {110, {"Strange, the output concentration file",
           "for which TARNAVEL will fit your selected parameters", "to, CANNOT BE FOUND !!!!",
           "Make sure the file exists and/or is in the correct",
           "directory. (Usually the same directory as TARNAVEL.)"}},
    {111, {"The -FIT switch has been specified, but you have",
           "not selected any numeric parameters to fit your",
           "data. Remember to use the \"?\" at the end of a",
           "number to denote its selection for fitting/optimization."}},
    {112, {"The datafile: FD.TXT", "contains additional species that are NOT in your",
           "model file or species file. Either remove this data",
           "column from your data file: FD.TXT", "or update your model/species file..."}},
    {113, {"You have specified the Periodic Table file",
           "PERIODIC.DAT to be loaded into Tarnavel, BUT",
           "this file cannot be located. Make sure the Periodic",
           "Table file PERIODIC.DAT is in the same directory as", "TARNAVEL."}},
    {114, {"You have exceeded the maximum amount of optimization",
           "iterations allowed. You can allow your optimization to",
           "continue beyond this point by provided a new maximum",
           "amount of optimization steps with the", "-FIT switch option."}},
    {115, {"The number of INPUT \"F\" fields do not match the number", "of MAP fields.",
           "There are more MAP fields than \"F\" fields in the INPUT",
           "part of the thermodynamic description spreadsheet:", "TH.DAT",
           "You must either remove one or more MAP fields or add", "more INPUT \"F\" fields."}},
    {116, {"The number of INPUT \"F\" fields do not match the number", "of MAP fields.",
           "There are more \"F\" fields in the INPUT column than MAP",
           "fields of the thermodynamic description spreadsheet:", "TH.DAT",
           "You must either remove one or more INPUT \"F\" fields", "or add more MAP fields."}},
    {117, {"An uneven field length value was provided for the CMW",
           "MAP value. The CMW should be evenly divisible by 5.",
           "Go back into the thermodynamic description spreadsheet:", "TH.DAT",
           "and correct this."}},
    {118, {"The length of an element symbol cannot be greater than", "two (2) characters!"}},
    {119, {"A duplicate element has been found in the periodic",
           "table file:PERIODIC.DAT file. Remove or correct the", "duplicate."}},
    {120, {"You are NOT displaying (saving)", "the species: NAME1",
           "to a file. To continue with the optimization,",
           "you must display this species' output!!",
           "Go into the species description spreadsheet:", "SP.DAT",
           "and type/select \"yes\" under the Display Output column", "heading!"}},
    {121, {"Your data file: FD.TXT", "for which TARNAVEL will fit your selected parameters",
           "to, CANNOT BE FOUND !!!!", "Make sure the file exists and/or is in the correct",
           "directory. (Usually the same directory as TARNAVEL.)"}},
    {999, {"Software/Storage/FPU internal problem", "Consult company for further details...."}},
};

const Lines kNoMassBalance{"Any equations containing this species cannot be",
                           "checked for mass balance."};

const std::vector<Entry> kWarningEntries{
    {1, {"You cannot define 'hv' and 'M' as species.",
         "These are internal species that have special", "definitions in Tarnavel. Remove NAME1 from",
         "your species file: SP.DAT", "You DO NOT have to define these species.",
         "(Ignoring line...)"}},
    {3, {"THE SPECIES: 'NAME1'", "DOES NOT EXIST (spelling? or watch your letter 'O'",
         "from the numeral zero, '0', or the lowcase",
         "letter ,'l',and the numeral one, '1')", "in the species containing file: SP.DAT",
         "Adding in the species and initializing all values as 0."}},
    {5, {"Applying Steady State Approximation (SSA) to", "NAME1 is not applicable !",
         "Look at your reactions.... (SSA REMOVED....)"}},
    {6, {"???? Possible error ????:", "A negative concentration was detected!!!",
         "Halt program and re-RUN with TSTEP=TSTEP/10 and/or", "Accuracy=Accuracy/10.",
         "Also CHECK YOUR EQUATIONS!!! Do they make sense?"}},
    {7, {"You cannot use Turbo Mode because concentration",
         "profiles are involved in this simulation.", "Turbo Mode turned OFF."}},
    {8, {"You are not displaying the output of ANY SPECIES!",
         "You will not be able to see the concentration of any",
         "species!!! Displaying the very first species!"}},
    {9, {"One or more left parenthesis are missing for species:", "NAME1",
         "in your species file: SP.DAT", "any equations containing this species cannot be",
         "checked for mass balance."}},
    {10, Concat({"You have reached the maximum amount of parenthesis",
                 "nesting in the species NAME1", "in your species file: SP.DAT",
                 "Expand the inner most parenthesis."},
                kNoMassBalance)},
    {11, Concat({"One or more right parenthesis are missing for species:", "NAME1",
                 "in your species file: SP.DAT"},
                kNoMassBalance)},
    {12, Concat({"The species NAME1", "cannot be mass determined nor does it exist as",
                 "an entry in your names file: NA.DAT"},
                kNoMassBalance)},
    {13, {"One or more left parenthesis are missing for", "mass formula NAME1",
          "of the name: NAME2", "in your name file: NA.DAT",
          "any equations containing this species cannot be", "checked for mass balance."}},
    {14, Concat({"You have reached the maximum amount of parenthesis",
                 "nesting for the mass formula NAME1", "of the name: NAME2",
                 "in your name file: NA.DAT", "Expand the inner most parenthesis."},
                kNoMassBalance)},
    {15, Concat({"One or more right parenthesis are missing for", "mass formula NAME1",
                 "of the name: NAME2", "in your name file: NA.DAT"},
                kNoMassBalance)},
    {16, Concat({"The mass formula NAME1", "of the name: NAME2",
                 "cannot be mass determined in your names file: NA.DAT"},
                kNoMassBalance)},
    {17, {"Charge conservation is *NOT CONSERVED*", "in reaction # 101 NAME1",
          "( Source line number 202)", "This could possibly lead to divergence in the solution!",
          "Please correct."}},
    {18, {"Mass conservation is *NOT CONSERVED*", "in reaction # 101 NAME1",
          "( Source line number 202)", "This could possibly lead to divergence in the solution!",
          "Please correct."}},
    {19, {"Mass conservation for reaction # 101", "( Source line number 202)",
          "cannot be determined because one of the species in",
          "the reaction has either an illegal molecular weight",
          "or it's name is not located in the name file or",
          "a name file has not been created. A name file",
          "contains the common name of the species and it's",
          "molecular weight such as: Methanol , CH3OH .",
          "This could possibly lead to divergence in the solution!!", "Please correct."}},
    {20, {"Parameter description file PA.DAT", "CANNOT BE FOUND !!!!",
          "Make sure the file exists and/or is in the correct",
          "directory. (Usually the same directory as TARNAVEL.)", "PA.DAT",
          "Setting parameter values to their defaults:",
          "Simulation Time = 10 Minutes, Units = 0 (moles/liter)",
          "hv(filename) = None1, Minimum Integration Time = 1.0E-10",
          "Maximum Integration Time = 1 Second, Accuracy = 1.0E-8",
          "Percent difference = 0%, Temperature = 298 K", "& Pressure = 101 kPa."}},
    {21, {"Temperature cannot be set to 0 K or less!", "Setting temperature to 298 K."}},
    {22, {"Pressure cannot be set to 0 KPa or less!", "Setting pressure to 101 KPa."}},
    {23, {"Volume cannot be set to 0 L or less!", "Setting volume to 1 L."}},
    {25, {"The species NAME1", "cannot be mass determined!",
          "Any equations containing this species cannot be", "checked for mass balance!"}},
    {34, {"Thermodynamic database file NAME1", "CANNOT BE FOUND !!!!",
          "Make sure the file exists and/or is in the correct",
          "directory. (Usually the same directory as TARNAVEL.)"}},
    {35, {"The current temperature is outside the bounds of",
          "the thermodynamic values for species:", "'NAME1'",
          "This COULD lead to SERIOUS error in the simulation!"}},
    {36, {"Analytically calculated Jacobians cannot be used",
          "with thermodynamics, constant pressure, reactions",
          "with Arrhenius parameters or special reactions (M[] or",
          "S[...]). Turning Analytically calculated Jacobians", "OFF."}},
    {37, {"The optimization procedure appears to have completed",
          "too quickly (under 30 steps). Unless your initial",
          "guess was exactly right (highly unlikely), you",
          "should re-run this optimization with either smaller",
          "tolerances, different guesses, different optimization",
          "algorithm or different starting vectors.",
          "All these options can be provided on the command line", "with the -FIT switch.",
          "documentation."}},
    {38, {"You are trying to reserve an undefined species to",
          "a thermodynamic database. The undefined species:", "'NAME1'",
          "located in the Species Reservation Field in the", "thermodynamic database file TH.DAT",
          "( source line # 12)", "is NOT is your model nor the species spreadsheets!!",
          "Remember to use colons, \":\", to separate the",
          "species from one another in this field.", "Ignoring species...."}},
    {39, {"Tarnavel cannot parse the species reservation field:", "'NAME1'",
          "In then thermodynamic database file TH.DAT", "( source line # 12)",
          "Remember to use colons to separate the species from", "one another.",
          "Ignoring field..."}},
    {114, {"You have exceeded the maximum amount of optimization",
           "iterations allowed. You can allow your optimization to",
           "continue beyond this point by provided a new maximum",
           "amount of optimization iteration steps with the", "-FIT switch option."}},
};

const std::vector<Entry> kNoticeEntries{
    {1, {"The file ADDSPEC.TXT has been created. It contains",
         "species that were not found in the SP.DAT species", "description file.",
         "To get rid of the WARNING messages just append this",
         "file at the end of your SPECIES.DAT file or correct",
         "a possible spelling mistake in your reaction list..."}},
    {2, {"Concentration of displayed species are stored in", "C.TXT file."}},
    {3, {"The reaction analysis file containing d[]/dt for",
         "each reaction is stored in the AN.TXT file."}},
    {4, {"The final optimized values for your model", "have been saved in the optout.txt file."}},
    {11, {"The file ADDSPEC.TXT has been created. It contains",
          "all the species in the model MO.DAT",
          "You should go over the file with a spreadsheet program",
          "and modify it for your model MO.DAT, ", "and rename the ADDSPEC.TXT file to an",
          "appropriate name."}},
};

class FatalCatalogue : public ::testing::TestWithParam<Entry> {};
class WarningCatalogue : public ::testing::TestWithParam<Entry> {};
class NoticeCatalogue : public ::testing::TestWithParam<Entry> {};

TEST_P(FatalCatalogue, PrintsFrameMessageAndStops) {
  const Entry& e = GetParam();
  CapturedRun c;
  LeaveMessageValues(c.run);
  try {
    FatalError(c.run, e.number);
    FAIL() << "fatal error returned";
  } catch (const ProgramStop& stop) {
    EXPECT_EQ(stop.exit_status, kExitStopped);
    EXPECT_EQ(stop.fatal_number, e.number);
  }
  EXPECT_EQ(c.Lines(), FatalFrame(Field(e.number, 4), e.message));
}

TEST_P(WarningCatalogue, PrintsFrameAndMessage) {
  const Entry& e = GetParam();
  CapturedRun c;
  LeaveMessageValues(c.run);
  Warning(c.run, e.number);
  EXPECT_EQ(c.Lines(), WarningFrame(Field(e.number, 4), e.message));
}

TEST_P(NoticeCatalogue, PrintsFrameAndMessage) {
  const Entry& e = GetParam();
  CapturedRun c;
  LeaveMessageValues(c.run);
  Notice(c.run, e.number);
  EXPECT_EQ(c.Lines(), NoticeFrame(Field(e.number, 3), e.message));
}

INSTANTIATE_TEST_SUITE_P(Every, FatalCatalogue, ::testing::ValuesIn(kFatalEntries));
INSTANTIATE_TEST_SUITE_P(Every, WarningCatalogue, ::testing::ValuesIn(kWarningEntries));
INSTANTIATE_TEST_SUITE_P(Every, NoticeCatalogue, ::testing::ValuesIn(kNoticeEntries));

}  // namespace
}  // namespace tarnavel
