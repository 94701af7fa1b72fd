// The two cipher adapters and the cipher selector: known answers from an
// independent implementation, the chain carried across calls, and the
// result codes of the set-up and block operations.
#include "crypto/block_cipher.h"

#include <gtest/gtest.h>

#include <vector>

#include "stream/tag_value.h"
#include "tests/support/sample_data.h"

namespace mv {
namespace {

// The 32 plaintext bytes of every vector below.
const char kPlain[] = "Morvalis test plaintext, 32 byte";

std::vector<uint8_t> PlainBytes() { return std::vector<uint8_t>(kPlain, kPlain + 32); }

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
    TagValue first_vector;
    if (v.vector != nullptr) first_vector = test::BlobOf(test::FromHex(v.vector));
    const TagValue* vector = v.vector != nullptr ? &first_vector : nullptr;

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
    if (c.id != 255) EXPECT_EQ(cipher.Init(c.id, c.mode, String("pw"), c.vector < 0 ? nullptr : &vector), c.init);
    if (c.init != kOk && c.block == kOk) continue;  // a refused set-up: nothing to run
    std::vector<uint8_t> bytes = test::NoiseBytes(c.length, 9);
    TagValue value = test::BlobOf(bytes);
    EXPECT_EQ(cipher.Encrypt(value), c.block) << "length " << c.length;
    EXPECT_EQ(std::vector<uint8_t>(value.GetBytes(), value.GetBytes() + c.length), bytes);
    EXPECT_EQ(cipher.Decrypt(value), c.block);
  }
}

}  // namespace
}  // namespace mv
