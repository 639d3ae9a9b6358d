// scripts/tarnavel_plot on real results: the bundled urban example is run,
// its files are drawn to PNG and SVG, and tests/e2e/check_picture.py measures
// the pictures (size, ink, colours of the curves, curves and their titles).
// Without gnuplot the picture tests are skipped; the refusals of bad requests
// need only Python.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/harness.hpp"

namespace tarnavel::e2e {
namespace {

namespace fs = std::filesystem;

const std::string kPlot = std::string(TARNAVEL_SOURCE_DIR) + "/scripts/tarnavel_plot";
const std::string kChecker = std::string(TARNAVEL_SOURCE_DIR) + "/tests/e2e/check_picture.py";

ProgramResult Plot(const TempDir& dir, const std::vector<std::string>& args) {
  return RunIn(dir, args, "", kPlot.c_str());
}

// What the checker measured in a picture.
struct Picture {
  int width = 0, height = 0;
  long foreground = 0, colours = 0;
  int strong_hues = 0;  // 30-degree hue bands with at least 300 pixels
  std::vector<std::pair<std::string, int>> plots;  // SVG: title and path vertices of each curve
  std::string error;
};

Picture Measure(const TempDir& dir, const std::string& name) {
  const ProgramResult r = RunIn(dir, {"python3", kChecker, dir.path() + "/" + name}, "", "/usr/bin/env");
  Picture p;
  for (const std::string& line : r.lines) {
    std::istringstream in(line);
    std::string key;
    in >> key;
    if (key == "size") in >> p.width >> p.height;
    if (key == "foreground") in >> p.foreground;
    if (key == "colours") in >> p.colours;
    if (key == "error") p.error = line;
    if (key == "hue") {
      int band = 0, pixels = 0;
      in >> band >> pixels;
      p.strong_hues += pixels >= 300;
    }
    if (key == "plot") {
      const auto a = line.find('\t'), b = line.rfind('\t');
      p.plots.emplace_back(line.substr(a + 1, b - a - 1), std::stoi(line.substr(b + 1)));
    }
  }
  if (r.status != 0 && p.error.empty()) p.error = r.out;
  return p;
}

std::vector<std::string> Titles(const Picture& p) {
  std::vector<std::string> titles;
  for (const auto& [title, vertices] : p.plots) titles.push_back(title);
  return titles;
}

// The script needs Python; the refusals are tested with that alone.
class PlotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!OnPath("python3")) GTEST_SKIP() << "python3 is not installed; tarnavel_plot cannot run";
  }
};

// Pictures also need gnuplot. Each starts from the urban example with every
// report, as the program leaves it.
class PictureTest : public PlotTest {
 protected:
  void SetUp() override {
    PlotTest::SetUp();
    if (IsSkipped()) return;
    if (!OnPath("gnuplot")) GTEST_SKIP() << "gnuplot is not installed (Debian package gnuplot-nox); no pictures drawn";
    for (const auto& entry : fs::directory_iterator(std::string(TARNAVEL_SOURCE_DIR) + "/examples/urban"))
      if (entry.path().extension() == ".DAT") fs::copy_file(entry.path(), fs::path(dir_.path()) / entry.path().filename());
    const ProgramResult run = RunIn(dir_, {"-QUIET", "-o:Y:Y:Y:Y"});
    ASSERT_EQ(run.status, 0) << run.out;
    rows_ = static_cast<int>(SplitLines(dir_.Read("CONC.TXT")).size()) - 1;
    ASSERT_GT(rows_, 10);
  }

  std::set<std::string> Files() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_.path())) names.insert(entry.path().filename().string());
    return names;
  }

  TempDir dir_;
  int rows_ = 0;
};

