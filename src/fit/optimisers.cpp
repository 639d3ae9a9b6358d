#include "fit/optimisers.hpp"

#include <cmath>
#include <utility>

namespace tarnavel {

// ---------------------------------------------------------------------------
// Random numbers

namespace {

constexpr float kMbig = 4000000.0f;
constexpr float kMseed = 1618033.0f;
constexpr float kMz = 0.0f;
constexpr float kFac = 1.0f / kMbig;

}  // namespace

double UniformGenerator::Next() {
  // All table arithmetic stays on integers below 2^24, so single precision
  // holds it exactly.
  if (!initialised) {
    initialised = true;
    const float seed = 0.0f;
    float mj = std::fabs(kMseed - std::fabs(seed));
    mj = std::fmod(mj, kMbig);
    table[55] = mj;
    float mk = 1.0f;
    for (int i = 1; i <= 54; ++i) {
      const int ii = (21 * i) % 55;
      table[ii] = mk;
      mk = mj - mk;
      if (mk < kMz) mk += kMbig;
      mj = table[ii];
    }
    for (int round = 1; round <= 4; ++round) {
      for (int i = 1; i <= 55; ++i) {
        table[i] -= table[1 + (i + 30) % 55];
        if (table[i] < kMz) table[i] += kMbig;
      }
    }
    next = 0;
    next_lag = 31;
  }
  // A table entry of 0 stays in the table but is not handed out: callers
  // take logarithms of the values, which must lie strictly inside (0, 1).
  float mj;
  do {
    if (++next == 56) next = 1;
    if (++next_lag == 56) next_lag = 1;
    mj = table[next] - table[next_lag];
    if (mj < kMz) mj += kMbig;
    table[next] = mj;
  } while (mj == 0.0f);
  return static_cast<double>(mj * kFac);
}

double Uniform(UniformGenerator& generator) { return generator.Next(); }

UniformGenerator& RunUniformGenerator() {
  static UniformGenerator generator;
  return generator;
}

double Uniform() { return RunUniformGenerator().Next(); }

// ---------------------------------------------------------------------------
// Shared pieces

int MinimiserResult::FatalNumber() const {
  switch (stop) {
    case OptimiserStop::kConverged:
      return 0;
    case OptimiserStop::kIterationLimit:
      return 114;
    case OptimiserStop::kLineSearchLimit:
      return 999;
  }
  return 999;
}

double StartingStep(double x0, double s) {
  if (s > 0.0) return s;
  return x0 != 0.0 ? x0 / 100.0 : 1.5E-9;
}

OptimiserMatrix StartingSimplex(const std::vector<double>& x0, double s) {
  OptimiserMatrix p(x0.size() + 1, x0);
  for (size_t j = 0; j < x0.size(); ++j) p[j + 1][j] += StartingStep(x0[j], s);
  return p;
}

OptimiserMatrix StartingDirections(const std::vector<double>& x0, double s) {
  OptimiserMatrix d(x0.size(), std::vector<double>(x0.size(), 0.0));
  for (size_t j = 0; j < x0.size(); ++j) d[j][j] = StartingStep(x0[j], s);
  return d;
}

namespace {

double Evaluate(const FitObjectiveFunction& objective, const std::vector<double>& x,
                OptimiserCounters& counters) {
  ++counters.evaluations;
  return objective(x);
}

// Column sums of the vertices, the centroid times ndim+1.
std::vector<double> VertexSum(const OptimiserMatrix& p, int ndim) {
  std::vector<double> sum(ndim, 0.0);
  for (int i = 0; i <= ndim; ++i)
    for (int j = 0; j < ndim; ++j) sum[j] += p[i][j];
  return sum;
}

void MoveVertexToFront(OptimiserMatrix& p, std::vector<double>& y, int i) {
  std::swap(y[0], y[i]);
  std::swap(p[0], p[i]);
}

// Trial point on the line through the highest vertex and the centroid of
// the others: fac -1 reflects the highest vertex, 2 reflects and expands,
// 0.5 contracts it halfway towards the others.
std::vector<double> TrialPoint(const OptimiserMatrix& p, const std::vector<double>& sum, int ndim, int ihi,
                               double fac) {
  const double fac1 = (1.0 - fac) / ndim;
  const double fac2 = fac1 - fac;
  std::vector<double> trial(ndim);
  for (int j = 0; j < ndim; ++j) trial[j] = sum[j] * fac1 - p[ihi][j] * fac2;
  return trial;
}

void ReplaceVertex(OptimiserMatrix& p, std::vector<double>& sum, int ihi, const std::vector<double>& trial) {
  for (size_t j = 0; j < trial.size(); ++j) sum[j] += trial[j] - p[ihi][j];
  p[ihi] = trial;
}

double SimplexTrial(OptimiserMatrix& p, std::vector<double>& y, std::vector<double>& sum, int ndim, int ihi,
                    double fac, const FitObjectiveFunction& objective, OptimiserCounters& counters) {
  const std::vector<double> trial = TrialPoint(p, sum, ndim, ihi, fac);
  const double ytry = Evaluate(objective, trial, counters);
  if (ytry < y[ihi]) {
    y[ihi] = ytry;
    ReplaceVertex(p, sum, ihi, trial);
  }
  return ytry;
}

}  // namespace

// ---------------------------------------------------------------------------
// Downhill simplex

MinimiserResult Simplex(OptimiserMatrix& P, std::vector<double>& Y, int ndim, double ftol, std::int64_t itmax,
                        const FitObjectiveFunction& objective, OptimiserCounters& counters) {
  const int mpts = ndim + 1;
  MinimiserResult result;
  std::int64_t nfunk = 0;
  std::vector<double> sum = VertexSum(P, ndim);
  for (;;) {
    int ilo = 0;
    int ihi, inhi;
    if (Y[0] > Y[1]) {
      ihi = 0;
      inhi = 1;
    } else {
      ihi = 1;
      inhi = 0;
    }
    for (int i = 0; i < mpts; ++i) {
      if (Y[i] <= Y[ilo]) ilo = i;
      if (Y[i] > Y[ihi]) {
        inhi = ihi;
        ihi = i;
      } else if (Y[i] > Y[inhi] && i != ihi) {
        inhi = i;
      }
    }
    const double rtol = 2.0 * std::fabs(Y[ihi] - Y[ilo]) / (std::fabs(Y[ihi]) + std::fabs(Y[ilo]) + 1E-38);
    if (rtol < ftol || nfunk >= itmax) {
      // The lowest value is the best vertex; a rejected vertex scores above
      // every acceptable one, so it reaches the front only when all are.
      MoveVertexToFront(P, Y, ilo);
      if (rtol >= ftol) result.stop = OptimiserStop::kIterationLimit;
      break;
    }
    nfunk += 2;
    double ytry = SimplexTrial(P, Y, sum, ndim, ihi, -1.0, objective, counters);
    if (ytry <= Y[ilo]) {
      SimplexTrial(P, Y, sum, ndim, ihi, 2.0, objective, counters);
    } else if (ytry >= Y[inhi]) {
      const double ysave = Y[ihi];
      ytry = SimplexTrial(P, Y, sum, ndim, ihi, 0.5, objective, counters);
      if (ytry >= ysave) {
        for (int i = 0; i < mpts; ++i) {
          if (i == ilo) continue;
          for (int j = 0; j < ndim; ++j) P[i][j] = 0.5 * (P[i][j] + P[ilo][j]);
          Y[i] = Evaluate(objective, P[i], counters);
        }
        nfunk += ndim;
        sum = VertexSum(P, ndim);
      }
    } else {
      --nfunk;
    }
  }
  result.iterations = nfunk;
  result.value = Y[0];
  counters.iterations += nfunk;
  return result;
}

// ---------------------------------------------------------------------------
// Powell's direction set

namespace {

constexpr double kGold = 1.618034;
constexpr double kGlimit = 100.0;
constexpr double kBracketTiny = 1E-35;
constexpr double kCgold = 0.3819660112501;
constexpr double kBrentZeps = 1E-38;
constexpr int kBrentItmax = 2500;
constexpr double kLineTol = 2.0E-4;

// The objective along X + x d.
struct LineFunction {
  const std::vector<double>& x0;
  const std::vector<double>& d;
  const FitObjectiveFunction& objective;
  OptimiserCounters& counters;
  std::vector<double> point;

