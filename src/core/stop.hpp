#pragma once
// The orderly end of a run. Every routine that must end the program (a fatal
// error, a help text, the create-species-file mode) prints what it has to say
// and then throws ProgramStop; main() turns it into the process exit status.
// Unit tests catch it to assert on fatal paths without forking.

namespace tarnavel {

struct ProgramStop {
  int exit_status;  // 0 after a help text, non-zero after any other stop
  int fatal_number; // the catalogue number of a fatal error, 0 otherwise
};

inline constexpr int kExitNormal = 0;
inline constexpr int kExitStopped = 1;

// An integrator that could not complete a step, in a study that scores such
// a run instead of ending the program (a trial of a fit, a perturbed run of
// the sensitivity analysis): nothing has been printed.
struct IntegrationFailure {
  int fatal_number;    // the fatal error the failure would otherwise be
  const char* reason;  // the integrator's own console line
};

[[noreturn]] inline void StopProgram(int exit_status, int fatal_number = 0) {
  throw ProgramStop{exit_status, fatal_number};
}

}  // namespace tarnavel
