#pragma once
// An atmospheric mechanism as the Master Chemical Mechanism (MCM) exports it:
// the FACSIMILE form (`*.fac`: `NAME = expression ;` definitions, an
// `RO2 = A + B ... ;` peroxy-radical sum, `% k : A + B = C ;` reactions) and
// the KPP form (`*.kpp`, `*.eqn`: #DEFVAR declarations, an #INLINE F90_RCONST
// block of Fortran assignments with RO2 as a sum of C(ind_X), and
// `{n.} A + B = C : k ;` equations), with the generic and complex rate
// coefficients of a separate Fortran file where the KPP form only calls them.
//
// Nothing is evaluated: rate constants stay expressions, written in the
// syntax the model files read (numbers with E or D exponents, + - * /, ** and
// @ for powers, EXP LOG LOG10 SQRT, TEMP M O2 N2 H2O, named definitions and
// sums, J<n> photolysis).

#include <map>
#include <string>
#include <vector>

#include "import/chemkin_mechanism.hpp"

namespace tarnavel::import {

enum class McmForm { kFacsimile, kKpp };

// A named rate expression: `DEFINE name expression` of the rate file.
struct McmDefinition {
  std::string name;
  std::string expression;          // translated
  std::vector<std::string> names;  // the definitions, sums and variables it uses
  std::string file;
  int line = 0;
};

// A named sum of species concentrations (RO2): `SUM name species...`.
struct McmSum {
  std::string name;
  std::vector<std::string> species;
  std::string file;
  int line = 0;
};

// Photolysis parameters of J<number>: J = l cos(X)^m exp(-n sec X), the
// numbers as written.
struct McmPhotolysis {
  int number = 0;
  std::string l, m, n;
  std::string file;
  int line = 0;
};

struct McmReaction {
  int line = 0;
  std::string rate;                // translated expression
  std::vector<std::string> names;  // definitions, sums and variables of the rate
  Side reactants, products;        // repeated species merged; no product for a loss
};

struct McmMechanism {
  McmForm form = McmForm::kFacsimile;
  std::string file;
  std::vector<McmReaction> reactions;
  std::vector<McmDefinition> definitions;  // in the order read
  std::vector<McmSum> sums;
  std::vector<McmPhotolysis> photolysis;
  std::vector<std::string> declared;  // VARIABLE or #DEFVAR species, in the order read
  std::vector<std::string> fixed;     // #DEFFIX species
  // Photolysis named as KPP names them (J(J_NO2)): name to MCM J number.
  std::map<std::string, int> j_names;
  std::vector<ImportWarning> warnings;
  // Filled by CompleteMechanism: every species in the order of its first
  // appearance in a reaction, then those only a sum names; the definitions in
  // an order in which each follows those it uses; the J numbers used.
  std::vector<std::string> species;
  std::vector<int> j_used;
};

// The variables the simulator provides to every expression.
bool IsEnvironmentName(const std::string& name);

// Reads the FACSIMILE form; `file` names it in messages.
McmMechanism ReadFacsimile(const std::string& text, const std::string& file);

// Reads the KPP form.
McmMechanism ReadKpp(const std::string& text, const std::string& file);

// Adds the Fortran assignments of a rate-coefficient file (NAME = expression,
// J(J_NAME) = l*cos(zenith)**m*exp(-n/cos(zenith)), sums of C(ind_X)) to the
// mechanism. Declarations, USE, CALL and the lines that open and close a
// module or subroutine are passed over; assignments to TEMP, M, O2, N2 and
// H2O are left to the simulator.
void ReadRateCoefficients(McmMechanism& mech, const std::string& text, const std::string& file);

// Checks that every name an expression uses is defined, orders the
// definitions so that each follows those it uses, and lists the species.
void CompleteMechanism(McmMechanism& mech);

// One expression in the syntax of the model files, and the names it uses
// (definitions, sums, variables). A Fortran expression's names are upper
// case (Fortran does not tell the cases apart); KPP's J(J_NAME) takes the
// MCM number of the name from `j_names`, and a name not there a new number.
std::string TranslateExpression(const std::string& text, McmForm form, std::map<std::string, int>& j_names,
                                const std::string& file, int line, std::vector<std::string>* names = nullptr);

}  // namespace tarnavel::import
