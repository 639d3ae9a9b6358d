#include "output/kinstat.hpp"

#include <string>

#include "core/fortran_format.hpp"
#include "core/output_file.hpp"
#include "core/run.hpp"

namespace tarnavel {

namespace {

constexpr int kNameWidth = 30;

// Fixed-width fields joined by the delimiter.
std::string Join(char delim, std::initializer_list<std::string> fields) {
  std::string line;
  for (const std::string& f : fields) {
    if (!line.empty()) line += delim;
    line += f;
  }
  return line;
}

std::string RuleLine(char delim) {
  return Join(delim, {fmt::A("-------", 8), fmt::A("-------", 7), fmt::A("-------", 7),
                      fmt::A("-------------", 13), fmt::A("----------------", 16)});
}

// A share that has nothing to share out is 0.
double Ratio(double part, double whole) { return whole == 0.0 ? 0.0 : part / whole; }

}  // namespace

std::vector<std::string> KinStatLines(const Run& run) {
  const ModelStore& st = run.store;
  const Network& net = st.net;
  const char delim = run.settings.outdelim;
  const int n = st.Equations();

  // Terms at a product position (code 6 and above) form the species; those at
  // a reactant position consume it.
  std::vector<int> sources(n + 1, 0), sinks(n + 1, 0);
  long all_sources = 0, all_sinks = 0;
  for (int l = 1; l <= n && l + 1 < static_cast<int>(net.term_start.size()); ++l) {
    for (int k = net.term_start[l]; k < net.term_start[l + 1]; ++k) {
      if (IsProductPos(net.term[k].pos)) {
        ++sources[l];
      } else {
        ++sinks[l];
      }
    }
    all_sources += sources[l];
    all_sinks += sinks[l];
  }
  const long all_terms = all_sources + all_sinks;

  std::vector<std::string> lines;
  lines.push_back(Join(delim, {fmt::A("Species", 8), fmt::A("Sources", 7), fmt::A("Sinks", 7),
                               fmt::A("Total Terms", 13), fmt::A("% Total Terms", 16)}));
  lines.push_back(RuleLine(delim));
  for (int l = 1; l <= n; ++l) {
    std::string name = st.species[l + 2].name.substr(0, kNameWidth);
    name.resize(kNameWidth, ' ');
    const int total = sources[l] + sinks[l];
    lines.push_back(Join(delim, {name, fmt::I(sources[l], 5), fmt::I(sinks[l], 5), fmt::I(total, 5),
                                 fmt::F(100.0 * Ratio(total, static_cast<double>(all_terms)), 4, 1)}));
  }
  lines.push_back(RuleLine(delim));
  lines.push_back(Join(delim, {fmt::A("Average:", 8), fmt::A("Sources", 7), fmt::A("Sinks", 7),
                               fmt::A("Terms", 13), fmt::A(" ", 16)}));
  const double species = n;
  lines.push_back(Join(delim, {fmt::A(" ", kNameWidth), fmt::F(Ratio(all_sources, species), 4, 1),
                               fmt::F(Ratio(all_sinks, species), 4, 1), fmt::F(Ratio(all_terms, species), 4, 1)}));
  return lines;
}

void WriteKinStat(Run& run) {
  if (!run.sw.quiet) {
    run.console.Blank();
    run.console.Line("Tallying statistics .... ");
    run.console.Blank();
  }
  const std::vector<std::string> lines = KinStatLines(run);
  OutputFile file;
  file.Replace(run, kKinStatFile);
  for (const std::string& line : lines) file.WriteLine(run, line);
  file.Close(run);
  run.console.Line("Done.");
}

}  // namespace tarnavel
