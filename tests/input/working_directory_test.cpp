#include "input/working_directory.hpp"

#include <gtest/gtest.h>

namespace tarnavel {
namespace {

TEST(WorkingDirectory, NamesMayNotLeadOutOfIt) {
  const struct {
    const char* name;
    bool inside;
  } cases[] = {
      {"PROF.DAT", true},        {"profiles/NO2.DAT", true}, {"./a/../B.DAT", true},
      {"a/b/../../C.DAT", true}, {"..PROF.DAT", true},       {"", true},
      {"../X.DAT", false},       {"a/../../X.DAT", false},   {"/etc/passwd", false},
      {"..", false},             {"//server/x", false},
  };
  for (const auto& c : cases) EXPECT_EQ(InWorkingDirectory(c.name), c.inside) << c.name;
}

}  // namespace
}  // namespace tarnavel
