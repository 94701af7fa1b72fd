// SHA-1 through the digest object and over ranges: published answers (the
// incremental hashing itself is the crypto library's).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "crypto/sha1_hash.h"
#include "stream/tag_value.h"
#include "tests/support/sample_data.h"

namespace mv {
namespace {

// printf '' | openssl sha1; printf 'abc' | openssl sha1
const char kEmptyDigest[] = "da39a3ee5e6b4b0d3255bfef95601890afd80709";
const char kAbcDigest[] = "a9993e364706816aba3e25717850c26c9cd0d89d";

std::vector<uint8_t> DigestBytes(const uint8_t* digest) {
  return std::vector<uint8_t>(digest, digest + kSha1DigestSize);
}
std::vector<uint8_t> DigestBytes(const Sha1Hash& hash) { return DigestBytes(hash.Digest()); }

TEST(Sha1Test, HashBufferGivesPublishedDigests) {
  const std::pair<std::string, const char*> known[] = {
      {"", kEmptyDigest},
      {"abc", kAbcDigest},
      // printf 'abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq' | openssl sha1
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
  };
  for (const auto& [message, digest] : known) {
    Sha1Hash hash;
    ASSERT_EQ(hash.HashBuffer(message.data(), message.size()), kOk);
    EXPECT_EQ(DigestBytes(hash), test::FromHex(digest)) << message.size() << " bytes";
  }
}

TEST(Sha1Test, RangesHashAsTheirConcatenation) {
  const ByteRange pieces[] = {{"a", 1}, {nullptr, 0}, {"bc", 2}};
  uint8_t digest[kSha1DigestSize];
  ASSERT_EQ(Sha1OfRanges(pieces, 3, digest), kOk);
  EXPECT_EQ(DigestBytes(digest), test::FromHex(kAbcDigest));
  const ByteRange too_many[kMaxSha1Ranges + 1] = {};
  EXPECT_EQ(Sha1OfRanges(too_many, kMaxSha1Ranges + 1, digest), kBadArgument);
}

}  // namespace
}  // namespace mv