  double operator()(double x) {
    point.resize(x0.size());
    for (size_t j = 0; j < x0.size(); ++j) point[j] = x0[j] + x * d[j];
    return Evaluate(objective, point, counters);
  }
};

double WithSignOf(double a, double b) { return b >= 0.0 ? std::fabs(a) : -std::fabs(a); }

// From a and b, walks downhill until a < b < c (or the reverse) brackets a
// minimum with f(b) below f(a) and f(c): golden-ratio steps, parabolic
// extrapolation at most 100 intervals beyond c.
void BracketMinimum(double& a, double& b, double& c, double& fa, double& fb, double& fc, LineFunction& f) {
  fa = f(a);
  fb = f(b);
  if (fb > fa) {
    std::swap(a, b);
    std::swap(fa, fb);
  }
  c = b + kGold * (b - a);
  fc = f(c);
  while (fb > fc) {
    const double r = (b - a) * (fb - fc);
    const double q = (b - c) * (fb - fa);
    double u = b - ((b - c) * q - (b - a) * r) / (2.0 * WithSignOf(std::fmax(std::fabs(q - r), kBracketTiny), q - r));
    const double ulim = b + kGlimit * (c - b);
    double fu;
    if ((b - u) * (u - c) > 0.0) {
      fu = f(u);
      if (fu < fc) {
        a = b;
        b = u;
        fa = fb;
        fb = fu;
        return;
      }
      if (fu > fb) {
        c = u;
        fc = fu;
        return;
      }
      u = c + kGold * (c - b);
      fu = f(u);
    } else if ((c - u) * (u - ulim) > 0.0) {
      fu = f(u);
      if (fu < fc) {
        b = c;
        c = u;
        u = c + kGold * (c - b);
        fb = fc;
        fc = fu;
        fu = f(u);
      }
    } else if ((u - ulim) * (ulim - c) >= 0.0) {
      u = ulim;
      fu = f(u);
    } else {
      u = c + kGold * (c - b);
      fu = f(u);
    }
    a = b;
    b = c;
    c = u;
    fa = fb;
    fb = fc;
    fc = fu;
  }
}

// Brent's method inside the bracket (ax, bx, cx) to the relative tolerance
// tol: parabolic steps where they behave, golden sections otherwise. False
// when it does not settle within its iterations; xmin and fmin then hold the
// best point so far.
bool BrentMinimum(double ax, double bx, double cx, LineFunction& f, double tol, double& xmin, double& fmin) {
  double a = ax < cx ? ax : cx;
  double b = ax > cx ? ax : cx;
  double x = bx, w = bx, v = bx;
  double fx = f(x);
  double fw = fx, fv = fx;
  double d = 0.0, e = 0.0;
  for (int iter = 1; iter <= kBrentItmax; ++iter) {
    const double xm = 0.5 * (a + b);
    const double tol1 = tol * std::fabs(x) + kBrentZeps;
    const double tol2 = 2.0 * tol1;
    if (std::fabs(x - xm) <= tol2 - 0.5 * (b - a)) {
      xmin = x;
      fmin = fx;
      return true;
    }
    if (std::fabs(e) > tol1) {
      const double r = (x - w) * (fx - fv);
      double q = (x - v) * (fx - fw);
      double p = (x - v) * q - (x - w) * r;
      q = 2.0 * (q - r);
      if (q > 0.0) p = -p;
      q = std::fabs(q);
      const double etemp = e;
      e = d;
      if (std::fabs(p) >= std::fabs(0.5 * q * etemp) || p <= q * (a - x) || p >= q * (b - x)) {
        e = x >= xm ? a - x : b - x;
        d = kCgold * e;
      } else {
        d = p / q;
        const double u = x + d;
        if (u - a < tol2 || b - u < tol2) d = WithSignOf(tol1, xm - x);
      }
    } else {
      e = x >= xm ? a - x : b - x;
      d = kCgold * e;
    }
    const double u = std::fabs(d) >= tol1 ? x + d : x + WithSignOf(tol1, d);
    const double fu = f(u);
    if (fu <= fx) {
      if (u >= x)
        a = x;
      else
        b = x;
      v = w;
      w = x;
      x = u;
      fv = fw;
      fw = fx;
      fx = fu;
    } else {
      if (u < x)
        a = u;
      else
        b = u;
      if (fu <= fw || w == x) {
        v = w;
        w = u;
        fv = fw;
        fw = fu;
      } else if (fu <= fv || v == x || v == w) {
        v = u;
        fv = fu;
      }
    }
  }
  xmin = x;
  fmin = fx;
  return false;
}

}  // namespace

bool LineMinimise(std::vector<double>& X, std::vector<double>& d, double& fret,
                  const FitObjectiveFunction& objective, OptimiserCounters& counters) {
  bool settled;
  double xmin = 0.0;
  {
    LineFunction f{X, d, objective, counters, {}};
    double a = 0.0, b = 1.0, c, fa, fb, fc;
    BracketMinimum(a, b, c, fa, fb, fc, f);
    settled = BrentMinimum(a, b, c, f, kLineTol, xmin, fret);
  }
  for (size_t j = 0; j < X.size(); ++j) {
    d[j] *= xmin;
    X[j] += d[j];
  }
  return settled;
}

MinimiserResult Powell(std::vector<double>& X, OptimiserMatrix& directions, int ndim, double ftol,
                       std::int64_t itmax, const FitObjectiveFunction& objective, OptimiserCounters& counters) {
  MinimiserResult result;
  double fret = Evaluate(objective, X, counters);
  std::vector<double> start = X;  // the point where the iteration began
  std::vector<double> extrapolated(ndim), along(ndim);
  std::int64_t iter = 1;
  auto finish = [&](OptimiserStop stop, const char* line) {
    result.stop = stop;
    result.console_line = line;
    result.iterations = iter;
    result.value = fret;
    counters.iterations += iter;
    return result;
  };
  for (;; ++iter) {
    const double fp = fret;
    int ibig = 0;
    double del = 0.0;  // the largest decrease along one direction
    for (int i = 0; i < ndim; ++i) {
      along = directions[i];
      const double fbefore = fret;
      if (!LineMinimise(X, along, fret, objective, counters))
        return finish(OptimiserStop::kLineSearchLimit, "brent exceed maximum iterations");
      if (fbefore - fret > del) {
        del = fbefore - fret;
        ibig = i;
      }
    }
    if (2.0 * (fp - fret) <= ftol * (std::fabs(fp) + std::fabs(fret)) + 1E-38)
      return finish(OptimiserStop::kConverged, "");
    if (iter >= itmax) return finish(OptimiserStop::kIterationLimit, "powell exceeding maximum iterations");
    for (int j = 0; j < ndim; ++j) {
      extrapolated[j] = 2.0 * X[j] - start[j];
      along[j] = X[j] - start[j];
      start[j] = X[j];
    }
    const double fe = Evaluate(objective, extrapolated, counters);
    if (fe < fp) {
      const double t =
          2.0 * (fp - 2.0 * fret + fe) * (fp - fret - del) * (fp - fret - del) - del * (fp - fe) * (fp - fe);
      if (t < 0.0) {
        // The net move of this iteration replaces the direction of largest
        // decrease; it goes last so that it is searched first next time.
        if (!LineMinimise(X, along, fret, objective, counters))
          return finish(OptimiserStop::kLineSearchLimit, "brent exceed maximum iterations");
        directions[ibig] = directions[ndim - 1];
        directions[ndim - 1] = along;
      }
    }
  }
}

// ---------------------------------------------------------------------------
// Simulated annealing

namespace {

struct AnnealingState {
  OptimiserMatrix& p;
  std::vector<double>& y;
  std::vector<double>& sum;
  std::vector<double>& best;
  double& yb;
  double T;
  int ndim;
  const FitObjectiveFunction& objective;
  UniformGenerator& generator;
  OptimiserCounters& counters;

