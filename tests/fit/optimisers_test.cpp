// The minimisers on analytic functions whose minima are known, their
// iteration limits, their handling of rejected fit vectors, and the
// subtractive random-number generator against an integer rendering of the
// same recurrence.

#include "fit/optimisers.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace tarnavel {
namespace {

// The generator as a lagged recurrence on integers: after the table is
// built and stirred, the n-th value is x(n) = x(n-55) - x(n-24) mod MBIG,
// where x(0..54) are the table entries 1..55. Values of 0 are not handed out.
class ReferenceSequence {
 public:
  ReferenceSequence() {
    const std::int64_t mbig = 4000000;
    std::int64_t ma[56] = {};
    std::int64_t mj = 1618033 % mbig;
    ma[55] = mj;
    std::int64_t mk = 1;
    for (int i = 1; i <= 54; ++i) {
      const int ii = (21 * i) % 55;
      ma[ii] = mk;
      mk = ((mj - mk) % mbig + mbig) % mbig;
      mj = ma[ii];
    }
    for (int round = 0; round < 4; ++round)
      for (int i = 1; i <= 55; ++i) ma[i] = ((ma[i] - ma[1 + (i + 30) % 55]) % mbig + mbig) % mbig;
    for (int i = 1; i <= 55; ++i) x_.push_back(ma[i]);
  }
  std::int64_t NextInteger() {
    for (;;) {
      const size_t n = x_.size();
      const std::int64_t v = ((x_[n - 55] - x_[n - 24]) % 4000000 + 4000000) % 4000000;
      x_.push_back(v);
      if (x_.size() > 4096) x_.erase(x_.begin(), x_.end() - 55);
      if (v != 0) return v;
    }
  }

