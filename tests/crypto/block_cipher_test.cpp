// The two cipher adapters, the cipher selector and the single-block sealing
// of a 32-bit number: known answers from an independent implementation, the
// chain carried across calls, and the result codes.
#include "crypto/block_cipher.h"
#include "crypto/seal_length.h"

#include <gtest/gtest.h>

#include <vector>

#include "stream/tag_value.h"
#include "tests/support/sample_data.h"

namespace mv {
namespace {

// The 32 plaintext bytes of every vector below.
const char kPlain[] = "Morvalis test plaintext, 32 byte";

std::vector<uint8_t> PlainBytes() { return std::vector<uint8_t>(kPlain, kPlain + 32); }

// The initial vector of a hexadecimal text, kept in *storage; null for none.
const TagValue* VectorOf(const char* hex, TagValue* storage) {
  if (hex == nullptr) return nullptr;
  *storage = test::BlobOf(test::FromHex(hex));
  return storage;
}

struct AdapterVector {
  CipherId id;
  const char* vector;  // null: no vector (all zero bytes)
  const char* cipher;
};

// Password "correct horse"; keys as derived by
//   printf 'correct horse_KYT' | openssl sha1        → 03384abf7ef6f637bf92fe14480998e0
//   printf 'correct horse_Marrowel' | openssl sha1   → 73915d24640024b960705d60f20a81a8
const AdapterVector kAdapterVectors[] = {
    // printf 'Morvalis test plaintext, 32 byte' | openssl enc -aes-128-cbc
    //   -K 03384abf7ef6f637bf92fe14480998e0 -iv 00000000000000000000000000000000 -nopad | xxd -p
    {kCipherAes, nullptr, "e55cd3a65edf4eb2a5361204a6fdd231eee53e7b9ced340c836dd9e84a5d7e90"},
    // printf 'Morvalis test plaintext, 32 byte' | openssl enc -provider legacy -provider default
    //   -bf-cbc -K 73915d24640024b960705d60f20a81a8 -iv f0f1f2f3f4f5f6f7 -nopad | xxd -p
    {kCipherBlowfish, "f0f1f2f3f4f5f6f7",
     "7427d0f62b22150a408b4f349327da8ca8d0c5700cd8fad459c76f1658b1774b"},
};

TEST(BlockCipherTest, PasswordDerivedKnownAnswersAcrossCalls) {
  for (const AdapterVector& v : kAdapterVectors) {
    TagValue storage;
    const TagValue* vector = VectorOf(v.vector, &storage);

    BlockCipher writer;
    ASSERT_EQ(writer.Init(v.id, kCipherEncrypt, String("correct horse"), vector), kOk);
    TagValue data = test::BlobOf(PlainBytes());
    ASSERT_EQ(writer.Encrypt(data.GetBytes(), 16), kOk);
    ASSERT_EQ(writer.Encrypt(data.GetBytes() + 16, 16), kOk);
    EXPECT_EQ(std::vector<uint8_t>(data.GetBytes(), data.GetBytes() + 32), test::FromHex(v.cipher))
        << "cipher " << int(v.id);

    BlockCipher reader;
    ASSERT_EQ(reader.Init(v.id, kCipherDecrypt, String("correct horse"), vector), kOk);
    ASSERT_EQ(reader.Decrypt(data), kOk);
    EXPECT_EQ(std::vector<uint8_t>(data.GetBytes(), data.GetBytes() + 32), PlainBytes());
  }
}

// Set-up refusals, then block operations on what the set-up left; a refused
// call never changes the bytes.
TEST(BlockCipherTest, ResultCodes) {
  struct Case {
    CipherId id;  // 255: never initialised
    uint32_t mode;
    int vector;  // -1: none, else its byte count
    Result init;
    uint32_t length;
    Result block;
  } cases[] = {
      {kCipherBlowfish, kCipherEncrypt, 8, kOk, 12, kBadBlockLength},
      {kCipherBlowfish, kCipherEncrypt, 16, kBadVector, 0, kOk},
      {kCipherAes, 3, -1, kBadArgument, 0, kOk},
      {kCipherAes, 0, 20, kBadVector, 0, kOk},  // the vector is checked first
      {kCipherAes, kCipherEncrypt, -1, kOk, 8, kBadBlockLength},
      {kCipherAes, kCipherEncrypt, -1, kOk, 0, kOk},
      {kCipherReserved, kCipherEncrypt, -1, kCipherNotSupported, 5, kCipherNotSupported},
      {7, kCipherEncrypt, -1, kUnknownCipher, 16, kUnknownCipher},  // block size 0 must not reach a division
      {255, kCipherEncrypt, -1, kOk, 16, kNotOpen},  // the default selection, Blowfish, not set up
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "id " << int(c.id) << " mode " << c.mode << " vector " << c.vector);
    TagValue vector;
    if (c.vector > 0) vector.SetBlobSize(static_cast<uint32_t>(c.vector));
    BlockCipher cipher;
    if (c.id != 255) { EXPECT_EQ(cipher.Init(c.id, c.mode, String("pw"), c.vector < 0 ? nullptr : &vector), c.init); }
    if (c.init != kOk && c.block == kOk) continue;  // a refused set-up: nothing to run
    std::vector<uint8_t> bytes = test::NoiseBytes(c.length, 9);
    TagValue value = test::BlobOf(bytes);
    EXPECT_EQ(cipher.Encrypt(value), c.block) << "length " << c.length;
    EXPECT_EQ(std::vector<uint8_t>(value.GetBytes(), value.GetBytes() + c.length), bytes);
    EXPECT_EQ(cipher.Decrypt(value), c.block);
  }
}

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
    TagValue storage;
    const TagValue* vector = VectorOf(v.vector, &storage);
    TagValue sealed;
    ASSERT_EQ(SealLength(0x12345678, String("pw"), v.id, vector, sealed), kOk);
    ASSERT_EQ(sealed.GetType(), kTypeBlob);
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
