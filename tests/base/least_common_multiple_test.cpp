#include "base/least_common_multiple.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace mv {
namespace {

TEST(LeastCommonMultiple, Table) {
  struct Case {
    uint32_t a, b, expected;
  } cases[] = {
      {8, 12, 24}, {12, 8, 24}, {8, 8, 8}, {0, 5, 0}, {5, 0, 0}, {1, 7, 7}, {8, 15, 120}, {8, 4, 8},
      {65536, 65535, 0xFFFF0000u},
      // A result beyond 32 bits gives 0.
      {0xFFFFFFFFu, 0xFFFFFFFEu, 0}, {65537, 65539, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LeastCommonMultiple(c.a, c.b), c.expected) << c.a << ", " << c.b;
  }
}

}  // namespace
}  // namespace mv
