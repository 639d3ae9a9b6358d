#include "model/expression_code.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

namespace tarnavel {
namespace {

// Names of the tests' value table: TEMP = 298, M = 2.5E19, J<4> = 8E-3,
// KRO2 = 3E-12, RO2 = 1.5E8.
const std::map<std::string, int> kSlots = {{"TEMP", 0}, {"M", 1}, {"J<4>", 2}, {"KRO2", 3}, {"RO2", 4}};
const double kValues[] = {298.0, 2.5e19, 8.0e-3, 3.0e-12, 1.5e8};

int SlotOf(const std::string& name) {
  const auto it = kSlots.find(name);
  return it == kSlots.end() ? -1 : it->second;
}

double Evaluate(const std::string& text) {
  std::vector<ExprOp> code;
  ExpressionError error;
  EXPECT_TRUE(CompileExpression(text, SlotOf, code, error)) << text << ": column " << error.column << " " << error.what;
  std::vector<double> stack(StackDepth(code.data(), static_cast<int>(code.size())) + 1);
  return RunExpression(code.data(), static_cast<int>(code.size()), kValues, stack.data());
}

TEST(ExpressionCode, EveryOperatorAndFunctionAsFortranReadsIt) {
  const double t = 298.0, m = 2.5e19;
  const struct {
    const char* text;
    double value;
  } cases[] = {
      {"2.7D-12*EXP(360/TEMP)", 2.7e-12 * std::exp(360.0 / t)},
      {"1.0D-31*M*(TEMP/300)@-1.6", 1.0e-31 * m * std::pow(t / 300.0, -1.6)},
      {"(TEMP/300)**-1.6", std::pow(t / 300.0, -1.6)},
      {"2**3**2", 512.0},    // powers group from the right
      {"2^3", 8.0},
      {"-2**2", -4.0},       // the sign binds looser than the power
      {"2*-3", -6.0},
      {"+5 - -2", 7.0},
      {"8/4/2", 1.0},        // left to right
      {"1 + 2 * 3 - 4 / 8", 6.5},
      {"10@(LOG10(0.85)/(1+(LOG10(3.5)/0.84)**2))", std::pow(10.0, std::log10(0.85) / (1 + std::pow(std::log10(3.5) / 0.84, 2)))},
      {"log(EXP(2.5)) + sqrt(16) + Log10(1000)", 2.5 + 4.0 + 3.0},
      {"0.6*KRO2*RO2", 0.6 * 3.0e-12 * 1.5e8},
      {"J<4>*2", 1.6e-2},
      {"J(4) + J< 4 >", 1.6e-2},
      {".5E1 + 1.e1 + 3D0", 18.0},
      {"  ( ( 7 ) )  ", 7.0},
  };
  for (const auto& c : cases) EXPECT_NEAR(Evaluate(c.text), c.value, 1e-13 * std::fabs(c.value)) << c.text;
}

TEST(ExpressionCode, FaultsNameTheirColumn) {
  const struct {
    const char* text;
    int column;
    const char* what;
  } faults[] = {
      {"2.7D-12*", 9, "expected a number, a name or '(' at the end"},
      {"(1+2", 5, "expected ')' at the end"},
      {"1+2)", 4, "expected an operator or the end of the expression, found ')'"},
      {"3X", 2, "expected an operator after the number, found 'X'"},
      {"COS(1)", 1, "expected a function EXP, LOG, LOG10 or SQRT, found 'C'"},
      {"J<x>", 3, "expected the number of a photolysis rate, found 'x'"},
      {"J<4)", 4, "expected '>', found ')'"},
      {"1 $ 2", 3, "expected an operator or the end of the expression, found '$'"},
      {"KRO2*KMT01", 6, "unknown name KMT01"},
      {"J<7>", 1, "unknown name J<7>"},
      {"", 1, "expected a number, a name or '(' at the end"},
      {"1e999", 1, "expected a number a double can hold, found '1'"},
  };
  for (const auto& f : faults) {
    std::vector<ExprOp> code = {ExprOp{}};
    ExpressionError error;
    EXPECT_FALSE(CompileExpression(f.text, SlotOf, code, error)) << f.text;
    EXPECT_EQ(error.column, f.column) << f.text;
    EXPECT_EQ(error.what, f.what) << f.text;
    EXPECT_EQ(code.size(), 1u) << f.text;  // nothing of a faulty text is kept
  }
  // A text nested beyond reason is refused, not followed into the stack.
  std::vector<ExprOp> code;
  ExpressionError error;
  EXPECT_FALSE(CompileExpression(std::string(5000, '(') + "1" + std::string(5000, ')'), SlotOf, code, error));
  EXPECT_EQ(error.what, "expected a shallower nesting, found '('");
}

}  // namespace
}  // namespace tarnavel
