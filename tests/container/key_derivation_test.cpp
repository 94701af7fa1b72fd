// Password verifier and key derivation against digests computed with an
// independent tool (the command beside each value).
#include "container/key_derivation.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/sample_data.h"

namespace mv {
namespace {

struct VerifierCase {
  const char* first;
  const char* second;  // null: the one-text form
  uint16_t verifier;   // digest byte 0 + 256 * digest byte 1
};

TEST(KeyDerivationTest, VerifierIsFirstTwoDigestBytesLowFirst) {
  const VerifierCase cases[] = {
      // printf 'correct horse' | openssl sha1 → 2f9e5352...
      {"correct horse", nullptr, 0x9e2f},
      {"correct", " horse", 0x9e2f},
      // printf 'correct horse ' | openssl sha1 → e4bea762...: trailing blank counts
      {"correct horse ", nullptr, 0xbee4},
      // printf '' | openssl sha1 → da39a3ee...: the empty password is valid
      {"", nullptr, 0x39da},
  };
  for (const VerifierCase& c : cases) {
    uint16_t verifier = 0;
    if (c.second == nullptr) {
      ASSERT_EQ(ComputeVerifier(String(c.first), verifier), kOk);
    } else {
      ASSERT_EQ(ComputeVerifier(String(c.first), String(c.second), verifier), kOk);
    }
    EXPECT_EQ(verifier, c.verifier) << c.first << "|" << (c.second ? c.second : "(none)");
  }
  uint16_t verifier = 1;
  ASSERT_EQ(ComputeVerifier(String(), verifier), kOk);
  EXPECT_EQ(verifier, 0x39da);
}

struct KeyCase {
  const char* password;
  const char* suffix;
  const char* key;  // first 16 digest bytes
};

TEST(KeyDerivationTest, KeyIsFirstSixteenBytesOfSuffixedPasswordDigest) {
  const KeyCase cases[] = {
      // printf 'correct horse_KYT' | openssl sha1
      {"correct horse", kAesKeySuffix, "03384abf7ef6f637bf92fe14480998e0"},
      // printf 'correct horse_Marrowel' | openssl sha1
      {"correct horse", kBlowfishKeySuffix, "73915d24640024b960705d60f20a81a8"},
      // printf '_KYT' | openssl sha1
      {"", kAesKeySuffix, "65de5178b268216f908d2d3f69136250"},
      // printf '_Marrowel' | openssl sha1
      {"", kBlowfishKeySuffix, "c1636306a1647b640cc0ba71dddb9e69"},
  };
  for (const KeyCase& c : cases) {
    CipherKey key;
    ASSERT_EQ(DeriveCipherKey(String(c.password), c.suffix, key), kOk);
    EXPECT_EQ(std::vector<uint8_t>(key.bytes, key.bytes + kCipherKeySize), test::FromHex(c.key))
        << c.password << c.suffix;
  }
}

}  // namespace
}  // namespace mv
