// The chunked cipher stream: its byte layout, chunk boundaries, the chains
// running across chunks, and the reader's answers to damaged input.
#include "crypto/cipher_stream.h"

#include <gtest/gtest.h>

#include <vector>

#include "crypto/key_derivation.h"
#include "stream/memory_stream.h"
#include "tests/support/sample_data.h"

namespace mv {
namespace {

const String kPassword("correct horse");

std::vector<uint8_t> WriteThrough(CipherId id, const std::vector<uint8_t>& data) {
  MemoryStream sink;
  sink.OpenWrite();
  CipherStream cipher;
  EXPECT_EQ(cipher.Open(&sink, kPassword, nullptr, id), kOk);
  if (!data.empty()) { EXPECT_EQ(cipher.Write(data.data(), static_cast<uint32_t>(data.size())), kOk); }
  EXPECT_EQ(cipher.Close(), kOk);
  return sink.GetData();
}

// Reads size bytes back; the result code of the read.
Result ReadBack(CipherId id, const std::vector<uint8_t>& stored, std::vector<uint8_t>& out,
                size_t size) {
  MemoryStream source;
  source.OpenRead(stored);
  CipherStream cipher;
  Result result = cipher.Open(&source, kPassword, nullptr, id);
  if (result != kOk) return result;
  out.assign(size, 0);
  return cipher.Read(out.data(), static_cast<uint32_t>(size));
}

TEST(CipherStreamTest, StoredSizeFollowsChunkLayout) {
  struct Case {
    CipherId id;
    size_t plain;
    size_t stored;
  } cases[] = {
      {kCipherAes, 0, 2},
      {kCipherAes, 17, 2 + 16 + 32},
      {kCipherAes, 1048577, 2 + 16 + 1048576 + 16 + 16},
      {kCipherBlowfish, 524288, 2 + 8 + 524288},
  };
  // 2 bytes of password check, then per chunk a length block and the data
  // rounded up to whole blocks.
  for (const Case& c : cases) {
    std::vector<uint8_t> data = test::NoiseBytes(c.plain, c.plain);
    std::vector<uint8_t> stored = WriteThrough(c.id, data);
    EXPECT_EQ(stored.size(), c.stored) << "cipher " << int(c.id) << ", " << c.plain << " bytes";
    std::vector<uint8_t> back;
    EXPECT_EQ(ReadBack(c.id, stored, back, c.plain), kOk);
    EXPECT_EQ(back, data);
  }
}

// The password check, low byte first, then the length block and the data
// block, each deciphering with a chain of its own.
TEST(CipherStreamTest, ByteLayoutOfAShortStream) {
  std::vector<uint8_t> stored = WriteThrough(kCipherBlowfish, {1, 2, 3});
  ASSERT_EQ(stored.size(), 2u + 8 + 8);
  uint16_t verifier = 0;
  ASSERT_EQ(ComputeVerifier(kPassword, verifier), kOk);
  EXPECT_EQ(stored[0], verifier & 0xFF);
  EXPECT_EQ(stored[1], verifier >> 8);
  BlockCipher length_chain;
  BlockCipher data_chain;
  ASSERT_EQ(length_chain.Init(kCipherBlowfish, kCipherDecrypt, kPassword, nullptr), kOk);
  ASSERT_EQ(data_chain.Init(kCipherBlowfish, kCipherDecrypt, kPassword, nullptr), kOk);
  ASSERT_EQ(length_chain.Decrypt(stored.data() + 2, 8), kOk);
  ASSERT_EQ(data_chain.Decrypt(stored.data() + 10, 8), kOk);
  EXPECT_EQ(std::vector<uint8_t>(stored.begin() + 2, stored.end()),
            (std::vector<uint8_t>{3, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 0, 0, 0, 0, 0}));
}

TEST(CipherStreamTest, IdenticalChunksDoNotRepeatCiphertext) {
  const size_t limit = 524288;
  std::vector<uint8_t> stored = WriteThrough(kCipherBlowfish, std::vector<uint8_t>(2 * limit, 0));
  ASSERT_EQ(stored.size(), 2 + 2 * (8 + limit));
  std::vector<uint8_t> first(stored.begin() + 2, stored.begin() + 2 + 8 + limit);
  std::vector<uint8_t> second(stored.begin() + 2 + 8 + limit, stored.end());
  EXPECT_NE(first, second);
  // Within a chunk as well: zero plaintext does not give repeating blocks.
  EXPECT_NE(std::vector<uint8_t>(first.begin() + 8, first.begin() + 16),
            std::vector<uint8_t>(first.begin() + 16, first.begin() + 24));
}

TEST(CipherStreamTest, WrongOrMissingPasswordCheckIsWrongPassword) {
  std::vector<uint8_t> stored = WriteThrough(kCipherAes, test::NoiseBytes(100, 1));
  MemoryStream source;
  source.OpenRead(stored);
  CipherStream cipher;
  EXPECT_EQ(cipher.Open(&source, String("correct horse "), nullptr, kCipherAes), kWrongPassword);
  EXPECT_EQ(cipher.GetMode(), Stream::kClosed);
  MemoryStream one_byte;
  one_byte.OpenRead(stored.data(), 1);
  EXPECT_EQ(cipher.Open(&one_byte, kPassword, nullptr, kCipherAes), kWrongPassword);
}

// A stream holding the password check and one length block announcing
// length, followed by trailing bytes.
std::vector<uint8_t> ForgedLengthBlock(CipherId id, uint32_t length, size_t trailing) {
  uint16_t verifier = 0;
  EXPECT_EQ(ComputeVerifier(kPassword, verifier), kOk);
  std::vector<uint8_t> stored = {static_cast<uint8_t>(verifier),
                                 static_cast<uint8_t>(verifier >> 8)};
  std::vector<uint8_t> block(BlockCipher::BlockSize(id), 0);
  for (int i = 0; i < 4; ++i) block[i] = static_cast<uint8_t>(length >> (8 * i));
  BlockCipher length_chain;
  EXPECT_EQ(length_chain.Init(id, kCipherEncrypt, kPassword, nullptr), kOk);
  EXPECT_EQ(length_chain.Encrypt(block.data(), static_cast<uint32_t>(block.size())), kOk);
  stored.insert(stored.end(), block.begin(), block.end());
  stored.resize(stored.size() + trailing, 0xAB);
  return stored;
}

TEST(CipherStreamTest, OversizedLengthFailsWithoutReadingFurther) {
  // The largest length is the limit itself; its data then runs short here,
  // which is the inner stream's failure, not a length failure.
  struct Case {
    CipherId id;
    uint32_t length;
    Result result;
  } cases[] = {{kCipherAes, 1048577, kCipherFailed}, {kCipherBlowfish, 524288, kShortRead}};
  for (const Case& c : cases) {
    MemoryStream source;
    source.OpenRead(ForgedLengthBlock(c.id, c.length, 5000));
    CipherStream cipher;
    ASSERT_EQ(cipher.Open(&source, kPassword, nullptr, c.id), kOk);
    uint8_t byte = 0;
    EXPECT_EQ(cipher.Read(&byte, 1), c.result) << c.length;
    if (c.result != kCipherFailed) continue;
    EXPECT_EQ(source.GetRemaining(), 5000u) << "read past the length block";
    EXPECT_EQ(cipher.Read(&byte, 1), kCipherFailed) << "not sticky";
  }
}

}  // namespace
}  // namespace mv
