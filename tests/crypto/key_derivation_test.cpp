// Password verifier and key derivation against digests computed with an
// independent tool (the command beside each value).
#include "crypto/key_derivation.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "tests/support/sample_data.h"

namespace mv {
namespace {

TEST(KeyDerivationTest, VerifierIsFirstTwoDigestBytesLowFirst) {
  uint16_t verifier = 0;
  // printf 'correct horse' | openssl sha1 → 2f9e5352...
  ASSERT_EQ(ComputeVerifier(String("correct horse"), verifier), kOk);
  EXPECT_EQ(verifier, 0x9e2f);
  verifier = 0;
  ASSERT_EQ(ComputeVerifier(String("correct"), String(" horse"), verifier), kOk);
  EXPECT_EQ(verifier, 0x9e2f);
  // printf '' | openssl sha1 → da39a3ee...: the empty password is valid
  ASSERT_EQ(ComputeVerifier(String(), verifier), kOk);
  EXPECT_EQ(verifier, 0x39da);
}

TEST(KeyDerivationTest, KeyIsFirstSixteenBytesOfSuffixedPasswordDigest) {
  const std::pair<const char*, const char*> cases[] = {
      // printf 'correct horse_KYT' | openssl sha1
      {kAesKeySuffix, "03384abf7ef6f637bf92fe14480998e0"},
      // printf 'correct horse_Marrowel' | openssl sha1
      {kBlowfishKeySuffix, "73915d24640024b960705d60f20a81a8"},
  };
  for (const auto& [suffix, expected] : cases) {
    CipherKey key;
    ASSERT_EQ(DeriveCipherKey(String("correct horse"), suffix, key), kOk);
    EXPECT_EQ(std::vector<uint8_t>(key.bytes, key.bytes + kCipherKeySize), test::FromHex(expected))
        << suffix;
  }
}

}  // namespace
}  // namespace mv