 private:
  std::vector<std::int64_t> x_;
};

TEST(UniformGenerator, FollowsTheSubtractiveRecurrenceStrictlyInsideTheUnitInterval) {
  UniformGenerator a, b;
  ReferenceSequence ref;
  // Past 4.5 million draws the table yields its first 0, which is passed over.
  for (int n = 0; n < 5000000; ++n) {
    const double u = a.Next();
    const std::int64_t x = ref.NextInteger();
    if (n < 3000 || n % 1000 == 0 || (n > 4557000 && n < 4558000)) {
      ASSERT_FLOAT_EQ(static_cast<float>(u), static_cast<float>(x / 4.0e6)) << n;
    }
    ASSERT_EQ(b.Next(), u) << n;  // two fresh generators draw the same sequence
    ASSERT_GT(u, 0.0) << n;
    ASSERT_LT(u, 1.0) << n;
  }
  // The run-wide generator is the same kind of generator.
  UniformGenerator copy = RunUniformGenerator();
  EXPECT_EQ(Uniform(), copy.Next());
}

TEST(OptimiserStart, SimplexAndDirectionsStepEachCoordinate) {
  const std::vector<double> x0 = {2.0, 0.0, -4.0};
  struct Case {
    double s;
    std::vector<double> steps;
  };
  const Case cases[] = {{-1E-15, {0.02, 1.5E-9, -0.04}}, {0.0, {0.02, 1.5E-9, -0.04}}, {0.5, {0.5, 0.5, 0.5}}};
  for (const Case& c : cases) {
    const OptimiserMatrix p = StartingSimplex(x0, c.s);
    const OptimiserMatrix d = StartingDirections(x0, c.s);
    ASSERT_EQ(p.size(), 4u);
    ASSERT_EQ(d.size(), 3u);
    EXPECT_EQ(p[0], x0);
    for (size_t i = 0; i < 3; ++i)
      for (size_t j = 0; j < 3; ++j) {
        EXPECT_DOUBLE_EQ(p[i + 1][j], x0[j] + (i == j ? c.steps[j] : 0.0)) << c.s << " " << i << j;
        EXPECT_DOUBLE_EQ(d[i][j], i == j ? c.steps[j] : 0.0) << c.s << " " << i << j;
      }
  }
  EXPECT_EQ(StartingSimplex({3.0}, -1.0), (OptimiserMatrix{{3.0}, {3.03}}));  // one parameter: two vertices
}

struct TestFunction {
  const char* name;
  std::vector<double> minimum;
  double (*f)(const std::vector<double>&);
  double accuracy;  // largest distance of the found point from the minimum in any coordinate
};

double Quadratic1(const std::vector<double>& x) { return 1.0 + 3.0 * (x[0] - 2.5) * (x[0] - 2.5); }
double Quadratic3(const std::vector<double>& x) {
  return 1.0 + (x[0] - 1.0) * (x[0] - 1.0) + 10.0 * (x[1] + 2.0) * (x[1] + 2.0) + 0.5 * (x[2] - 4.0) * (x[2] - 4.0);
}
double Rosenbrock(const std::vector<double>& x) {
  return (1.0 - x[0]) * (1.0 - x[0]) + 100.0 * (x[1] - x[0] * x[0]) * (x[1] - x[0] * x[0]);
}

const TestFunction kFunctions[] = {
    {"quadratic 1-d", {2.5}, Quadratic1, 1E-3},
    {"quadratic 3-d", {1.0, -2.0, 4.0}, Quadratic3, 1E-3},
    {"Rosenbrock", {1.0, 1.0}, Rosenbrock, 1E-3},
};

std::vector<double> HalfAgainOff(const std::vector<double>& minimum) {
  std::vector<double> x0 = minimum;
  for (double& v : x0) v *= 1.5;
  return x0;
}

// An objective that counts its own calls.
struct Counted {
  double (*f)(const std::vector<double>&);
  std::int64_t* calls;
  double operator()(const std::vector<double>& x) const {
    ++*calls;
    return f(x);
  }
};

void ExpectNear(const std::vector<double>& x, const TestFunction& tf, const char* method) {
  ASSERT_EQ(x.size(), tf.minimum.size());
  EXPECT_NEAR(tf.f(x), tf.f(tf.minimum), 1E-8) << method << " " << tf.name;
  for (size_t j = 0; j < x.size(); ++j) EXPECT_NEAR(x[j], tf.minimum[j], tf.accuracy) << method << " " << tf.name << " " << j;
}

std::vector<double> Values(const OptimiserMatrix& p, const FitObjectiveFunction& f) {
  std::vector<double> y;
  for (const auto& v : p) y.push_back(f(v));
  return y;
}

TEST(OptimiserMinimisers, FindTheMinimaOfAnalyticFunctions) {
  for (const TestFunction& tf : kFunctions) {
    const int n = static_cast<int>(tf.minimum.size());
    const std::vector<double> x0 = HalfAgainOff(tf.minimum);
    {  // simplex, run a second time from the first run's best vertex
      std::int64_t calls = 0;
      const FitObjectiveFunction f = Counted{tf.f, &calls};
      OptimiserCounters counters;
      std::vector<double> start = x0;
      for (int run = 0; run < 2; ++run) {
        OptimiserMatrix p = StartingSimplex(start, -1.0);
        std::vector<double> y = Values(p, f);
        const MinimiserResult r = Simplex(p, y, n, 1E-12, 9000, f, counters);
        ASSERT_TRUE(r.Converged()) << tf.name;
        EXPECT_EQ(r.value, y[0]);
        for (double v : y) EXPECT_GE(v, y[0]) << tf.name;
        start = p[0];
      }
      ExpectNear(start, tf, "simplex");
      EXPECT_EQ(counters.evaluations, calls - 2 * (n + 1)) << tf.name;  // all but the starting vertices
    }
    {  // Powell
      std::int64_t calls = 0;
      const FitObjectiveFunction f = Counted{tf.f, &calls};
      OptimiserCounters counters;
      std::vector<double> x = x0;
      OptimiserMatrix d = StartingDirections(x0, -1.0);
      const MinimiserResult r = Powell(x, d, n, 1E-10, 9000, f, counters);
      ASSERT_TRUE(r.Converged()) << tf.name;
      EXPECT_EQ(r.console_line, "");
      EXPECT_NEAR(r.value, tf.f(x), 1E-12 * std::fabs(r.value) + 1E-300);
      ExpectNear(x, tf, "powell");
      EXPECT_EQ(counters.evaluations, calls) << tf.name;
      EXPECT_EQ(counters.iterations, r.iterations);
    }
    {  // annealing with the temperature lowered fivefold before each stage
      const FitObjectiveFunction f = tf.f;
      OptimiserCounters counters;
      UniformGenerator gen;
      OptimiserMatrix p = StartingSimplex(x0, -1.0);
      std::vector<double> y = Values(p, f);
      std::vector<double> best = x0;
      double yb = 1E35;
      double T = 1.0;
      bool converged = false;
      for (int stage = 1; stage <= 9000 && !converged; ++stage) {
        T *= 0.2;
        converged = AnnealingStage(p, y, n, best, yb, 1E-12, T, 25, f, gen, counters) >= 0;
      }
      ASSERT_TRUE(converged) << tf.name;
      EXPECT_EQ(yb, tf.f(best));
      ExpectNear(best, tf, "annealing");
    }
  }
}

TEST(OptimiserSimplex, MovesOfOneStep) {
  // One step on a 1-d simplex: the trial points it evaluates, worked out
  // from the centroid c (the other vertex) and the highest vertex h.
  struct Case {
    const char* move;
    std::vector<double> vertices;
    double (*f)(double);
    std::vector<double> trials;
  };
  const Case cases[] = {
      // reflection c + (c - h) = 2 beats the best vertex: expansion c + 2 (c - h)
      {"expand", {4.0, 3.0}, [](double x) { return x * x; }, {2.0, 1.0}},
      // reflection -1 is worse than the other vertex: contraction c + (h - c) / 2
      {"contract", {1.0, 3.0}, [](double x) { return (x - 1.8) * (x - 1.8); }, {-1.0, 2.0}},
      // the contraction does no better than h: h moves halfway to the best vertex
      {"shrink", {0.0, 4.0}, [](double x) { return x == 0.0 ? 0.0 : x == 4.0 ? 4.0 : 100.0; }, {-4.0, 2.0, 2.0}},
  };
  for (const Case& c : cases) {
    std::vector<double> trials;
    const FitObjectiveFunction f = [&](const std::vector<double>& x) {
      trials.push_back(x[0]);
      return c.f(x[0]);
    };
    OptimiserMatrix p = {{c.vertices[0]}, {c.vertices[1]}};
    std::vector<double> y = {c.f(c.vertices[0]), c.f(c.vertices[1])};
    OptimiserCounters counters;
    Simplex(p, y, 1, 1E-12, 1, f, counters);
    EXPECT_EQ(trials, c.trials) << c.move;
  }
}

TEST(OptimiserAnnealing, AtZeroTemperatureIsTheSimplex) {
  for (const TestFunction& tf : kFunctions) {
    const int n = static_cast<int>(tf.minimum.size());
    OptimiserCounters counters;
    OptimiserMatrix ps = StartingSimplex(HalfAgainOff(tf.minimum), -1.0);
    std::vector<double> ys = Values(ps, tf.f);
    OptimiserMatrix pa = ps;
    std::vector<double> ya = ys;
    const MinimiserResult r = Simplex(ps, ys, n, 1E-9, 100000, tf.f, counters);
    std::vector<double> best;
    double yb = 1E35;
    UniformGenerator gen;
    const std::int64_t left = AnnealingStage(pa, ya, n, best, yb, 1E-9, 0.0, 100000, tf.f, gen, counters);
    EXPECT_EQ(pa, ps) << tf.name;
    EXPECT_EQ(ya, ys) << tf.name;
    EXPECT_EQ(100000 - left, r.iterations) << tf.name;
    EXPECT_LE(yb, ys[0]) << tf.name;
  }
}

TEST(OptimiserMinimisers, ReportTheirLimits) {
  OptimiserCounters counters;
  {
    OptimiserMatrix p = StartingSimplex({1.5, 1.5}, -1.0);
    std::vector<double> y = Values(p, Rosenbrock);
    const MinimiserResult r = Simplex(p, y, 2, 1E-12, 10, Rosenbrock, counters);
    EXPECT_EQ(r.FatalNumber(), 114);
    EXPECT_GE(r.iterations, 10);
    EXPECT_EQ(r.console_line, "");
    EXPECT_LE(y[0], std::min(y[1], y[2]));  // the best vertex still comes first
  }
  {
    std::vector<double> x = {1.5, 1.5};
    OptimiserMatrix d = StartingDirections(x, -1.0);
    const MinimiserResult r = Powell(x, d, 2, 1E-10, 2, Rosenbrock, counters);
    EXPECT_EQ(r.FatalNumber(), 114);
    EXPECT_EQ(r.iterations, 2);
    EXPECT_EQ(r.console_line, "powell exceeding maximum iterations");
  }
  {
    // Without a lower bound the bracket runs out of the number range and
    // Brent's method can never settle.
    std::vector<double> x = {1.0};
    OptimiserMatrix d = {{1.0}};
    const MinimiserResult r = Powell(x, d, 1, 1E-10, 9000, [](const std::vector<double>& v) { return -v[0]; },
                                     counters);
    EXPECT_EQ(r.FatalNumber(), 999);
    EXPECT_EQ(r.console_line, "brent exceed maximum iterations");
  }
  {
    OptimiserMatrix p = StartingSimplex({1.5, 1.5}, -1.0);
    std::vector<double> y = Values(p, Rosenbrock);
    std::vector<double> best = p[0];
    double yb = 1E35;
    UniformGenerator gen;
    EXPECT_LT(AnnealingStage(p, y, 2, best, yb, 1E-12, 1E-3, 6, Rosenbrock, gen, counters), 0);
  }
}

// The objective of a fit whose unconstrained minimum, at x0 = 2, lies in a
// region of rejected vectors (x0 > 1.2), scored like the fit objective's
// penalty.
struct Penalised {
  UniformGenerator* gen;
  double operator()(const std::vector<double>& x) const {
    if (x[0] > 1.2) return gen->Next() * 1E40 + 9.87654321E30;
    double sum = 1.0 + (x[0] - 2.0) * (x[0] - 2.0);
    for (size_t j = 1; j < x.size(); ++j) sum += (x[j] - 1.0) * (x[j] - 1.0);
    return sum;
  }
};

TEST(OptimiserMinimisers, NeverReportARejectedVectorAsBest) {
  for (int n = 1; n <= 2; ++n) {
    UniformGenerator penalty;
    const FitObjectiveFunction f = Penalised{&penalty};
    const std::vector<double> x0(n, 1.0);
    const double at_bound = 1.0 + 0.8 * 0.8;
    OptimiserCounters counters;
    {
      OptimiserMatrix p = StartingSimplex(x0, 0.3);  // a vertex starts in the rejected region
      std::vector<double> y = Values(p, f);
      ASSERT_TRUE(Simplex(p, y, n, 1E-10, 9000, f, counters).Converged());
      EXPECT_LE(p[0][0], 1.2);
      EXPECT_NEAR(y[0], at_bound, 1E-4) << n;
    }
    {
      std::vector<double> x = x0;
      OptimiserMatrix d = StartingDirections(x0, 0.3);
      const MinimiserResult r = Powell(x, d, n, 1E-10, 9000, f, counters);
      ASSERT_TRUE(r.Converged());
      EXPECT_LE(x[0], 1.2);
      EXPECT_NEAR(r.value, at_bound, 1E-4) << n;
    }
    {
      // Fluctuations far beyond the penalty make rejected vertices look as
      // good as any; the stage must still hand on an acceptable vertex and
      // an acceptable best point.
      UniformGenerator gen;
      int mixed = 0, improved = 0;
      for (int stage = 0; stage < 40; ++stage) {
        OptimiserMatrix p = StartingSimplex(x0, 0.3);
        std::vector<double> y = Values(p, f);
        std::vector<double> best = x0;
        double yb = 1E300;  // above every penalty, so only the rejection test keeps them out
        AnnealingStage(p, y, n, best, yb, 1E-10, 1E45, 2 + stage % 7, f, gen, counters);
        bool any_acceptable = false, any_rejected = false;
        for (double v : y) (IsRejectedFitValue(v) ? any_rejected : any_acceptable) = true;
        if (any_acceptable) {
          EXPECT_FALSE(IsRejectedFitValue(y[0])) << n << " " << stage;
        }
        if (any_acceptable && any_rejected) ++mixed;
        if (yb != 1E300) {  // some evaluated point became the best one
          ++improved;
          EXPECT_FALSE(IsRejectedFitValue(yb)) << n << " " << stage;
          EXPECT_LE(best[0], 1.2);
        }
      }
      EXPECT_GT(mixed, 0) << n;
      EXPECT_GT(improved, 0) << n;
    }
  }
}

TEST(OptimiserAnnealing, SameStartSameResult) {
  struct Outcome {
    OptimiserMatrix p;
    std::vector<double> y, best;
    double yb;
    std::int64_t left, evaluations;
  };
  auto run = [] {
    UniformGenerator gen;
    OptimiserCounters counters;
    Outcome o{StartingSimplex({1.5, 1.5}, -1.0), {}, {1.5, 1.5}, 1E35, 0, 0};
    o.y = Values(o.p, Rosenbrock);
    double T = 10.0;
    for (int stage = 0; stage < 6; ++stage) {
      T *= 0.5;
      o.left = AnnealingStage(o.p, o.y, 2, o.best, o.yb, 1E-8, T, 25, Rosenbrock, gen, counters);
    }
    o.evaluations = counters.evaluations;
    return o;
  };
  const Outcome a = run(), b = run();
  EXPECT_EQ(a.p, b.p);
  EXPECT_EQ(a.y, b.y);
  EXPECT_EQ(a.best, b.best);
  EXPECT_EQ(a.yb, b.yb);
  EXPECT_EQ(a.left, b.left);
  EXPECT_EQ(a.evaluations, b.evaluations);
  EXPECT_LT(a.yb, Rosenbrock({1.5, 1.5}));
}

}  // namespace
}  // namespace tarnavel
