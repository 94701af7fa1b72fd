// The random pool's output rule (digest of state and counter), how requests
// advance the counter, and that seeding comes from the OS generator, which
// fills whole requests, large and small.
#include "container/random_pool.h"
#include "platform/random.h"

#include <gtest/gtest.h>

#include <vector>

#include "stream/tag_value.h"
#include "tests/support/sample_data.h"

namespace mv {
namespace {

// State bytes 00 01 02 ... 13.
struct CountingState {
  CountingState() {
    for (uint8_t i = 0; i < kSha1DigestSize; ++i) bytes[i] = i;
  }
  uint8_t bytes[kSha1DigestSize];
};

// printf '\x00\x01...\x13\x00\x00\x00\x00' | openssl sha1 (state, counter 0)
const char kBlock0[] = "028553d821db1e8d1bc66ba574c0e31031052931";
// printf '\x00\x01...\x13\x01\x00\x00\x00' | openssl sha1 (state, counter 1)
const char kBlock1[] = "44ec8406c3ee31b352bdcc47237aa6a3268914d2";

// Every request takes whole blocks, as a value too.
TEST(RandomPoolTest, BlocksAreDigestsOfStateAndCounter) {
  CountingState state;
  RandomPool pool(state.bytes);
  std::vector<uint8_t> out(45, 0xEE);
  ASSERT_EQ(pool.Generate(out.data(), 25), kOk);
  std::vector<uint8_t> expected = test::FromHex(kBlock0);
  std::vector<uint8_t> second = test::FromHex(kBlock1);
  expected.insert(expected.end(), second.begin(), second.begin() + 5);
  EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 25), expected);
  EXPECT_EQ(out[25], 0xEE) << "wrote past the request";
  EXPECT_EQ(pool.GetCounter(), 2u);
  RandomPool exact(state.bytes);
  TagValue value;
  ASSERT_EQ(exact.RandomBytes(value, 20), kOk);
  EXPECT_EQ(test::BytesOf(value), test::FromHex(kBlock0));
  EXPECT_EQ(exact.GetCounter(), 1u);
}

TEST(RandomPoolTest, PoolsSeededTogetherStillDiffer) {
  // Seeded from the OS generator, not the clock: two pools made in the same
  // instant must not agree.
  RandomPool a;
  RandomPool b;
  uint8_t from_a[16];
  uint8_t from_b[16];
  ASSERT_EQ(a.Generate(from_a, sizeof from_a), kOk);
  ASSERT_EQ(b.Generate(from_b, sizeof from_b), kOk);
  EXPECT_NE(std::vector<uint8_t>(from_a, from_a + 16), std::vector<uint8_t>(from_b, from_b + 16));
}

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
