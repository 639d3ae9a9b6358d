#include "driver/run_driver.hpp"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>

#include "core/diagnostics.hpp"
#include "core/run.hpp"
#include "core/run_clock.hpp"
#include "core/stop.hpp"
#include "driver/command_line.hpp"
#include "driver/stages.hpp"
#include "time_loop/main_loop.hpp"

namespace tarnavel {

namespace {

constexpr const char* kScratchFile = "ERASE000.TXT";

void PrintBanner(Run& run) {
  const Capacity& cap = run.store.cap;
  run.console.Line("Tarnavel  -  homogeneous chemical kinetics simulator");
  run.console.Line("Version " TARNAVEL_VERSION ", built for " + std::to_string(cap.max_species) +
                   " species and " + std::to_string(cap.max_reactions) + " reactions");
  run.console.Blank();
}

void PrintClock(Run& run, const ClockReading& c) {
  run.console.Line(DateLine(c));
  run.console.Line(TimeLine(c));
}

void PrintIntegrator(Run& run) {
  switch (run.sw.integrator) {
    case kCashKarp:
      run.console.Line("CKRK integrator in use.");
      break;
    case kRosenbrock:
      run.console.Line("Rosenbrock integrator in use.");
      break;
    default:
      run.console.Line("Modified BD integrator in use.");
      run.console.Line(run.sw.extrapolation == kRational ? "(Using rational extrapolation.)"
                                                         : "(Using polynomial extrapolation.)");
      break;
  }
}

// Deletes an existing scratch file, creates it anew and writes a word to it,
// so that a working directory that cannot be written stops the run before any
// input is read.
void TestWorkingDirectory(Run& run) {
  std::error_code ec;
  std::filesystem::remove(kScratchFile, ec);
  errno = 0;
  std::FILE* f = std::fopen(kScratchFile, "w");
  int status = 0;
  if (f == nullptr) {
    status = errno != 0 ? errno : EIO;
  } else {
    if (std::fputs("TESTING\n", f) < 0) status = errno != 0 ? errno : EIO;
    if (std::fclose(f) != 0 && status == 0) status = errno != 0 ? errno : EIO;
  }
  if (status != 0) {
    run.console.Line("****  ERR: IOSTAT= " + std::to_string(status));
    FatalError(run, 38);
  }
  std::filesystem::remove(kScratchFile, ec);
}

void StartUp(Run& run, const std::vector<std::string>& args, ClockReading& start) {
  ParseCommandLine(run, args);
  run.reader.delim = run.sw.custom_delim ? static_cast<char>(run.sw.delim_code) : '\t';
  PrintBanner(run);
  start = ReadClock();
  if (!run.sw.quiet) {
    run.console.Blank();
    run.console.Line(" Simulation started at:");
    PrintClock(run, start);
    run.console.Blank();
    run.console.Blank();
  }
  ResetStore(run.store, run.store.cap);
  if (!run.sw.quiet) PrintIntegrator(run);
  if (run.sw.FitMode()) {
    if (run.sw.sensit_mode != kSensitOff) run.console.Line("SENSIT TURNED OFF..");
    run.sw.sensit_mode = kSensitOff;
  }
  TestWorkingDirectory(run);
}

void PrepareRun(Run& run, LoopState& loop) {
  stage::ReadAndCompile(run);
  if (stage::ChooseAnalyticJacobian(run)) {
    run.console.Blank();
    run.console.Line(" Going to use analytically calculated Jacobians...");
    run.console.Blank();
  }
  if (!run.sw.FitMode()) stage::CreateConcFile(run);
  if ((run.sw.debug & 8) && !run.sw.quiet) {
    run.console.Blank();
    run.console.Line(TurboMode(run) ? "Turbo Mode is ON." : "Turbo Mode is OFF.");
  }
  if (!run.sw.quiet) {
    run.console.Blank();
    run.console.Line("Running Simulation ...");
    run.console.Blank();
  }
  PrepareLoop(run, loop);
  stage::WriteHeadersAndTimeZero(run, loop);
  stage::SetUpSensitivity(run, loop);
  if (run.sw.integrator == kRosenbrock && run.store.spec >= 45) FatalError(run, 37);
  stage::CreateAnalysisFile(run, loop);
  if (run.sw.kinstat) stage::WriteKineticStatistics(run);
  stage::RequestTimes(run, loop);
  stage::StartIgnitionTracking(run, loop);
}

void EndReport(Run& run, const LoopState& loop, const ClockReading& start) {
  if (run.sw.quiet) return;
  const ClockReading end = ReadClock();
  run.console.Blank();
  run.console.Line("******** End of Simulation at:");
  run.console.Blank();
  if (loop.negative_count >= 1)
    run.console.Line("Number of less than zero warnings: " + std::to_string(loop.negative_count));
  PrintClock(run, end);
  if (run.sw.show) {
    run.console.Blank();
    run.console.Line("Work of the integration:");
    run.console.Line(WorkLine(run.counts));
  }
  ReportIgnition(run, loop.ignition);
  const long elapsed = ElapsedSeconds(start, end);
  if (elapsed >= 1) {
    run.console.Blank();
    run.console.Line("Total elapsed time for simulation:");
    run.console.Line(ElapsedLine(elapsed));
  }
  run.console.Blank();
}

void EndOfRun(Run& run, LoopState& loop, const ClockReading& start) {
  EndReport(run, loop, start);
  std::error_code ec;
  std::filesystem::remove(kScratchFile, ec);
  Notice(run, 2);
  if (run.sw.sensit_mode == kSensitRates) Notice(run, 3);
  run.console.Blank();
}

}  // namespace

void SetUpRun(Run& run, const std::vector<std::string>& args, LoopState& loop) {
  ClockReading start;
  StartUp(run, args, start);
  PrepareRun(run, loop);
}

int RunProgram(Run& run, const std::vector<std::string>& args) {
  try {
    ClockReading start;
    StartUp(run, args, start);
    LoopState loop;
    PrepareRun(run, loop);
    if (run.sw.FitMode()) {
      stage::Optimise(run, loop);
    } else {
      RunMainLoop(run, loop);
      stage::FinishOutputs(run, loop);
    }
    EndOfRun(run, loop, start);
  } catch (const ProgramStop& stop) {
    run.console.Flush();
    return stop.exit_status;
  }
  run.console.Flush();
  return kExitNormal;
}

}  // namespace tarnavel
