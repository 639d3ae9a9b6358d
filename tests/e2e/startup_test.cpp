#include <gtest/gtest.h>

#include "e2e/harness.hpp"

namespace tarnavel::e2e {
namespace {

TEST(Startup, EmptyArgumentsRunToANormalEnd) {
  TempDir dir;
  ProgramResult r = RunIn(dir, {});
  EXPECT_EQ(r.status, 0) << r.out;
}

}  // namespace
}  // namespace tarnavel::e2e
