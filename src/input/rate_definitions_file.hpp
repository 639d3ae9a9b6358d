#pragma once
// The rate definitions file (RATES.DAT, or the file of -RATES:), read when it
// exists. TAB-delimited like the other description files, `#` starting a
// comment line; each line a statement:
//
//   DEFINE  name  expression           a named rate expression
//   SUM     name  species species ...  a species sum; further lines add names
//   SET     name  value                PRESSURE (Pa), H2O (model unit), RH (%),
//                                      LATITUDE, LONGITUDE (degrees north and
//                                      east), START (UTC yyyy-mm-ddThh:mm:ss),
//                                      DECLINATION (degrees), JFACTOR
//   J       n     l  m  n              photolysis parameters of J<n>
//
// Any fault stops the run with fatal error 136, naming the line and the reason.

#include <istream>
#include <string>

namespace tarnavel {

struct Run;

// Reads the file into run.store.rate_definitions when it exists; a file that
// -RATES: names must exist.
void ReadRateDefinitions(Run& run);

// The statements of an open stream (for tests and for the reader itself).
void ReadRateDefinitionLines(Run& run, std::istream& in, const std::string& file);

}  // namespace tarnavel
