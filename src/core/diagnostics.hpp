#pragma once
// The numbered diagnostic catalogues: fatal errors, warnings and notices.
// A caller leaves the values a message inserts in Run::msg (and the reader
// state: FILECODE, LINE, SRCLINE) and calls the catalogue with the number.
//
// Values every message takes from the run state itself:
//   - the current file: FILENAME(FILECODE); for a file that is none of the six
//     description files (FILECODE 0, e.g. the experimental data file) the
//     caller puts its name in name1;
//   - the file kind and field count of fatal errors 2, 28, 29 and 88, by
//     FILECODE ("species description file" ... and 9, 5, 5, 3, 4, 3);
//   - the quoted line of "LINE READS:" from LINE (trailing blanks dropped) and
//     its number from SRCLINE; "at line:" and "( source line #" of the
//     thermodynamic description messages (fatal 70-78, warnings 38, 39) also
//     print SRCLINE;
//   - named files: species, model, parameter, names and thermodynamic
//     description files from FILENAME; the concentration, analysis and
//     experimental data file names from the switches.
//
// Values the caller leaves in Run::msg, per number:
//   fatal 1, 2, 3, 6, 88   name1 only when FILECODE is 0: the file name
//                          (error 2 then prints n1 as the field count)
//   fatal 5                name1 radiation (hv) file name
//   fatal 10               name1 the duplicated species name
//   fatal 11               name1 profile file name
//   fatal 21, 22, 23       n1 the capacity that was exceeded
//   fatal 28, 29           name1 the refused species name or mass formula,
//                          printed between single quotes
//   fatal 34, warning 34   name1 thermodynamic database file name
//   fatal 35               n1, n2 the two reaction numbers; n3, n4 their
//                          source lines (model file)
//   fatal 36               n1 reaction number, n2 its source line
//   fatal 70, 72, 73, 75   name1 the unknown descriptor, keyword or item
//   fatal 74               name1 the species, printed between single quotes
//   fatal 85               LINE and SRCLINE must hold the reaction line that
//                          names the unknown enhanced third body
//   fatal 120              name1 the species that is not displayed
//   fatal 128              name1 the species named with -IGN:
//   fatal 129              name1 the time, name2 the simulated span
//   fatal 130, 131         name1 the file of times; 131: name2 the value
//                          that is not a number, n1 its line
//   fatal 132, 133         name1 where the expression stands, name2 its
//                          text; 132: n1 the column, name3 the fault; 133:
//                          name3 the unknown name
//   fatal 134              name1 the definition, name2 the chain of names
//   fatal 135              name1 where the expression stands, name2 the
//                          value, name3 the conditions
//   fatal 136              name1 the definitions file, n1 the line, name2
//                          the reason
//   fatal 137              name1 what is missing, name2 why, name3 the
//                          definitions file
//   warning 1              name1 the refused name ("M", "hv", ...)
//   warning 3              name1 the species added to the species table
//   warnings 5, 9, 10, 11, 12, 25
//                          name1 the species
//   warnings 13, 14, 15, 16
//                          name1 the mass formula, name2 its common name
//   warnings 17, 18        n1 reaction number, name1 the reaction written
//                          out (may be left empty), n2 its source line
//   warning 19             n1 reaction number, n2 its source line
//   warning 35             name1 the species (printed between single
//                          quotes), species its number (once per species)
//   warning 38             name1 the reserved name that is no species
//   warning 39             name1 the reservation field that cannot be parsed
// Every other number inserts nothing from Run::msg.

#include <string>
#include <vector>

namespace tarnavel {

struct Run;

// Values a message may insert, left by the caller before the call.
struct MessageArgs {
  std::string name1, name2, name3;  // inserted texts, in message order
  long n1 = 0, n2 = 0, n3 = 0, n4 = 0;  // inserted integers, in message order
  int species = 0;                  // species number, for warning 35's once-only rule
};

// Prints the fatal frame and the message of `number`, then stops the program
// (throws ProgramStop with a non-zero exit status). Never returns.
[[noreturn]] void FatalError(Run& run, int number);
// An integrator that cannot complete a step: its console line and fatal
// error `number`, or, while the run survives integration failures, an
// IntegrationFailure thrown without a word. Never returns.
[[noreturn]] void IntegratorFailed(Run& run, const char* reason, int number, bool pause = false);
// Prints the warning frame unless quiet or ignore-warnings is on; returns.
void Warning(Run& run, int number);
// Prints the notice frame unless quiet; returns.
void Notice(Run& run, int number);

}  // namespace tarnavel
