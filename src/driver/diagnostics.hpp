#pragma once
// The numbered diagnostic catalogues: fatal errors, warnings and notices.
// A caller leaves the values a message inserts in Run::msg (and the reader
// state: FILECODE, LINE, SRCLINE) and calls the catalogue with the number.

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
// Prints the warning frame unless quiet or ignore-warnings is on; returns.
void Warning(Run& run, int number);
// Prints the notice frame unless quiet; returns.
void Notice(Run& run, int number);

}  // namespace tarnavel