TEST_F(PictureTest, PngOfTheExampleHasTheRequestedSizeAndOneColouredCurvePerSpecies) {
  // gnuplot's scratch files go to TMPDIR: it must be left as empty as it was.
  const std::string scratch = dir_.base() + "/scratch";
  fs::create_directory(scratch);
  const char* old_tmpdir = std::getenv("TMPDIR");
  const std::string saved = old_tmpdir != nullptr ? old_tmpdir : "";
  setenv("TMPDIR", scratch.c_str(), 1);
  const std::set<std::string> before = Files();
  const ProgramResult one = Plot(dir_, {"--species", "NO", "--size", "640x480", "--out", "one.png"});
  const ProgramResult three = Plot(dir_, {"--species", "NO,NO2,O3", "--logx", "--title", "Urban", "--out", "three.png"});
  if (old_tmpdir != nullptr) setenv("TMPDIR", saved.c_str(), 1); else unsetenv("TMPDIR");
  ASSERT_EQ(one.status, 0) << one.out;
  ASSERT_EQ(three.status, 0) << three.out;
  EXPECT_TRUE(fs::is_empty(scratch));
  std::set<std::string> expected = before;
  expected.insert({"one.png", "three.png"});
  EXPECT_EQ(Files(), expected);

  const Picture p1 = Measure(dir_, "one.png"), p3 = Measure(dir_, "three.png");
  ASSERT_EQ(p1.error, "");
  ASSERT_EQ(p3.error, "");
  EXPECT_EQ(p1.width, 640);
  EXPECT_EQ(p1.height, 480);
  EXPECT_EQ(p3.width, 800);
  EXPECT_EQ(p3.height, 600);
  for (const Picture* p : {&p1, &p3}) {
    EXPECT_GT(p->foreground, p->width * p->height / 100);
    EXPECT_GE(p->colours, 2);
  }
  // Frame, grid and text are black and grey: the coloured bands are the curves.
  EXPECT_EQ(p1.strong_hues, 1);
  EXPECT_EQ(p3.strong_hues, 3);
}

TEST_F(PictureTest, SvgDrawsEachRequestedColumnOfEveryReportWithAllItsPoints) {
  std::vector<std::string> all;  // the titles of CONC.TXT, blank padding trimmed
  std::istringstream header(SplitLines(dir_.Read("CONC.TXT")).front());
  for (std::string t; std::getline(header, t, '\t');) {
    const auto a = t.find_first_not_of(' ');
    if (a != std::string::npos) all.push_back(t.substr(a, t.find_last_not_of(' ') - a + 1));
  }
  all.erase(all.begin());  // Time(s)
  ASSERT_EQ(all.size(), 10u);

  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> titles;
    int missing_points;  // rows a curve cannot show: time 0 on a log axis, a zero on a log axis
  };
  const std::vector<Case> cases = {
      {{}, all, 0},
      {{"--species", "OH", "--logx", "--logy"}, {"OH"}, 1},
      {{"--species", "O3,NO", "--logy"}, {"O3", "NO"}, 0},
      {{"--file", "SPECRATE.TXT", "--species", "NO Form.,NO Destruct."}, {"NO Form.", "NO Destruct."}, 0},
      {{"--file", "RATESOUT.TXT", "--species", "Reaction #1,Reaction # 17"}, {"Reaction # 1", "Reaction # 17"}, 0},
      {{"--file", "SYSTEMOUT.TXT", "--species", "k(f) 3,Temperature(K)"}, {"k(f) 3", "Temperature(K)"}, 0},
      {{"--file", "THERMOUT.TXT", "--species", "Gas Density (g/L)"}, {"Gas Density (g/L)"}, 0},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--size", "700x500", "--out", "p.svg"});
    const ProgramResult r = Plot(dir_, args);
    ASSERT_EQ(r.status, 0) << r.out;
    const Picture p = Measure(dir_, "p.svg");
    SCOPED_TRACE(c.titles.front());
    ASSERT_EQ(p.error, "");
    EXPECT_EQ(p.width, 700);
    EXPECT_EQ(p.height, 500);
    EXPECT_EQ(Titles(p), c.titles);
    // Each curve's path: the key's sample line (2 points), then one point per row.
    for (const auto& [title, vertices] : p.plots) EXPECT_EQ(vertices, 2 + rows_ - c.missing_points) << title;
  }
}

