#include "fit/optimisation_driver.hpp"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/diagnostics.hpp"
#include "core/fortran_format.hpp"
#include "core/run.hpp"
#include "core/switches.hpp"
#include "fit/fit_objective.hpp"
#include "fit/optimisers.hpp"
#include "input/field_reader.hpp"

namespace tarnavel {

namespace {

constexpr const char* kReportFile = "OPTOUT.TXT";
constexpr double kNoBestYet = 1.0e35;
constexpr int kFewIterations = 23;
constexpr double kNoStep = 1.0e-30;  // starting-vector values below this move nothing

double RunUniform(void*) { return Uniform(); }

// The console lines that name the method, between blank lines.
void Announce(Run& run, const char* first, const char* second) {
  run.console.Blank();
  run.console.Line(first);
  run.console.Line(second);
  run.console.Blank();
}

void Check(Run& run, const MinimiserResult& r) {
  if (r.Converged()) return;
  if (!r.console_line.empty()) run.console.Line(r.console_line);
  FatalError(run, r.FatalNumber());
}

std::string Vector(const std::vector<double>& v, int width, int digits) {
  std::string line;
  for (double x : v) fmt::AppendG(line, x, width, digits);
  return line;
}

// The file a marked value came from.
std::string SourceFile(const Run& run, int kind) {
  if (kind == 1) return run.reader.filename[kParameterFile];
  if (kind >= 21 && kind <= 24) return run.reader.filename[kSpeciesFile];
  return run.reader.filename[kModelFile];
}

struct Report {
  std::ofstream file;
  Run& run;
  void Line(const std::string& text) {
    run.console.Line(text);
    file << text << "\n";
  }
};

}  // namespace

void RunOptimisation(Run& run) {
  FitProblem fit;
  SetUpFit(run, fit);
  const FitSettings& fs = run.sw.fit;
  const int n = static_cast<int>(run.reader.fit.size());
  const FitObjectiveFunction objective = [&run, &fit](const std::vector<double>& p) {
    return FitObjective(run, fit, p, RunUniform, nullptr);
  };
  OptimiserCounters counters{};
  std::vector<double> x = StartVector(run, fit);
  fit.start = x;
  OptimiserMatrix final_matrix;
  const char* final_title = nullptr;
  std::int64_t simplex_iterations = -1;
  auto evaluate = [&](const OptimiserMatrix& p) {
    std::vector<double> y;
    for (const std::vector<double>& vertex : p) y.push_back(objective(vertex));
    return y;
  };

  if (run.sw.options & kOptFitPowell) {
    Announce(run, " Performing Optimization of model using Powell", " method...");
    // Powell's own default starting value (1E-35) is no usable step: the
    // directions then take 1/100 of each value.
    OptimiserMatrix directions = StartingDirections(x, fs.start_vector > kNoStep ? fs.start_vector : -1.0);
    Check(run, Powell(x, directions, n, fs.tolerance, fs.max_iterations, objective, counters));
    final_matrix = directions;
    final_title = " Final Powell Vectors=";
  } else if (run.sw.options & kOptFitAnnealing) {
    OptimiserMatrix p = StartingSimplex(x, fs.start_vector);
    std::vector<double> y = evaluate(p);
    Announce(run, " Performing Optimization of model using  Simulated Annealing method...",
             " Simulated Annealing method...");
    std::vector<double> best = x;
    double yb = kNoBestYet;
    double t = fs.start_temperature;
    const double factor = 1.0 - fs.temperature_factor;
    bool converged = false;
    for (int stage = 1; stage <= fs.max_iterations && !converged; ++stage) {
      t *= factor;
      const std::string state = "***** temptr,iter,PTD=" + fmt::E(t, 14, 6) + fmt::I(fs.cycles, 8) +
                                fmt::E(1.0 - factor, 14, 6);
      run.console.Line(state);
      const double before = yb;
      const std::int64_t left = AnnealingStage(p, y, n, best, yb, fs.tolerance, t, fs.cycles, objective,
                                               RunUniformGenerator(), counters);
      run.console.Line(state);
      if (yb < before) {
        run.console.Blank();
        run.console.Line("Better point found at:" + fmt::E(yb, 14, 6));
        run.console.Line(Vector(best, 15, 6));
      }
      converged = left >= 0;
    }
    if (!converged) {
      run.console.Line("Exceeded maximum iterations permitted... ");
      FatalError(run, 114);
    }
    x = best;
  } else {
    // The simplex twice, the second from the first one's best vertex.
    for (int pass = 0; pass < 2; ++pass) {
      OptimiserMatrix p = StartingSimplex(x, fs.start_vector);
      std::vector<double> y = evaluate(p);
      Announce(run, " Performing Optimization of model using Simplex", " method...");
      const MinimiserResult r = Simplex(p, y, n, fs.tolerance, fs.max_iterations, objective, counters);
      Check(run, r);
      simplex_iterations = r.iterations;
      x = p[0];
      final_matrix = p;
    }
    final_title = " Final Simplex Coordinates=";
  }

  // The last simulation describes the optimum.
  objective(x);

  run.console.Blank();
  run.console.Line(" *** Optimization COMPLETE *** ");
  run.console.Blank();
  std::error_code ec;
  std::filesystem::remove(kReportFile, ec);
  Report report{std::ofstream(kReportFile), run};
  for (int j = 0; j < n; ++j) {
    const FitParameter& f = run.reader.fit[static_cast<size_t>(j)];
    std::string description;
    std::string line = "Parameter " + fmt::I(j + 1, 3) + " (";
    if (!FitParameterDescription(f.kind, description)) {
      report.Line(line);
      report.Line("???? Unknown optimized parameter:" + std::to_string(f.kind));
      FatalError(run, 999);
    }
    line += description + ") in file:" + Trim(SourceFile(run, f.kind)) + " @ source line:" + fmt::I(f.srcline, 3) +
            " optimized to:" + fmt::G(x[static_cast<size_t>(j)], 15, 9);
    report.Line(line);
  }
  double sum = 0.0;
  CompareWithData(run, run.sw.conc_out_name, fit.data, fit.comparison, sum);
  report.Line("Final SUM[ ( X(DATA)-X(MODEL) )^2 ] = " + fmt::E(sum, 14, 6));
  report.Line("Total optimization iteration count=" + std::to_string(counters.iterations));
  report.Line("** Total amount of simulations performed=" + std::to_string(fit.calls));
  if (fit.failed_trials > 0)
    report.Line("** Simulations that failed (scored as rejected vectors)=" + std::to_string(fit.failed_trials));
  if (final_title != nullptr) {
    report.Line(final_title);
    for (const std::vector<double>& row : final_matrix) report.Line(Vector(row, 21, 9));
  }
  report.file.close();
  if (simplex_iterations >= 0 && simplex_iterations < kFewIterations) Warning(run, 37);
}

}  // namespace tarnavel
