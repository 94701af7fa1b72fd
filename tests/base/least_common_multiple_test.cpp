#include "base/least_common_multiple.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace mv {
namespace {

TEST(LeastCommonMultiple, Table) {
  struct Case {
    uint32_t a, b, expected;
  } cases[] = {
      {8, 12, 24}, {12, 8, 24}, {8, 8, 8},     {0, 5, 0},   {5, 0, 0},   {0, 0, 0},
      {1, 7, 7},   {7, 1, 7},   {8, 3, 24},    {8, 6, 24},  {8, 15, 120}, {8, 16, 16},
      {8, 1, 8},   {8, 2, 8},   {8, 4, 8},     {9, 6, 18},  {65536, 65535, 0xFFFF0000u},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LeastCommonMultiple(c.a, c.b), c.expected) << c.a << ", " << c.b;
  }
}

TEST(LeastCommonMultiple, ResultBeyond32BitsGivesZero) {
  EXPECT_EQ(LeastCommonMultiple(0xFFFFFFFFu, 0xFFFFFFFEu), 0u);
  EXPECT_EQ(LeastCommonMultiple(65537, 65539), 0u);
}

}  // namespace
}  // namespace mv
