// The six test cases of a peer box model (tests/data/atchem2), imported from
// their MCM FACSIMILE mechanisms with the conditions their configuration gives
// and run through their span: every species above 1E-4 of its own peak and
// above 1 molecule cm^-3 agrees with the peer's output at every output time
// to 2E-3 (the peer integrates at rtol 1E-4).

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/harness.hpp"

namespace tarnavel::e2e {
namespace {

using Table = std::map<double, std::map<std::string, double>>;

std::vector<std::string> Words(const std::string& line, char delim) {
  std::vector<std::string> words;
  std::string word;
  for (char c : line + delim) {
    if (c == delim || (delim == ' ' && c == '\t')) {
      const size_t b = word.find_first_not_of(' ');
      if (b != std::string::npos) words.push_back(word.substr(b, word.find_last_not_of(' ') - b + 1));
      word.clear();
    } else {
      word += c;
    }
  }
  return words;
}

// A table whose first line titles the columns and whose first column is the
// time, less `origin`.
Table ReadTable(const std::string& text, char delim, double origin) {
  Table table;
  const std::vector<std::string> lines = SplitLines(text);
  if (lines.empty()) return table;
  const std::vector<std::string> titles = Words(lines[0], delim);
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::vector<std::string> f = Words(lines[i], delim);
    if (f.size() != titles.size()) continue;
    const double t = std::round((std::stod(f[0]) - origin) * 1000.0) / 1000.0;
    for (size_t c = 1; c < f.size(); ++c) table[t][titles[c]] = std::stod(f[c]);
  }
  return table;
}

struct PeerCase {
  const char* name;
  double start;  // the peer's first output time (s since midnight UTC)
  double span, step;
  std::vector<std::string> conditions;
};

TEST(McmImport, PeerCasesAgreeWithThePeersOutput) {
  const std::vector<std::string> place = {"--latitude", "36.11", "--longitude-west", "5.35", "--start",
                                          "2002-02-02T14:00:00", "--temperature", "288", "--pressure", "1010mbar"};
  const std::vector<std::string> amazon = {"--temperature", "291.45", "--pressure", "950.2mbar", "--rh", "67.4",
                                           "--latitude", "-7.326", "--longitude-west", "-72.449", "--start",
                                           "2008-11-09T06:30:00"};
  auto with = [](std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  const PeerCase cases[] = {
      {"env_model_1", 50400, 14400, 600, with(place, {"--h2o", "1.8e+17"})},
      {"env_model_2", 50400, 14400, 600, with(place, {"--rh", "42", "--declination", "-0.2976rad"})},
      {"env_model_3", 50400, 14400, 600, with(place, {"--h2o", "1.8e+17", "--no-photolysis"})},
      {"spec_model_1", 23400, 27000, 900, amazon},
      {"spec_model_stoich", 23400, 27000, 900, amazon},
      {"short_ext1", 43200, 900, 300,
       {"--temperature", "300", "--pressure", "1013mbar", "--h2o", "7.02e+17", "--latitude", "49.2",
        "--longitude-west", "-2.1", "--start", "2010-08-25T12:00:00"}},
  };
  for (const PeerCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string data = std::string("atchem2/") + c.name + "/";
    TempDir dir;
    for (const char* file : {"initialConcentrations.config", "speciesConstant.config"})
      dir.Write(file, ReadTestData(data + file));
    dir.Write("mechanism.fac", ReadTestData(data + c.name + ".fac"));
    std::ostringstream span, step, times;
    span << c.span;
    step << c.step;
    for (double t = c.step; t <= c.span + 0.5; t += c.step) times << (t > c.step ? "," : "") << t;
    std::vector<std::string> args = {"mechanism.fac", "--out", ".", "--initial", "initialConcentrations.config",
                                     "--constant", "speciesConstant.config", "--time", span.str(), "--step", step.str()};
    args.insert(args.end(), c.conditions.begin(), c.conditions.end());
    const ProgramResult imported = RunIn(dir, args, "", TARNAVEL_IMPORT_EXE);
    ASSERT_EQ(imported.status, 0) << imported.out;
    const ProgramResult run = RunIn(dir, {"-QUIET", "-ig:mass", "-ig:warn", "-TIMES:" + times.str()});
    ASSERT_EQ(run.status, 0) << run.out;

    const Table peer = ReadTable(ReadTestData(data + "speciesConcentrations.output.cmp"), ' ', c.start);
    const Table ours = ReadTable(dir.Read("ATTIMES.TXT"), '\t', 0.0);
    std::map<std::string, double> peak;
    for (const auto& [t, row] : peer)
      for (const auto& [species, value] : row) peak[species] = std::max(peak[species], value);
    int compared = 0;
    for (const auto& [t, row] : peer) {
      if (t == 0.0) continue;
      ASSERT_EQ(ours.count(t), 1u) << "no row at " << t;
      for (const auto& [species, value] : row) {
        if (value < 1e-4 * peak[species] || value < 1.0) continue;
        ASSERT_EQ(ours.at(t).count(species), 1u) << species;
        EXPECT_NEAR(ours.at(t).at(species), value, 2e-3 * value) << species << " at " << t;
        ++compared;
      }
    }
    EXPECT_GE(compared, static_cast<int>(c.span / c.step) * 2);  // most species at most times
  }
}

}  // namespace
}  // namespace tarnavel::e2e
