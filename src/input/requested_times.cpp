#include "input/requested_times.hpp"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>

#include "core/diagnostics.hpp"
#include "core/fortran_format.hpp"
#include "core/run.hpp"
#include "input/field_reader.hpp"

namespace tarnavel {

namespace {

// Splits at commas, blanks and tabs; empty pieces are dropped.
std::vector<std::string> Items(std::string_view text) {
  std::vector<std::string> items;
  std::string item;
  for (char c : text) {
    if (c == ',' || c == ' ' || c == '\t' || c == '\r') {
      if (!item.empty()) items.push_back(item);
      item.clear();
    } else {
      item += c;
    }
  }
  if (!item.empty()) items.push_back(item);
  return items;
}

// The switch's text as a list of numbers; false when some item is not one.
bool NumberList(std::string_view text, std::vector<double>& times) {
  const std::vector<std::string> items = Items(text);
  if (items.empty()) return false;
  for (const std::string& item : items) {
    double t = 0.0;
    if (!IsNumber(item) || !ParseReal(item, t)) return false;
    times.push_back(t);
  }
  return true;
}

std::vector<double> TimesOfFile(Run& run, const std::string& name) {
  std::ifstream in(name);
  if (!in) {
    run.msg.name1 = name;
    FatalError(run, 130);
  }
  std::vector<double> times;
  std::string line;
  for (long number = 1; std::getline(in, line); ++number) {
    const std::size_t hash = line.find('#');
    if (hash != std::string::npos) line.erase(hash);
    for (const std::string& item : Items(line)) {
      double t = 0.0;
      if (!IsNumber(item) || !ParseReal(item, t)) {
        run.msg.name1 = name;
        run.msg.name2 = item;
        run.msg.n1 = number;
        FatalError(run, 131);
      }
      times.push_back(t);
    }
  }
  return times;
}

}  // namespace

std::vector<double> RequestedTimes(Run& run, std::string_view text) {
  std::vector<double> times;
  if (!NumberList(text, times)) times = TimesOfFile(run, std::string(text));
  const double span = run.settings.simlen;
  for (double t : times) {
    if (!(t >= 0.0) || t > span) {
      run.msg.name1 = Trim(fmt::G(t, 14, 6));
      run.msg.name2 = Trim(fmt::G(span, 14, 6));
      FatalError(run, 129);
    }
  }
  std::sort(times.begin(), times.end());
  times.erase(std::unique(times.begin(), times.end()), times.end());
  return times;
}

}  // namespace tarnavel