// Names with quotes, brackets, braces, carets, underscores, back-quotes and
// commas show literally and run nothing; printed forms of the program's
// numbers (three-digit exponents without E, asterisks of a full field) and
// the END/EOF lines of a fitting run are read as data or passed over.
TEST_F(PictureTest, SpeciesNamesReachThePictureLiterallyAndCannotRunCommands) {
  const std::string trap = "q's \"dq\" `touch " + dir_.path() + "/INJECTED` @a";
  dir_.Write("CONC.TXT", " Time(s)  \t" + trap + "  \tX(aq){aq}^_[2]\t1,3-C4H6\t\n"
                         "  0.000000E+00\t  0.100000E+01\t  0.100000-100\t  0.500000E+00\t\n"
                         "  0.100000E+01\t  0.200000E+01\t  ************\t  0.700000E+00\t\n"
                         "  0.200000E+01\t  0.300000E+01\t  0.300000+101\t  0.900000E+00\t\n"
                         "END\nEOF\n");
  const ProgramResult r = Plot(dir_, {"--species", "1,3-C4H6,X(aq){aq}^_[2]," + trap, "--title", trap, "--out", "n.svg"});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_FALSE(dir_.Exists("INJECTED"));
  const Picture p = Measure(dir_, "n.svg");
  ASSERT_EQ(p.error, "");
  EXPECT_EQ(Titles(p), (std::vector<std::string>{"1,3-C4H6", "X(aq){aq}^_[2]", trap}));
  // The value under the asterisks is missing: its curve has two pieces of one point each.
  EXPECT_EQ(p.plots[0].second, 2 + 3);
  EXPECT_EQ(p.plots[1].second, 2 + 2);
  EXPECT_EQ(p.plots[2].second, 2 + 3);
}

TEST_F(PlotTest, BadRequestsStopWithAMessageAndNoPicture) {
  struct Case {
    std::string what;
    std::string conc;  // CONC.TXT, or none when empty and not `create`
    bool create;
    std::vector<std::string> args;
    std::vector<std::string> message;
  };
  const std::string header = " Time(s)  \tNO \tNO2 \t\n";
  const std::string data = header + "  0.000000E+00\t  0.1E+01\t  0.2E+01\t\n";
  const std::vector<Case> cases = {
      {"unknown species", data, true, {"--species", "NO,N2O5,XX", "--out", "p.png"}, {"CONC.TXT", "'N2O5'", "'XX'"}},
      {"missing file", "", false, {"--out", "p.png"}, {"CONC.TXT", "no such file"}},
      {"missing named file", data, true, {"--file", "RATES.TXT", "--out", "p.svg"}, {"RATES.TXT", "no such file"}},
      {"empty file", "", true, {"--out", "p.png"}, {"CONC.TXT", "empty"}},
      {"titles only", header, true, {"--out", "p.png"}, {"CONC.TXT", "no data rows"}},
      {"fitting end lines only", header + "END\nEOF\n", true, {"--out", "p.png"}, {"no data rows"}},
      {"no titles", "  0.0\t  1.0\t\n", true, {"--out", "p.png"}, {"column titles"}},
      {"unknown picture format", data, true, {"--out", "p.gif"}, {".png or .svg"}},
      {"bad size", data, true, {"--size", "800", "--out", "p.png"}, {"WIDTHxHEIGHT"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    if (c.create) dir.Write("CONC.TXT", c.conc);
    const ProgramResult r = RunIn(dir, c.args, "", kPlot.c_str());
    EXPECT_NE(r.status, 0);
    for (const std::string& m : c.message) EXPECT_TRUE(r.Contains(m)) << m << " not in: " << r.out;
    EXPECT_FALSE(dir.Exists("p.png") || dir.Exists("p.svg") || dir.Exists("p.gif"));
  }
}

}  // namespace
}  // namespace tarnavel::e2e
