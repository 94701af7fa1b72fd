// Single-block sealing of a 32-bit number: known answers and result codes.
#include "crypto/seal_length.h"

#include <gtest/gtest.h>

#include <vector>

#include "stream/tag_value.h"
#include "tests/support/sample_data.h"

namespace mv {
namespace {

struct SealVector {
  CipherId id;
  const char* vector;
  const char* sealed;
};

const SealVector kSealVectors[] = {
    // printf '\x78\x56\x34\x12\x00\x00\x00\x00' | openssl enc -provider legacy -provider default
    //   -bf-cbc -K $(printf 'pw_Marrowel' | openssl sha1 | cut -c10-41) -iv 0102030405060708
    //   -nopad | xxd -p
    {kCipherBlowfish, "0102030405060708", "5ea598b0b2e24772"},
    // printf '\x78\x56\x34\x12' followed by 12 zero bytes | openssl enc -aes-128-cbc
    //   -K $(printf 'pw_KYT' | openssl sha1 | cut -c10-41) -iv 00000000000000000000000000000000
    //   -nopad | xxd -p
    {kCipherAes, nullptr, "8cb9fbc6362ea8ef2ee6cec68fb03247"},
};

TEST(SealLengthTest, KnownAnswersAndRoundTrip) {
  for (const SealVector& v : kSealVectors) {
    TagValue first_vector;
    if (v.vector != nullptr) first_vector = test::BlobOf(test::FromHex(v.vector));
    const TagValue* vector = v.vector != nullptr ? &first_vector : nullptr;
    TagValue sealed;
    ASSERT_EQ(SealLength(0x12345678, String("pw"), v.id, vector, sealed), kOk);
    ASSERT_EQ(sealed.GetType(), TypeBlob);
    EXPECT_EQ(std::vector<uint8_t>(sealed.GetBytes(), sealed.GetBytes() + sealed.GetLength()),
              test::FromHex(v.sealed));

    TagValue kept(sealed);
    uint32_t value = 0;
    ASSERT_EQ(UnsealLength(sealed, String("pw"), v.id, vector, value), kOk);
    EXPECT_EQ(value, 0x12345678u);
    EXPECT_EQ(TagValue::Compare(kept, sealed), 0) << "the input was changed";

    ASSERT_EQ(UnsealLength(sealed, String("pW"), v.id, vector, value), kOk);
    EXPECT_NE(value, 0x12345678u);
  }
}

TEST(SealLengthTest, ResultCodes) {
  TagValue out;
  TagValue eight;
  eight.SetBlobSize(8);
  uint32_t value = 5;
  EXPECT_EQ(SealLength(1, String("pw"), kCipherReserved, nullptr, out), kCipherNotSupported);
  EXPECT_EQ(SealLength(1, String("pw"), kCipherAes, &eight, out), kBadVector);
  EXPECT_EQ(UnsealLength(eight, String("pw"), kCipherAes, nullptr, value), kBadBlockLength);
  EXPECT_EQ(value, 0u);
}

}  // namespace
}  // namespace mv
