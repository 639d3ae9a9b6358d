#pragma once
// Fixed-width number and text fields in the layout of Fortran edit
// descriptors, used for every number written to a result file or echoed to
// the console in a file's layout.
//
//   E w.d   0.dddddE+xx with a leading "0." (mantissa 0.1 <= m < 1);
//           exponents beyond +-99 are written as sign and three digits with
//           the letter E dropped ("0.100000+101").
//   F w.d   fixed notation with d decimals.
//   G w.d   general notation: values that round (to d significant digits)
//           into 0.1 <= |x| < 10**d are written in fixed notation with d - k
//           decimals (k = digits before the point) in w - 4 columns followed
//           by 4 blanks; all others in E w.d. Zero is fixed notation with
//           d - 1 decimals and 4 blanks.
//   I w     integer.
//   A w     text: a shorter text is right-justified, a longer one is cut to
//           its first w characters.
//
// Common rules:
// - Numbers are right-justified and correctly rounded (round to nearest; an
//   exact tie between two decimals goes to the even digit).
// - The sign is written for every value whose sign bit is set, so -0.0 and a
//   small negative that rounds to zero show as "-0.00" in F5.2.
// - A leading "0" before the decimal point is dropped when the field is
//   exactly one column too narrow for it (not in F w.0, where it is the only
//   digit).
// - A value that still does not fit fills the whole field with asterisks;
//   so does E or G with d < 1, which has no valid layout.
// - NaN is written as "NaN" and infinities as "Infinity"/"-Infinity",
//   right-justified; in narrower fields "Inf"/"-Inf"; asterisks when even
//   those do not fit. NaN never carries a sign.
// - A width of zero or less writes nothing.
//
// The Append forms write into the caller's string without a temporary
// allocation per number (except for fields with hundreds of decimals); the
// short forms return the field as a new string.

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnavel::fmt {

void AppendE(std::string& out, double x, int w, int d);
void AppendF(std::string& out, double x, int w, int d);
void AppendG(std::string& out, double x, int w, int d);
void AppendI(std::string& out, std::int64_t n, int w);
void AppendA(std::string& out, std::string_view text, int w);

std::string E(double x, int w, int d);
std::string F(double x, int w, int d);
std::string G(double x, int w, int d);
std::string I(std::int64_t n, int w);
std::string A(std::string_view text, int w);

}  // namespace tarnavel::fmt
