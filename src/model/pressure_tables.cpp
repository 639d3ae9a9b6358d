#include "model/pressure_tables.hpp"

#include <algorithm>
#include <cmath>

#include "core/capacity.hpp"

namespace tarnavel {

namespace {

// A level whose rows sum to zero or less has no logarithm: it counts as this
// small positive value, so the interpolation stays finite (the model reader
// warns of such levels).
constexpr double kSmallestLevel = 1.0e-300;

double LogLevel(double k) { return std::log(std::max(k, kSmallestLevel)); }

}  // namespace

double TablePressure(const Network& net, double gas_total, double t) {
  if (net.volume_index > 0) return net.pressure / kKilopascalPerAtm;
  return gas_total * net.rv * t / kKilopascalPerAtm;
}

double PlogRateConstant(const PressureTable& tb, double t, double p, double rgas) {
  const int n = static_cast<int>(tb.pressure.size());
  const double ln_t = std::log(t), inv_rt = 1.0 / (rgas * t);
  const double* pressure = tb.pressure.data();
  if (p <= pressure[0]) return PlogLevel(tb, 0, ln_t, inv_rt);
  if (p >= pressure[n - 1]) return PlogLevel(tb, n - 1, ln_t, inv_rt);
  // pressure[i] <= p < pressure[i+1]; the pressure moves little between
  // evaluations, so the last interval is the place to start.
  int i = std::min(std::max(tb.last, 0), n - 2);
  while (p < pressure[i]) --i;
  while (p >= pressure[i + 1]) ++i;
  tb.last = i;
  const double k1 = PlogLevel(tb, i, ln_t, inv_rt);
  if (p == pressure[i]) return k1;
  const double k2 = PlogLevel(tb, i + 1, ln_t, inv_rt);
  const double f = (std::log(p) - tb.ln_pressure[i]) / (tb.ln_pressure[i + 1] - tb.ln_pressure[i]);
  const double ln_k1 = LogLevel(k1);
  return std::exp(ln_k1 + f * (LogLevel(k2) - ln_k1));
}

double ChebyshevRateConstant(const PressureTable& tb, double t, double p) {
  t = std::min(std::max(t, tb.tmin), tb.tmax);
  p = std::min(std::max(p, tb.pmin), tb.pmax);
  const double t_red = (2.0 / t - 1.0 / tb.tmin - 1.0 / tb.tmax) / (1.0 / tb.tmax - 1.0 / tb.tmin);
  const double log_pmin = std::log10(tb.pmin), log_pmax = std::log10(tb.pmax);
  const double p_red = (2.0 * std::log10(p) - log_pmin - log_pmax) / (log_pmax - log_pmin);
  // Chebyshev polynomials of the first kind of the reduced pressure,
  // T0 = 1, T1 = x, Tn+1 = 2x Tn - Tn-1.
  double phi_p[kMaxFields];
  const int np = tb.orders_p, nt = tb.orders_t;
  phi_p[0] = 1.0;
  if (np > 1) phi_p[1] = p_red;
  for (int j = 2; j < np; ++j) phi_p[j] = 2.0 * p_red * phi_p[j - 1] - phi_p[j - 2];
  double log_k = 0.0, phi_prev = 0.0, phi = 1.0;
  const double* a = tb.coeff.data();
  for (int i = 0; i < nt; ++i) {
    if (i == 1) {
      phi_prev = 1.0;
      phi = t_red;
    } else if (i > 1) {
      const double next = 2.0 * t_red * phi - phi_prev;
      phi_prev = phi;
      phi = next;
    }
    double row = 0.0;
    for (int j = 0; j < np; ++j) row += a[i * np + j] * phi_p[j];
    log_k += phi * row;
  }
  return std::pow(10.0, log_k);
}

double TableRateConstant(const PressureTable& table, double t, double p, double rgas) {
  return table.type == kPlog ? PlogRateConstant(table, t, p, rgas) : ChebyshevRateConstant(table, t, p);
}

}  // namespace tarnavel