  // -T ln(u) with u from the generator: positive, exponentially distributed.
  double Fluctuation() { return -T * std::log(generator.Next()); }

  double EvaluateAndTrack(const std::vector<double>& x) {
    const double value = Evaluate(objective, x, counters);
    if (value < yb && !IsRejectedFitValue(value)) {
      best = x;
      yb = value;
    }
    return value;
  }

  // A trial of factor fac against the highest vertex; its fluctuated value
  // is compared with the fluctuated highest value yhi, and returned.
  double Trial(int ihi, double& yhi, double fac) {
    const std::vector<double> trial = TrialPoint(p, sum, ndim, ihi, fac);
    const double ytry = EvaluateAndTrack(trial);
    const double yflu = ytry - Fluctuation();
    if (yflu < yhi) {
      y[ihi] = ytry;
      yhi = yflu;
      ReplaceVertex(p, sum, ihi, trial);
    }
    return yflu;
  }
};

}  // namespace

std::int64_t AnnealingStage(OptimiserMatrix& P, std::vector<double>& Y, int ndim, std::vector<double>& best,
                            double& yb, double ftol, double T, std::int64_t iterations,
                            const FitObjectiveFunction& objective, UniformGenerator& generator,
                            OptimiserCounters& counters) {
  const int mpts = ndim + 1;
  const std::int64_t given = iterations;
  std::vector<double> sum = VertexSum(P, ndim);
  AnnealingState s{P, Y, sum, best, yb, T, ndim, objective, generator, counters};
  for (;;) {
    int ilo = 0, ihi = 1;
    double ylo = Y[0] + s.Fluctuation();
    double ynhi = ylo;
    double yhi = Y[1] + s.Fluctuation();
    if (ylo > yhi) {
      ihi = 0;
      ilo = 1;
      std::swap(ylo, yhi);
      ynhi = ylo;
    }
    for (int i = 2; i < mpts; ++i) {
      const double yt = Y[i] + s.Fluctuation();
      if (yt <= ylo) {
        ilo = i;
        ylo = yt;
      }
      if (yt > yhi) {
        ynhi = yhi;
        ihi = i;
        yhi = yt;
      } else if (yt > ynhi) {
        ynhi = yt;
      }
    }
    const double rtol = 2.0 * std::fabs(yhi - ylo) / (std::fabs(yhi) + std::fabs(ylo));
    if (rtol < ftol || iterations < 0) {
      // At high temperature a rejected vertex may look lowest; it must not
      // be handed on as the stage's result while an acceptable vertex exists.
      if (IsRejectedFitValue(Y[ilo])) {
        for (int i = 0; i < mpts; ++i)
          if (Y[i] < Y[ilo]) ilo = i;
      }
      MoveVertexToFront(P, Y, ilo);
      break;
    }
    iterations -= 2;
    const double ytry = s.Trial(ihi, yhi, -1.0);
    if (ytry <= ylo) {
      s.Trial(ihi, yhi, 2.0);
    } else if (ytry >= ynhi) {
      const double ysave = yhi;
      if (s.Trial(ihi, yhi, 0.5) >= ysave) {
        for (int i = 0; i < mpts; ++i) {
          if (i == ilo) continue;
          for (int j = 0; j < ndim; ++j) P[i][j] = 0.5 * (P[i][j] + P[ilo][j]);
          Y[i] = s.EvaluateAndTrack(P[i]);
        }
        iterations -= ndim;
        sum = VertexSum(P, ndim);
      }
    } else {
      ++iterations;
    }
  }
  counters.iterations += given - (iterations > 0 ? iterations : 0);
  return iterations;
}

}  // namespace tarnavel
