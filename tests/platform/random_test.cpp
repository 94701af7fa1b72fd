// The OS random source: it fills whole requests, large and small.
#include "platform/random.h"

#include <gtest/gtest.h>

#include <vector>

namespace mv {
namespace {

TEST(FillRandomTest, FillsWholeRequestsWithFreshBytes) {
  EXPECT_TRUE(platform::FillRandom(nullptr, 0));
  std::vector<uint8_t> a(1 << 20, 0);
  std::vector<uint8_t> b(1 << 20, 0);
  ASSERT_TRUE(platform::FillRandom(a.data(), a.size()));
  ASSERT_TRUE(platform::FillRandom(b.data(), b.size()));
  EXPECT_NE(a, b);
  // The last 4 KiB are filled as well (all zero would mean a short fill).
  EXPECT_NE(std::vector<uint8_t>(a.end() - 4096, a.end()), std::vector<uint8_t>(4096, 0));
}

}  // namespace
}  // namespace mv
