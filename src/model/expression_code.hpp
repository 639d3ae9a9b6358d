#pragma once
// Compiling one rate expression into postfix code and running it.
//
//   expression := term { (+|-) term }
//   term       := unary { (*|/) unary }
//   unary      := (+|-) unary | power
//   power      := primary [ (**|@|^) unary ]        right to left: 2**3**2 = 2**9
//   primary    := number | name | FUNCTION ( expression ) | J<n> | J(n) | ( expression )
//
// Numbers take E or D exponents (2.7D-12); FUNCTION is EXP, LOG (natural),
// LOG10 or SQRT in any case; a unary minus binds looser than a power, as in
// Fortran (-2**2 = -4), and a power's exponent may carry its own sign
// ((TEMP/300)@-1.6). Names are looked up as written.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/rate_expressions.hpp"

namespace tarnavel {

struct ExpressionError {
  int column = 0;    // 1-based column of the text where the fault lies
  std::string what;  // what was expected or found there
  std::string name;  // an unknown name, when that is the fault
};

// Appends the code of `text` to `code`. `slot_of` gives the value slot of a
// name (photolysis comes as "J<n>"), or -1 for a name it does not know.
// False with the error filled in when the text is not an expression or names
// something unknown.
bool CompileExpression(std::string_view text, const std::function<int(const std::string&)>& slot_of,
                       std::vector<ExprOp>& code, ExpressionError& error);

// The deepest stack the code range needs.
int StackDepth(const ExprOp* code, int count);

// The value of the code range over the value slots; `stack` holds at least
// StackDepth values.
double RunExpression(const ExprOp* code, int count, const double* values, double* stack);

}  // namespace tarnavel
