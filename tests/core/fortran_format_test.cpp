#include "core/fortran_format.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <iomanip>
#include <limits>
#include <string>

namespace tarnavel::fmt {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct RealCase {
  double x;
  int w;
  int d;
  const char* expected;
};

void PrintTo(const RealCase& c, std::ostream* os) {
  *os << std::setprecision(17) << c.x << " in " << c.w << "." << c.d << " -> \"" << c.expected << "\"";
}

class EEditing : public ::testing::TestWithParam<RealCase> {};
class FEditing : public ::testing::TestWithParam<RealCase> {};
class GEditing : public ::testing::TestWithParam<RealCase> {};

TEST_P(EEditing, WritesField) {
  const RealCase& c = GetParam();
  EXPECT_EQ(E(c.x, c.w, c.d), c.expected);
}

TEST_P(FEditing, WritesField) {
  const RealCase& c = GetParam();
  EXPECT_EQ(F(c.x, c.w, c.d), c.expected);
}

TEST_P(GEditing, WritesField) {
  const RealCase& c = GetParam();
  EXPECT_EQ(G(c.x, c.w, c.d), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EEditing,
    ::testing::Values(
        RealCase{1.0, 14, 6, "  0.100000E+01"},
        RealCase{-12.3456789, 14, 6, " -0.123457E+02"},
        RealCase{1.23456789e-5, 14, 6, "  0.123457E-04"},
        // Rounding that carries into the next decade.
        RealCase{0.9999995, 14, 6, "  0.100000E+01"},
        RealCase{0.99999949, 14, 6, "  0.999999E+00"},
        RealCase{9.9999995e98, 14, 6, "  0.100000+100"},
        RealCase{9.9999995e99, 14, 6, "  0.100000+101"},
        RealCase{0.99999999e-99, 14, 6, "  0.100000E-98"},
        // Exact ties go to the even digit; 0.135 is stored slightly above.
        RealCase{0.125, 10, 2, "  0.12E+00"},
        RealCase{0.375, 10, 2, "  0.38E+00"},
        RealCase{0.135, 10, 2, "  0.14E+00"},
        // Zero keeps the sign bit.
        RealCase{0.0, 14, 6, "  0.000000E+00"},
        RealCase{-0.0, 14, 6, " -0.000000E+00"},
        // Two- and three-digit exponents of both signs.
        RealCase{1e-100, 14, 6, "  0.100000E-99"},
        RealCase{1e-101, 14, 6, "  0.100000-100"},
        RealCase{-1e-101, 14, 6, " -0.100000-100"},
        RealCase{9.123456789e99, 14, 6, "  0.912346+100"},
        RealCase{-9.99999e104, 14, 6, " -0.999999+105"},
        RealCase{1.7976931348623157e308, 14, 6, "  0.179769+309"},
        RealCase{4.9406564584124654e-324, 14, 6, "  0.494066-323"},
        // Narrow fields: the leading zero goes first, then asterisks.
        RealCase{1.0, 12, 6, "0.100000E+01"},
        RealCase{1.0, 11, 6, ".100000E+01"},
        RealCase{1.0, 10, 6, "**********"},
        RealCase{-1.0, 12, 6, "-.100000E+01"},
        RealCase{-1.0, 11, 6, "***********"},
        RealCase{1e100, 12, 6, "0.100000+101"},
        RealCase{1e100, 11, 6, ".100000+101"},
        RealCase{-1e100, 11, 6, "***********"},
        RealCase{-0.5, 6, 1, "******"},
        // The sensitivity layout.
        RealCase{1.0 / 3.0, 21, 15, "0.333333333333333E+00"},
        RealCase{-1.0 / 3.0, 21, 15, "-.333333333333333E+00"},
        // No digits: no valid layout.
        RealCase{1.0, 10, 0, "**********"},
        // NaN and infinities.
        RealCase{kInf, 14, 6, "      Infinity"},
        RealCase{-kInf, 14, 6, "     -Infinity"},
        RealCase{kNaN, 14, 6, "           NaN"},
        RealCase{-kNaN, 14, 6, "           NaN"},
        RealCase{kInf, 8, 1, "Infinity"},
        RealCase{-kInf, 9, 1, "-Infinity"},
        RealCase{-kInf, 8, 1, "    -Inf"},
        RealCase{kInf, 7, 1, "    Inf"},
        RealCase{-kInf, 4, 1, "-Inf"},
        RealCase{-kInf, 3, 1, "***"},
        RealCase{kInf, 3, 1, "Inf"},
        RealCase{kInf, 2, 1, "**"},
        RealCase{kNaN, 3, 1, "NaN"},
        RealCase{kNaN, 2, 1, "**"}));

INSTANTIATE_TEST_SUITE_P(
    Cases, FEditing,
    ::testing::Values(
        RealCase{123.456789, 14, 5, "     123.45679"},
        RealCase{18.01528, 16, 5, "        18.01528"},
        RealCase{0.0, 14, 5, "       0.00000"},
        RealCase{1e7, 14, 5, "10000000.00000"},
        RealCase{0.000005, 14, 5, "       0.00001"},
        RealCase{0.0000049, 14, 5, "       0.00000"},
        RealCase{1e-320, 10, 3, "     0.000"},
        // Small negatives and negative zero keep their sign.
        RealCase{-0.001, 5, 2, "-0.00"},
        RealCase{-0.001, 4, 2, "-.00"},
        RealCase{-0.0, 5, 2, "-0.00"},
        RealCase{0.0, 5, 2, " 0.00"},
        // The leading zero is dropped only when it does not fit.
        RealCase{0.5, 4, 2, "0.50"},
        RealCase{0.5, 3, 2, ".50"},
        RealCase{-0.5, 4, 2, "-.50"},
        RealCase{0.0, 2, 1, ".0"},
        RealCase{-0.04, 3, 1, "-.0"},
        // Percentages in four columns: rounding past the width overflows.
        RealCase{33.333333, 4, 1, "33.3"},
        RealCase{99.94, 4, 1, "99.9"},
        RealCase{99.96, 4, 1, "****"},
        RealCase{100.0, 4, 1, "****"},
        RealCase{0.96, 3, 1, "1.0"},
        RealCase{1e8, 14, 5, "**************"},
        RealCase{1e300, 14, 5, "**************"},
        // No decimals: the point stays, the only digit cannot be dropped.
        RealCase{3.0, 5, 0, "   3."},
        RealCase{2.5, 5, 0, "   2."},
        RealCase{0.4, 5, 0, "   0."},
        RealCase{-0.4, 5, 0, "  -0."},
        RealCase{3.0, 2, 0, "3."},
        RealCase{0.4, 1, 0, "*"},
        RealCase{-0.4, 2, 0, "**"},
        RealCase{kInf, 10, 3, "  Infinity"},
        RealCase{kNaN, 10, 3, "       NaN"}));

INSTANTIATE_TEST_SUITE_P(
    Cases, GEditing,
    ::testing::Values(
        // The 9-significant-digit form in 15 columns.
        RealCase{1.0, 15, 9, " 1.00000000    "},
        RealCase{0.0, 15, 9, " 0.00000000    "},
        RealCase{-0.0, 15, 9, "-0.00000000    "},
        RealCase{0.1, 15, 9, "0.100000000    "},
        RealCase{-0.5, 15, 9, "-.500000000    "},
        RealCase{123456789.0, 15, 9, " 123456789.    "},
        RealCase{6.02e23, 15, 9, "0.602000000E+24"},
        RealCase{1e-5, 15, 9, "0.100000000E-04"},
        RealCase{1e100, 15, 9, "0.100000000+101"},
        RealCase{-1e-300, 15, 9, "-.100000000-299"},
        // Switch-over points decided on the rounded value.
        RealCase{9.9999999996, 15, 9, " 10.0000000    "},
        RealCase{0.0999999999999, 15, 9, "0.100000000    "},
        RealCase{0.0999999999, 15, 9, "0.999999999E-01"},
        RealCase{99999.99999, 15, 9, " 100000.000    "},
        RealCase{999999999.4, 15, 9, " 999999999.    "},
        RealCase{999999999.5, 15, 9, "0.100000000E+10"},
        // 0.9999999995 is stored just below the rounding tie, so it rounds
        // down to nine nines and stays in the lower decade.
        RealCase{0.9999999995, 15, 9, "0.999999999    "},
        RealCase{99.99995, 14, 6, "   99.9999    "},
        RealCase{999999.49, 14, 6, "   999999.    "},
        RealCase{999999.5, 14, 6, "  0.100000E+07"},
        RealCase{0.09999995, 14, 6, "  0.100000    "},
        RealCase{0.099999949, 14, 6, "  0.999999E-01"},
        // Six significant digits in 14 and 12 columns.
        RealCase{12345.6789, 14, 6, "   12345.7    "},
        RealCase{-2.718281828459045, 14, 6, "  -2.71828    "},
        RealCase{123456789.0, 14, 6, "  0.123457E+09"},
        RealCase{0.0, 14, 6, "   0.00000    "},
        RealCase{-0.5, 12, 6, "-.500000    "},
        RealCase{1e8, 12, 6, "0.100000E+09"},
        RealCase{1.0 / 3.0, 21, 9, "      0.333333333    "},
        // Fixed part too wide for w - 4: the whole field is asterisks.
        RealCase{1.0, 10, 6, "**********"},
        RealCase{0.5, 9, 6, "*********"},
        RealCase{0.0, 10, 6, ".00000    "},
        RealCase{0.0, 9, 6, "*********"},
        RealCase{1e10, 11, 6, ".100000E+11"},
        // One significant digit.
        RealCase{0.96, 10, 1, "    1.    "},
        RealCase{0.94, 10, 1, "   0.9    "},
        RealCase{9.6, 10, 1, "   0.1E+02"},
        RealCase{0.0, 10, 1, "    0.    "},
        RealCase{0.0, 5, 1, "*****"},
        RealCase{1.0, 10, 0, "**********"},
        // NaN and infinities use the whole width.
        RealCase{kInf, 15, 9, "       Infinity"},
        RealCase{-kInf, 12, 6, "   -Infinity"},
        RealCase{kNaN, 14, 6, "           NaN"}));

struct IntCase {
  std::int64_t n;
  int w;
  const char* expected;
};

TEST(IEditing, RightJustifiesOrFillsWithAsterisks) {
  const IntCase cases[] = {
      {0, 3, "  0"},     {999, 3, "999"},  {1000, 3, "***"}, {-99, 3, "-99"},
      {-100, 3, "***"},  {-1, 1, "*"},     {5, 4, "   5"},
      {std::numeric_limits<std::int64_t>::min(), 20, "-9223372036854775808"},
  };
  for (const IntCase& c : cases) EXPECT_EQ(I(c.n, c.w), c.expected) << c.n << " in I" << c.w;
}

TEST(AEditing, RightJustifiesShortTextAndCutsLongText) {
  EXPECT_EQ(A("ab", 5), "   ab");
  EXPECT_EQ(A("abcde", 5), "abcde");
  EXPECT_EQ(A("abcdefg", 5), "abcde");
  EXPECT_EQ(A("", 5), "     ");
  EXPECT_EQ(A("Rate Constant", 14), " Rate Constant");
}

TEST(AppendForms, ExtendTheCallersRowInPlace) {
  std::string row = "x";
  AppendE(row, 1.0, 14, 6);
  row += '\t';
  AppendF(row, 0.5, 5, 2);
  AppendG(row, 2.0, 14, 6);
  AppendI(row, 42, 4);
  AppendA(row, "CH4", 5);
  EXPECT_EQ(row, "x  0.100000E+01\t 0.50   2.00000      42  CH4");
}

TEST(AppendForms, ZeroOrNegativeWidthWritesNothing) {
  std::string row = "keep";
  AppendE(row, 1.0, 0, 6);
  AppendF(row, 1.0, -3, 2);
  AppendG(row, kNaN, 0, 6);
  AppendI(row, 7, 0);
  AppendA(row, "abc", -1);
  EXPECT_EQ(row, "keep");
}

TEST(FEditing, ManyDecimalsBeyondTheStackBuffer) {
  // 600 decimals of 0.5: "0." then "5" then 599 zeros, right-justified.
  const std::string s = F(0.5, 605, 600);
  EXPECT_EQ(s, std::string(3, ' ') + "0.5" + std::string(599, '0'));
}

}  // namespace
}  // namespace tarnavel::fmt
