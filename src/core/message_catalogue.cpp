// The catalogue texts, exactly as the program prints them. Inserted values
// are named by where they come from; the slot contents per number are listed
// in diagnostics.hpp.

#include "core/message_catalogue.hpp"

#include <map>

namespace tarnavel {

namespace {

using enum Insert;

// The quoted input line with its source line number.
const MessageLine kLineReads{LineKind::kLineReads};

const MessageText* Find(const std::map<int, MessageText>& table, int number) {
  auto it = table.find(number);
  return it == table.end() ? nullptr : &it->second;
}

}  // namespace

const MessageText* FatalText(int number) {
  static const std::map<int, MessageText> table{
      {1, {
          {"No data fields in", kCurrentFile, "..."},
          {"Make sure data delimiters (comma, TAB, etc.) are"},
          {"in", kCurrentFile, "and/or the correct data delimiter is"},
          {"set. If you haven't set it, then by default a TAB"},
          {"is used to separate fields."},
          {"Use the -d option to change this (Type Tarnavel ?)."},
          kLineReads,
      }},
      {2, {
          {"ERROR!, INCORRECT NUMBER OF FIELDS IN", kFileKind, kCurrentFile},
          {"YOU SHOULD HAVE NO MORE THAN", kFieldCount, "FIELDS"},
          MessageLine(LineKind::kCommentFieldNote, {"INCLUDING OPTIONAL COMMENT FIELD AT END!"}),
          kLineReads,
      }},
      {3, {
          {"NO DATA DELIMITERS FOUND IN", kCurrentFile},
          {"Make sure data delimiters (comma, TAB, etc.) are"},
          {"in", kCurrentFile, "and/or the correct data delimiter is"},
          {"set. If you haven't set it, then by default a TAB"},
          {"is used to separate fields."},
          {"Use the -d option to change this (Type Tarnavel ?)."},
          kLineReads,
      }},
      {5, {
          {"The hv energy output file", kName1},
          {"does not exist. Please correct."},
      }},
      {6, {
          {"Too many data items in", kCurrentFile},
          {"on a line. Make sure the Data Separator in your"},
          {kCurrentFile, "file is a valid ASCII Separator."},
          {"Separators can be TAB, comma, colon, |, or an"},
          {"exclamation mark."},
          kLineReads,
      }},
      {10, {
          {"Duplicate species found in", kCurrentFile},
          {kName1, "has duplicate! Please correct."},
      }},
      {11, {
          {"Concentration profile file:'", kName1, "' cannot"},
          {"be loaded. Please correct."},
      }},
      {14, {
          {"Ill-formed reaction line in the model description"},
          {"file :", kModelFile},
          {"Remember to use '==>' to represent 'produces'"},
          {"on a reaction line. Check for other possible errors."},
          kLineReads,
      }},
      {15, {
          {"Missing Reactant/Product on reaction line"},
          {"in", kCurrentFile, ". Please correct."},
          kLineReads,
      }},
      {21, {
          {"You have exceeded the maximum number of species"},
          {"allowed in this version of Tarnavel."},
          {"(", kN1, ")"},
          {"Contact company for an upgrade."},
      }},
      {22, {
          {"You have exceeded the maximum number of reactions"},
          {"allowed in this version of Tarnavel."},
          {"(", kN1, ")"},
          {"Contact company for an upgrade."},
      }},
      {23, {
          {"You have exceeded the maximum number of times a"},
          {"species can appear as a reactant/product in each"},
          {"reaction in this version of Tarnavel."},
          {"(", kN1, ")"},
          {"Contact company for an upgrade."},
      }},
      {24, {
          {"An illformed reaction line has been found"},
          {"in", kCurrentFile, "!!"},
          {"Remember to place charges on species on the"},
          {"right-hand side, ie. Cl+++ ."},
          {"Remember to use '==>' to represent 'produces'"},
          {"on a reaction line. Check for other possible errors."},
          {"Please correct."},
          kLineReads,
      }},
      {28, {
          {"Not a valid species name in", kFileKind, kCurrentFile},
          {"'", kName1, "'"},
      }},
      {29, {
          {"Not a valid species name in", kFileKind, kCurrentFile},
          {"'", kName1, "'"},
      }},
      {30, {
          {"Parameter description file", kParameterFile},
      }},
      {31, {
          {"Species description file", kSpeciesFile},
      }},
      {32, {
          {"Model description file", kModelFile},
      }},
      {33, {
          {"Thermodynamic description file", kThermoFile},
      }},
      {34, {
          {"Thermodynamic database file", kName1},
          {"CANNOT BE FOUND !!!!"},
          {"Make sure the file exists and/or is in the correct"},
          {"directory. (Usually the same directory as TARNAVEL.)"},
      }},
      {35, {
          {"A duplicate reaction has been found!"},
          {"Reaction #'s", kN1, "and", kN2},
          {"( Source line numbers,", kN3, "&", kN4, "in", kModelFile, ")"},
          {"are duplicates! Please correct or delete."},
      }},
      {36, {
          {"An ill-formed reaction line has been found!"},
          {"Please condense your reactions!"},
          {"ie. for A+A+A=B type 3A=B."},
          {"Reaction #", kN1},
          {"( Source line number", kN2, ")"},
      }},
      {37, {
          {"Rosebrock method is only for 50 or less species."},
          {"Use the modified Bader-Deuflhard or RK method."},
      }},
      {38, {
          {"Cannot open a temporary file on disk device."},
          {"Tarnavel cannot procede without the ability to"},
          {"save temporary information on disk!"},
      }},
      {39, {
          {"You have exceeded the number of reactants"},
          {"that can appear in one reaction."},
          {"Try to split the global reaction"},
          {"into two global reactions.\tYou can do this with"},
          {"with ANY global reaction."},
          {"-OR-"},
          {"Contact company for an upgrade."},
          kLineReads,
      }},
      {40, {
          {"You have exceeded the number of products"},
          {"that can appear in one reaction."},
          {"Try to split the global reaction"},
          {"into two global reactions.\tYou can do this with"},
          {"with ANY global reaction."},
          {"-OR-"},
          {"Contact company for an upgrade."},
          kLineReads,
      }},
      {70, {
          {"Unknown input descriptor:", kName1},
          {"at line:", kSourceLine},
          {"in thermodyamic description file:", kThermoFile},
      }},
      {71, {
          {"Blank INPUT or MAP desciptor at line:", kSourceLine},
          {"in thermodyamic description file:", kThermoFile},
      }},
      {72, {
          {"Unrecognizable keyword in the MAP descriptor field"},
          {"Unknown keyword:", kName1},
          {"at line:", kSourceLine, "in file:", kThermoFile},
      }},
      {73, {
          {"Unrecognizable keyword in the DATABASE SPECIAL"},
          {"SWITCHES field!!!! Unknown keyword:", kName1},
          {"at line:", kSourceLine, "in file:", kThermoFile},
      }},
      {74, {
          {"The species:"},
          {"'", kName1, "'"},
          {"has NOT been located in any of the thermodynamic"},
          {"database(s) specified in the thermodyamic description"},
          {"file:", kThermoFile},
      }},
      {75, {
          {"Unrecognizable keyword used in the SET() keyword"},
          {"in the DATABASE SPECIAL field!"},
          {"Unknown keyword:", kName1},
          {"at line:", kSourceLine, "in file:", kThermoFile},
      }},
      {76, {
          {"To compute reverse rates using the thermodynamic"},
          {"database, please use UNITS of mol./liter, mol./cc or"},
          {"molecules/cm^3."},
      }},
      {77, {
          {"Error in SET database switch. Correct it."},
          {"At line:", kSourceLine},
          {"in thermodyamic description file:", kThermoFile},
      }},
      {78, {
          {"No equal in the SET database switch"},
          {"At line:", kSourceLine},
          {"in thermodyamic description file:", kThermoFile},
      }},
      {79, {
          {"There are no parameters or inappropriate"},
          {"parameters set for the enhanced third body!!"},
          {"You have specified a special enhanced third body"},
          {"reaction but have provided no parameters to go with"},
          {"M[..], such as CH3CH2 + H + M[-O2(2.17)] ==> CH3CH3"},
          {"OR"},
          {"CH3CH2 + H + M[TROE;2.3;4.3;5.3;5.5;2.32;6.52;2.32;"},
          {"N2(2.32);O2(1);,H2(1.32)] ==> CH3CH3."},
          {kCurrentFile},
          kLineReads,
      }},
      {80, {
          {"There are no parameters or inappropriate"},
          {"parameters set for the enhanced third body of type"},
          {"LIN (Lindemann). For Lindeman type reactions you"},
          {"should use the following example format:"},
          {".... + M[LIN;1.0;2.0;3.0;O2(4.42);N2(0.93)] ==> .. or"},
          {"without any enhanced third bodies:\t"},
          {".... + M[LIN;1.0;2.0;3.0] ==> .... ."},
          kLineReads,
      }},
      {81, {
          {"There are no parameters or inappropriate"},
          {"parameters set for the enhanced third body of type"},
          {"TROE (Troe). For Troe type reactions you"},
          {"should use the following example format:"},
          {"CH3CH2 + H + M[TROE;2.3;4.3;5.3;5.5;2.32;6.52;2.32;"},
          {"N2(2.32);O2(1);H2(1.32)] ==> CH3CH3 or without"},
          {"any enhanced third bodies:"},
          {"CH3CH2 + H + M[TROE;2.3;4.3;5.3;5.5;2.32;6.52;2.32] ==>"},
          {"CH3CH3"},
          kLineReads,
      }},
      {82, {
          {"There are no parameters or inappropriate"},
          {"parameters set for the enhanced third body of type"},
          {"SRI (Stewart et al. @ SRI). For SRI type reactions you"},
          {"should the following example format:"},
          {"CH3CH2 + H + M[SRI;2.3;4.3;5.3;5.5;2.32;6.52;2.32;1.4;"},
          {"N2(2.32);O2(1);H2(1.32)] ==> CH3CH3 or without"},
          {"any enhanced third bodies:"},
          {"CH3CH2 + H + M[SRI;2.3;4.3;5.3;5.5;2.32;6.52;2.32;1.4]"},
          {"==> CH3CH3"},
          kLineReads,
      }},
      {83, {
          {"A malformed enhanced third body reaction has been"},
          {"detected. You are missing a RIGHT paranthesis for"},
          {"an enhanced body between the +M[....] ."},
          kLineReads,
      }},
      {84, {
          {"A malformed enhanced third body reaction has been"},
          {"detected. You are missing a LEFT paranthesis for"},
          {"an enhanced body between the +M[....] ."},
          kLineReads,
      }},
      {85, {
          {"An enhanced third body species you have specified"},
          {"in an enhanced third body reaction has not been located"},
          {"in any reaction nor the species"},
          {"definition file:", kSpeciesFile},
          kLineReads,
      }},
      {86, {
          {"You have too many special reactions (either too many"},
          {"enhanced third body reaction, plasma reactions,"},
          {"vibrational energy transfer reactions, etc.)"},
          {"Reduce them or contact the author of Tarnavel to"},
          {"send you an enhanced version to handle this."},
      }},
      {87, {
          {"You have a reaction with the Arrhenius coefficient"},
          {"or the rate constant set to zero."},
          {"If this is a mistake then correct the"},
          {"error. If not a mistake, then remove this reaction"},
          {"or comment it out using the \"#\" character at the "},
          {"beginning of the reaction line."},
          kLineReads,
      }},
      {88, {
          {"INVALID NUMBER FOUND IN", kFileKind, kCurrentFile},
          kLineReads,
      }},
      {89, {
          {"A number was found instead of a species name"},
          {"for the third body/rate fall-off reaction."},
          {"Please be sure you have the appropriate amount of"},
          {"reaction parameters set. You may have too many"},
          {"reaction parameters located between the M[...]"},
          kLineReads,
      }},
      {90, {
          {"There are NO reactions to compute!!!"},
      }},
      {91, {
          {"There are no parameters or inappropriate"},
          {"parameters set for the Landau-Teller rate expression."},
          {"For Landau-Teller type reactions you"},
          {"should use the following example format:"},
          {"CH3CH2 + H + S[LT;2.3;4.3]==> CH3CH3."},
          kLineReads,
      }},
      {92, {
          {"You cannot have both the pressure and volume"},
          {"held constant. You have specified a volume profile"},
          {"file and have \"YES\" in the constant pressure field in"},
          {"parameters file:", kParameterFile},
      }},
      {93, {
          {"A zero has been found in your volume profile."},
          {"Black holes are not allowed to form in TARNAVEL."},
      }},
      {94, {
          {"There are too many points to store in a"},
          {"concentration/temperature/volume profile."},
          {"Reduce the amount of points or contact author"},
          {"for an upgrade to TARNAVEL."},
      }},
      {95, {
          {"A Stepsize underflow error has happened"},
          {"Check your equations/initial concentrations/correct"},
          {"units set/temperature within range of thermodynamic"},
          {"database values. If all settings are correct, try"},
          {"reducing starting Minimal integration step-size or"},
          {"reducing Maximum integration stepsize or the accuracy"},
      }},
      {96, {
          {"Unknown units of energy of activation have been set"},
          {"in the parameters description file."},
          {"Units can be KCAL,CAL,KJ,J or KELVIN."},
      }},
      {97, {
          {"Unknown units of concentration have been set in"},
          {"the parameters description file."},
          {"Units can be moles/L (0), molecules/cm^3 (1), ppm (2)"},
          {"or moles/cm^3 (3)."},
      }},
      {98, {
          {"The concentration units of ppm (2) cannot be used"},
          {"with thermodynamics or constant pressure settings."},
          {"You should be using concentration units of"},
          {"moles/cc (3)."},
      }},
      {110, {
          {"Strange, the output concentration file"},
          {"for which TARNAVEL will fit your selected parameters"},
          {"to, CANNOT BE FOUND !!!!"},
          {"Make sure the file exists and/or is in the correct"},
          {"directory. (Usually the same directory as TARNAVEL.)"},
      }},
      {111, {
          {"The -FIT switch has been specified, but you have"},
          {"not selected any numeric parameters to fit your"},
          {"data. Remember to use the \"?\" at the end of a"},
          {"number to denote its selection for fitting/optimization."},
      }},
      {112, {
          {"The datafile:", kFitDataFile},
          {"contains additional species that are NOT in your"},
          {"model file or species file. Either remove this data"},
          {"column from your data file:", kFitDataFile},
          {"or update your model/species file..."},
      }},
      {113, {
          {"You have specified the Periodic Table file"},
          {"PERIODIC.DAT to be loaded into Tarnavel, BUT"},
          {"this file cannot be located. Make sure the Periodic"},
          {"Table file PERIODIC.DAT is in the same directory as"},
          {"TARNAVEL."},
      }},
      {114, {
          {"You have exceeded the maximum amount of optimization"},
          {"iterations allowed. You can allow your optimization to"},
          {"continue beyond this point by provided a new maximum"},
          {"amount of optimization steps with the"},
          {"-FIT switch option."},
      }},
      {115, {
          {"The number of INPUT \"F\" fields do not match the number"},
          {"of MAP fields."},
          {"There are more MAP fields than \"F\" fields in the INPUT"},
          {"part of the thermodynamic description spreadsheet:"},
          {kThermoFile},
          {"You must either remove one or more MAP fields or add"},
          {"more INPUT \"F\" fields."},
      }},
      {116, {
          {"The number of INPUT \"F\" fields do not match the number"},
          {"of MAP fields."},
          {"There are more \"F\" fields in the INPUT column than MAP"},
          {"fields of the thermodynamic description spreadsheet:"},
          {kThermoFile},
          {"You must either remove one or more INPUT \"F\" fields"},
          {"or add more MAP fields."},
      }},
      {117, {
          {"An uneven field length value was provided for the CMW"},
          {"MAP value. The CMW should be evenly divisible by 5."},
          {"Go back into the thermodynamic description spreadsheet:"},
          {kThermoFile},
          {"and correct this."},
      }},
      {118, {
          {"The length of an element symbol cannot be greater than"},
          {"two (2) characters!"},
      }},
      {119, {
          {"A duplicate element has been found in the periodic"},
          {"table file:PERIODIC.DAT file. Remove or correct the"},
          {"duplicate."},
      }},
      {120, {
          {"You are NOT displaying (saving)"},
          {"the species:", kName1},
          {"to a file. To continue with the optimization,"},
          {"you must display this species' output!!"},
          {"Go into the species description spreadsheet:"},
          {kSpeciesFile},
          {"and type/select \"yes\" under the Display Output column"},
          {"heading!"},
      }},
      {121, {
          {"Your data file:", kFitDataFile},
          {"for which TARNAVEL will fit your selected parameters"},
          {"to, CANNOT BE FOUND !!!!"},
          {"Make sure the file exists and/or is in the correct"},
          {"directory. (Usually the same directory as TARNAVEL.)"},
      }},
      {999, {
          {"Software/Storage/FPU internal problem"},
          {"Consult company for further details...."},
      }},
  };
  return Find(table, number);
}

const MessageText* WarningText(int number) {
  static const std::map<int, MessageText> table{
      {1, {
          {"You cannot define 'hv' and 'M' as species."},
          {"These are internal species that have special"},
          {"definitions in Tarnavel. Remove", kName1, "from"},
          {"your species file:", kSpeciesFile},
          {"You DO NOT have to define these species."},
          {"(Ignoring line...)"},
      }},
      {3, {
          {"THE SPECIES: '", kName1, "'"},
          {"DOES NOT EXIST (spelling? or watch your letter 'O'"},
          {"from the numeral zero, '0', or the lowcase"},
          {"letter ,'l',and the numeral one, '1')"},
          {"in the species containing file:", kSpeciesFile},
          {"Adding in the species and initializing all values as 0."},
      }},
      {5, {
          {"Applying Steady State Approximation (SSA) to"},
          {kName1, "is not applicable !"},
          {"Look at your reactions.... (SSA REMOVED....)"},
      }},
      {6, {
          {"???? Possible error ????:"},
          {"A negative concentration was detected!!!"},
          {"Halt program and re-RUN with TSTEP=TSTEP/10 and/or"},
          {"Accuracy=Accuracy/10."},
          {"Also CHECK YOUR EQUATIONS!!! Do they make sense?"},
      }},
      {7, {
          {"You cannot use Turbo Mode because concentration"},
          {"profiles are involved in this simulation."},
          {"Turbo Mode turned OFF."},
      }},
      {8, {
          {"You are not displaying the output of ANY SPECIES!"},
          {"You will not be able to see the concentration of any"},
          {"species!!! Displaying the very first species!"},
      }},
      {9, {
          {"One or more left parenthesis are missing for species:"},
          {kName1},
          {"in your species file:", kSpeciesFile},
          {"any equations containing this species cannot be"},
          {"checked for mass balance."},
      }},
      {10, {
          {"You have reached the maximum amount of parenthesis"},
          {"nesting in the species", kName1},
          {"in your species file:", kSpeciesFile},
          {"Expand the inner most parenthesis."},
          {"Any equations containing this species cannot be"},
          {"checked for mass balance."},
      }},
      {11, {
          {"One or more right parenthesis are missing for species:"},
          {kName1},
          {"in your species file:", kSpeciesFile},
          {"Any equations containing this species cannot be"},
          {"checked for mass balance."},
      }},
      {12, {
          {"The species", kName1},
          {"cannot be mass determined nor does it exist as"},
          {"an entry in your names file:", kNamesFile},
          {"Any equations containing this species cannot be"},
          {"checked for mass balance."},
      }},
      {13, {
          {"One or more left parenthesis are missing for"},
          {"mass formula", kName1},
          {"of the name:", kName2},
          {"in your name file:", kNamesFile},
          {"any equations containing this species cannot be"},
          {"checked for mass balance."},
      }},
      {14, {
          {"You have reached the maximum amount of parenthesis"},
          {"nesting for the mass formula", kName1},
          {"of the name:", kName2},
          {"in your name file:", kNamesFile},
          {"Expand the inner most parenthesis."},
          {"Any equations containing this species cannot be"},
          {"checked for mass balance."},
      }},
      {15, {
          {"One or more right parenthesis are missing for"},
          {"mass formula", kName1},
          {"of the name:", kName2},
          {"in your name file:", kNamesFile},
          {"Any equations containing this species cannot be"},
          {"checked for mass balance."},
      }},
      {16, {
          {"The mass formula", kName1},
          {"of the name:", kName2},
          {"cannot be mass determined in your names file:", kNamesFile},
          {"Any equations containing this species cannot be"},
          {"checked for mass balance."},
      }},
      {17, {
          {"Charge conservation is *NOT CONSERVED*"},
          {"in reaction #", kN1, kName1},
          {"( Source line number", kN2, ")"},
          {"This could possibly lead to divergence in the solution!"},
          {"Please correct."},
      }},
      {18, {
          {"Mass conservation is *NOT CONSERVED*"},
          {"in reaction #", kN1, kName1},
          {"( Source line number", kN2, ")"},
          {"This could possibly lead to divergence in the solution!"},
          {"Please correct."},
      }},
      {19, {
          {"Mass conservation for reaction #", kN1},
          {"( Source line number", kN2, ")"},
          {"cannot be determined because one of the species in"},
          {"the reaction has either an illegal molecular weight"},
          {"or it's name is not located in the name file or"},
          {"a name file has not been created. A name file"},
          {"contains the common name of the species and it's"},
          {"molecular weight such as: Methanol , CH3OH ."},
          {"This could possibly lead to divergence in the solution!!"},
          {"Please correct."},
      }},
      {20, {
          {"Parameter description file", kParameterFile},
          {"CANNOT BE FOUND !!!!"},
          {"Make sure the file exists and/or is in the correct"},
          {"directory. (Usually the same directory as TARNAVEL.)"},
          {kParameterFile},
          {"Setting parameter values to their defaults:"},
          {"Simulation Time = 10 Minutes, Units = 0 (moles/liter)"},
          {"hv(filename) = None1, Minimum Integration Time = 1.0E-10"},
          {"Maximum Integration Time = 1 Second, Accuracy = 1.0E-8"},
          {"Percent difference = 0%, Temperature = 298 K"},
          {"& Pressure = 101 kPa."},
      }},
      {21, {
          {"Temperature cannot be set to 0 K or less!"},
          {"Setting temperature to 298 K."},
      }},
      {22, {
          {"Pressure cannot be set to 0 KPa or less!"},
          {"Setting pressure to 101 KPa."},
      }},
      {23, {
          {"Volume cannot be set to 0 L or less!"},
          {"Setting volume to 1 L."},
      }},
      {25, {
          {"The species", kName1},
          {"cannot be mass determined!"},
          {"Any equations containing this species cannot be"},
          {"checked for mass balance!"},
      }},
      {34, {
          {"Thermodynamic database file", kName1},
          {"CANNOT BE FOUND !!!!"},
          {"Make sure the file exists and/or is in the correct"},
          {"directory. (Usually the same directory as TARNAVEL.)"},
      }},
      {35, {
          {"The current temperature is outside the bounds of"},
          {"the thermodynamic values for species:"},
          {"'", kName1, "'"},
          {"This COULD lead to SERIOUS error in the simulation!"},
      }},
      {36, {
          {"Analytically calculated Jacobians cannot be used"},
          {"with thermodynamics, constant pressure, reactions"},
          {"with Arrhenius parameters or special reactions (M[] or"},
          {"S[...]). Turning Analytically calculated Jacobians"},
          {"OFF."},
      }},
      {37, {
          {"The optimization procedure appears to have completed"},
          {"too quickly (under 30 steps). Unless your initial"},
          {"guess was exactly right (highly unlikely), you"},
          {"should re-run this optimization with either smaller"},
          {"tolerances, different guesses, different optimization"},
          {"algorithm or different starting vectors."},
          {"All these options can be provided on the command line"},
          {"with the -FIT switch."},
          {"documentation."},
      }},
      {38, {
          {"You are trying to reserve an undefined species to"},
          {"a thermodynamic database. The undefined species:"},
          {"'", kName1, "'"},
          {"located in the Species Reservation Field in the"},
          {"thermodynamic database file", kThermoFile},
          {"( source line #", kSourceLine, ")"},
          {"is NOT is your model nor the species spreadsheets!!"},
          {"Remember to use colons, \":\", to separate the"},
          {"species from one another in this field."},
          {"Ignoring species...."},
      }},
      {39, {
          {"Tarnavel cannot parse the species reservation field:"},
          {"'", kName1, "'"},
          {"In then thermodynamic database file", kThermoFile},
          {"( source line #", kSourceLine, ")"},
          {"Remember to use colons to separate the species from"},
          {"one another."},
          {"Ignoring field..."},
      }},
      {114, {
          {"You have exceeded the maximum amount of optimization"},
          {"iterations allowed. You can allow your optimization to"},
          {"continue beyond this point by provided a new maximum"},
          {"amount of optimization iteration steps with the"},
          {"-FIT switch option."},
      }},
  };
  return Find(table, number);
}

const MessageText* NoticeText(int number) {
  static const std::map<int, MessageText> table{
      {1, {
          {"The file ADDSPEC.TXT has been created. It contains"},
          {"species that were not found in the", kSpeciesFile, "species"},
          {"description file."},
          {"To get rid of the WARNING messages just append this"},
          {"file at the end of your SPECIES.DAT file or correct"},
          {"a possible spelling mistake in your reaction list..."},
      }},
      {2, {
          {"Concentration of displayed species are stored in"},
          {kConcFile, "file."},
      }},
      {3, {
          {"The reaction analysis file containing d[]/dt for"},
          {"each reaction is stored in the", kAnalysisFile, "file."},
      }},
      {4, {
          {"The final optimized values for your model"},
          {"have been saved in the optout.txt file."},
      }},
      {11, {
          {"The file ADDSPEC.TXT has been created. It contains"},
          {"all the species in the model", kModelFile},
          {"You should go over the file with a spreadsheet program"},
          {"and modify it for your model", kModelFile, ", "},
          {"and rename the ADDSPEC.TXT file to an"},
          {"appropriate name."},
      }},
  };
  return Find(table, number);
}

}  // namespace tarnavel
