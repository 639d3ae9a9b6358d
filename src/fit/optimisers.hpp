#pragma once
// The numerical core of fitting: the subtractive random-number generator and
// three derivative-free minimisers of an objective over the fit parameters -
// the downhill simplex of Nelder and Mead, Powell's direction-set method with
// golden-section bracketing and Brent's line minimisation, and one
// temperature stage of simulated annealing on the simplex. The routines know
// nothing of the model store: the objective comes in as a function of the
// trial vector, so they run as well on analytic functions.
//
// None of them prints or stops the run. A minimiser that reaches its
// iteration limit, or whose line search fails, says so in its result (the
// fatal error number and the console line to print first), and the
// optimisation driver raises the catalogued error.
//
// Matrices are indexed from 0: P[i] is simplex vertex i (0..ndim), P[0] the
// vertex the user sees as vertex 1; directions[i] is Powell direction i.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tarnavel {

// Knuth's subtractive generator in single precision: a 55-entry table,
// MBIG 4000000, MSEED 1618033, MZ 0, results scaled by 1/MBIG. The table is
// built from seed 0 on the first draw, so every fresh generator, and every
// run, gives the same sequence. Values lie strictly inside (0, 1): a draw of
// exactly 0 (two coinciding table entries, about once in MBIG draws) is
// passed over and the next one is returned.
struct UniformGenerator {
  double Next();

  std::array<float, 56> table{};  // entries 1..55
  int next = 0;                   // the entry replaced next
  int next_lag = 0;               // the entry 31 places ahead that it is reduced by
  bool initialised = false;
};

double Uniform(UniformGenerator& generator);
// The run-wide generator shared by the penalty of rejected fit vectors, the
// annealing and the Powell start directions, and its next value.
UniformGenerator& RunUniformGenerator();
double Uniform();

// A trial vector the objective rejects scores at least this much.
constexpr double kRejectedFitValue = 9.87654321E30;
inline bool IsRejectedFitValue(double y) { return y >= kRejectedFitValue; }

using FitObjectiveFunction = std::function<double(const std::vector<double>&)>;
using OptimiserMatrix = std::vector<std::vector<double>>;

// Counters kept over a whole optimisation; every minimiser adds to them.
struct OptimiserCounters {
  std::int64_t iterations = 0;   // the minimisers' own iteration counts, summed
  std::int64_t evaluations = 0;  // objective calls made by the minimisers
};

enum class OptimiserStop {
  kConverged,
  kIterationLimit,   // fatal error 114
  kLineSearchLimit,  // Brent's method exceeded its iterations: fatal error 999
};

struct MinimiserResult {
  OptimiserStop stop = OptimiserStop::kConverged;
  std::int64_t iterations = 0;  // simplex: evaluations by the method's count; Powell: iterations
  double value = 0.0;           // objective at the reported point (Y[0], or Powell's minimum)
  std::string console_line;     // printed before the fatal error; empty when there is none

  bool Converged() const { return stop == OptimiserStop::kConverged; }
  // 0 when converged, else the fatal error the driver raises.
  int FatalNumber() const;
};

// Step of coordinate j in the starting simplex and directions: s when s is
// positive, else 1/100 of the coordinate's value (1.5E-9 when it is 0).
double StartingStep(double x0, double s);
// ndim+1 vertices: X0, then X0 with coordinate j moved by its step.
OptimiserMatrix StartingSimplex(const std::vector<double>& x0, double s);
// ndim directions: direction j along coordinate j, as long as its step.
OptimiserMatrix StartingDirections(const std::vector<double>& x0, double s);

// Downhill simplex over the ndim+1 vertices P with values Y (evaluated by the
// caller). Reflection -1, expansion 2, contraction 0.5, and a shrink halfway
// towards the best vertex after a failed contraction; converged when
// 2|Yhigh - Ylow| / (|Yhigh| + |Ylow| + 1E-38) < ftol. On return the best
// vertex is P[0]. Stops with fatal 114 when its evaluation count reaches
// itmax.
MinimiserResult Simplex(OptimiserMatrix& P, std::vector<double>& Y, int ndim, double ftol, std::int64_t itmax,
                        const FitObjectiveFunction& objective, OptimiserCounters& counters);

// Powell's direction-set method from X (replaced by the minimum) with the
// ndim directions (replaced by the final set). Converged when
// 2|fp - fret| <= ftol (|fp| + |fret|) + 1E-38 over one iteration; stops with
// fatal 114 ("powell exceeding maximum iterations") when the iteration count
// reaches itmax, and with fatal 999 ("brent exceed maximum iterations") when
// a line minimisation does not settle within 2500 steps.
MinimiserResult Powell(std::vector<double>& X, OptimiserMatrix& directions, int ndim, double ftol,
                       std::int64_t itmax, const FitObjectiveFunction& objective, OptimiserCounters& counters);

// Minimum of the objective along the line X + x d: X moves to the minimum,
// d becomes the displacement made, fret its value. False when Brent's method
// ran out of iterations (X and d then hold its best point so far).
bool LineMinimise(std::vector<double>& X, std::vector<double>& d, double& fret,
                  const FitObjectiveFunction& objective, OptimiserCounters& counters);

// One temperature stage of simulated annealing: the downhill simplex on P, Y
// with thermal fluctuations of size T - each stored value is raised by
// -T ln(u) when the highest, next-highest and lowest vertices are chosen, each
// trial value lowered by -T ln(u) before it is compared. Every evaluated point
// below yb, unless rejected, becomes the best point and yb. The stage ends on
// 2|Yhigh - Ylow| / (|Yhigh| + |Ylow|) < ftol or when its iterations are used,
// with the lowest vertex in P[0]. Returns the iterations left: 0 or more when
// the stage converged, below 0 when it used them all.
std::int64_t AnnealingStage(OptimiserMatrix& P, std::vector<double>& Y, int ndim, std::vector<double>& best,
                            double& yb, double ftol, double T, std::int64_t iterations,
                            const FitObjectiveFunction& objective, UniformGenerator& generator,
                            OptimiserCounters& counters);

}  // namespace tarnavel
