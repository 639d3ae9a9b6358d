#include "e2e/flame_equilibrium.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <sstream>
#include <stdexcept>

#include "e2e/harness.hpp"

namespace tarnavel::e2e {

namespace {

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// The products an equilibrium is formed over, where the database holds them.
const char* const kProducts[] = {"N2", "H2O", "CO2", "O2", "CO", "H2", "OH", "H",  "O",
                                 "NO", "N",   "HO2", "NO2", "N2O", "AR", "HE", "H2O2"};

const Nasa* Find(const std::map<std::string, Nasa>& nasa, const std::string& name) {
  const auto it = nasa.find(Upper(name));
  return it == nasa.end() ? nullptr : &it->second;
}

}  // namespace

double Nasa::Cp(double t) const {
  const auto& a = At(t);
  return a[0] + t * (a[1] + t * (a[2] + t * (a[3] + t * a[4])));
}

double Nasa::H(double t) const {
  const auto& a = At(t);
  return a[0] + t * (a[1] / 2 + t * (a[2] / 3 + t * (a[3] / 4 + t * a[4] / 5))) + a[5] / t;
}

double Nasa::S(double t) const {
  const auto& a = At(t);
  return a[0] * std::log(t) + t * (a[1] + t * (a[2] / 2 + t * (a[3] / 3 + t * a[4] / 4))) + a[6];
}

std::map<std::string, Nasa> ReadNasa(const std::string& text) {
  std::map<std::string, Nasa> out;
  const auto lines = SplitLines(text);
  for (size_t i = 0; i + 3 < lines.size(); ++i) {
    const std::string& l = lines[i];
    if (l.size() < 80 || l[79] != '1') continue;
    Nasa n;
    n.t_common = std::stod(l.substr(65, 8));
    std::array<double, 14> a{};
    for (int k = 0; k < 14; ++k) a[k] = std::stod(lines[i + 1 + k / 5].substr((k % 5) * 15, 15));
    for (int k = 0; k < 7; ++k) {
      n.high[k] = a[k];
      n.low[k] = a[7 + k];
    }
    for (int k = 0; k < 4; ++k) {
      std::istringstream symbol(l.substr(24 + 5 * k, 2));
      std::string s;
      const std::string count = l.substr(26 + 5 * k, 3);
      if (symbol >> s && count.find_first_not_of(' ') != std::string::npos && std::stod(count) != 0.0)
        n.atoms[Upper(s)] += std::stod(count);
    }
    std::istringstream name(l.substr(0, 18));
    std::string s;
    name >> s;
    out.emplace(Upper(s), n);
    i += 3;
  }
  return out;
}

std::map<std::string, double> ElementAmounts(const std::map<std::string, Nasa>& nasa,
                                             const std::vector<std::pair<std::string, double>>& mixture) {
  std::map<std::string, double> b;
  for (const auto& [name, amount] : mixture) {
    const Nasa* n = Find(nasa, name);
    if (n == nullptr) throw std::runtime_error("no polynomials for " + name);
    for (const auto& [element, count] : n->atoms) b[element] += count * amount;
  }
  return b;
}

// Element potentials lambda_j and the total amount N: n_i = N exp(-g_i + sum_j
// a_ij lambda_j) with g_i = G_i/RT + ln p, and Newton's method on the element
// balances and the total, started from the major products at a tenth each.
std::map<std::string, double> Equilibrium(const std::map<std::string, Nasa>& nasa,
                                          const std::map<std::string, double>& b, double t, double p) {
  std::vector<std::string> elements;
  for (const auto& [element, amount] : b)
    if (amount > 0.0) elements.push_back(element);
  const size_t m = elements.size();
  struct Product {
    std::string name;
    std::vector<double> atoms;
    double g;
  };
  std::vector<Product> products;
  for (const char* name : kProducts) {
    const Nasa* n = Find(nasa, name);
    if (n == nullptr) continue;
    Product pr{name, std::vector<double>(m, 0.0), n->H(t) - n->S(t) + std::log(p)};
    bool inside = true;
    for (const auto& [element, count] : n->atoms) {
      const auto at = std::find(elements.begin(), elements.end(), element);
      if (at == elements.end()) inside = false;
      else pr.atoms[at - elements.begin()] = count;
    }
    if (inside) products.push_back(pr);
  }
  auto g_of = [&](const char* name) {
    for (const Product& pr : products)
      if (pr.name == name) return pr.g;
    return 0.0;
  };
  auto index = [&](const char* element) {
    return static_cast<size_t>(std::find(elements.begin(), elements.end(), element) - elements.begin());
  };
  std::vector<double> u(m + 1, 0.0);
  double total_b = 0.0;
  for (const auto& [element, amount] : b) total_b += amount;
  u[m] = std::log(total_b);
  const double lx = std::log(0.1);
  const size_t o = index("O"), h = index("H"), c = index("C"), n2 = index("N"), ar = index("AR"), he = index("HE");
  if (o < m) u[o] = (lx + g_of("O2")) / 2;
  if (n2 < m) u[n2] = (lx + g_of("N2")) / 2;
  if (ar < m) u[ar] = lx + g_of("AR");
  if (he < m) u[he] = lx + g_of("HE");
  if (h < m) u[h] = o < m ? (lx + g_of("H2O") - u[o]) / 2 : (lx + g_of("H2")) / 2;
  if (c < m && o < m) u[c] = lx + g_of("CO2") - 2 * u[o];

  std::vector<double> amount(products.size());
  for (int iteration = 0; iteration < 300; ++iteration) {
    double total = 0.0;
    for (size_t i = 0; i < products.size(); ++i) {
      double e = u[m] - products[i].g;
      for (size_t j = 0; j < m; ++j) e += products[i].atoms[j] * u[j];
      amount[i] = std::exp(e);
      total += amount[i];
    }
    std::vector<std::vector<double>> a(m + 1, std::vector<double>(m + 2, 0.0));
    for (size_t j = 0; j < m; ++j) {
      double balance = -b.at(elements[j]);
      for (size_t i = 0; i < products.size(); ++i) {
        const double aij = products[i].atoms[j];
        balance += aij * amount[i];
        for (size_t k = 0; k < m; ++k) a[j][k] += aij * products[i].atoms[k] * amount[i];
        a[j][m] += aij * amount[i];
      }
      a[j][m + 1] = -balance;
    }
    for (size_t k = 0; k < m; ++k)
      for (size_t i = 0; i < products.size(); ++i) a[m][k] += products[i].atoms[k] * amount[i];
    a[m][m] = total - std::exp(u[m]);
    a[m][m + 1] = -(total - std::exp(u[m]));
    // Gaussian elimination with partial pivoting.
    for (size_t col = 0; col <= m; ++col) {
      size_t best = col;
      for (size_t r = col + 1; r <= m; ++r)
        if (std::fabs(a[r][col]) > std::fabs(a[best][col])) best = r;
      std::swap(a[col], a[best]);
      for (size_t r = col + 1; r <= m; ++r) {
        const double f = a[r][col] / a[col][col];
        for (size_t k = col; k <= m + 1; ++k) a[r][k] -= f * a[col][k];
      }
    }
    std::vector<double> du(m + 1, 0.0);
    for (size_t r = m + 1; r-- > 0;) {
      double s = a[r][m + 1];
      for (size_t k = r + 1; k <= m; ++k) s -= a[r][k] * du[k];
      du[r] = s / a[r][r];
    }
    double largest = 0.0;
    for (double d : du) largest = std::max(largest, std::fabs(d));
    const double damping = largest > 2.0 ? 2.0 / largest : 1.0;
    for (size_t k = 0; k <= m; ++k) u[k] += damping * du[k];
    if (largest < 1e-12) break;
  }
  std::map<std::string, double> out;
  for (size_t i = 0; i < products.size(); ++i) out[products[i].name] = amount[i];
  return out;
}

double FlameTemperature(const std::map<std::string, Nasa>& nasa,
                        const std::vector<std::pair<std::string, double>>& mixture, double t0, double p) {
  double h0 = 0.0;
  for (const auto& [name, amount] : mixture) h0 += amount * Find(nasa, name)->H(t0) * t0;
  const auto b = ElementAmounts(nasa, mixture);
  auto excess = [&](double t) {
    double h = 0.0;
    for (const auto& [name, n] : Equilibrium(nasa, b, t, p)) h += n * Find(nasa, name)->H(t) * t;
    return h - h0;
  };
  double lo = t0, hi = 4500.0;
  for (int k = 0; k < 60; ++k) (excess(0.5 * (lo + hi)) > 0 ? hi : lo) = 0.5 * (lo + hi);
  return 0.5 * (lo + hi);
}

}  // namespace tarnavel::e2e
