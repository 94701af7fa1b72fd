// Compression on top of encipherment: round trips across frame and chunk
// boundaries, and the answers to damaged input.
#include "crypto/crypt_stack.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "stream/memory_stream.h"
#include "tests/support/sample_data.h"

namespace mv {
namespace {

const String kPassword("correct horse");

const unsigned kDefaultWorkers = CompressionStream::DefaultWorkerCount();

std::vector<uint8_t> Seal(CipherId id, uint32_t setting, const std::vector<uint8_t>& data,
                          unsigned workers = kDefaultWorkers) {
  MemoryStream sink;
  sink.OpenWrite();
  CryptStack stack;
  stack.SetWorkerCount(workers);
  EXPECT_EQ(stack.Open(&sink, kPassword, nullptr, id, setting), kOk);
  // Uneven pieces, so that neither block nor chunk ends line up with them.
  const size_t piece = 77777;
  for (size_t at = 0; at < data.size(); at += piece) {
    size_t n = std::min(piece, data.size() - at);
    EXPECT_EQ(stack.Write(data.data() + at, static_cast<uint32_t>(n)), kOk);
  }
  EXPECT_EQ(stack.Close(), kOk);
  return sink.GetData();
}

// Reads size bytes in pieces; the first failure, or kOk.
Result Unseal(const std::vector<uint8_t>& sealed, CipherId id, uint32_t setting, size_t size,
              size_t piece, std::vector<uint8_t>& out, unsigned workers = kDefaultWorkers) {
  MemoryStream source;
  CryptStack stack;
  stack.SetWorkerCount(workers);
  source.OpenRead(sealed);
  Result result = stack.Open(&source, kPassword, nullptr, id, setting);
  if (result != kOk) return result;
  out.assign(size, 0);
  for (size_t at = 0; at < size; at += piece) {
    size_t n = std::min(piece, size - at);
    result = stack.Read(out.data() + at, static_cast<uint32_t>(n));
    if (result != kOk) return result;
  }
  return stack.Close();
}

// Plain bytes whose frames at setting 0 fill exactly one chunk: every frame
// adds a 5-byte head to at most 65535 bytes.
size_t PlainForOneChunk(CipherId id) {
  size_t limit = BlockCipher::BlockSize(id) * CipherStreamBase::kChunkBlocks;
  for (size_t plain = limit; plain > 0; --plain) {
    if (plain + 5 * ((plain + 65534) / 65535) == limit) return plain;
  }
  return 0;
}

// Packing on worker threads gives the bytes of packing alone (same input,
// key and vector), and either reader reads either, across frame and chunk
// boundaries of both ciphers (whose chunks differ in size).
TEST(CryptStackTest, WorkerThreadsChangeNoByte) {
  std::vector<uint8_t> data = test::MixedBytes(2 * 1048576 + 777, 31);
  for (auto [id, setting] : {std::pair{kCipherBlowfish, 1u}, std::pair{kCipherAes, 2u}}) {
    const std::vector<uint8_t> alone = Seal(id, setting, data, 0);
    for (unsigned workers : {1u, 3u}) {
      EXPECT_EQ(Seal(id, setting, data, workers), alone) << setting << "/" << workers;
      std::vector<uint8_t> back;
      ASSERT_EQ(Unseal(alone, id, setting, data.size(), 70000, back, workers), kOk);
      EXPECT_EQ(back, data);
    }
  }
}

TEST(CryptStackTest, ExactlyOneFullChunkWritesNoEmptySecondChunk) {
  for (CipherId id : {kCipherBlowfish, kCipherAes}) {
    size_t block = BlockCipher::BlockSize(id);
    size_t chunk = block * CipherStreamBase::kChunkBlocks;
    size_t plain = PlainForOneChunk(id);
    ASSERT_NE(plain, 0u);
    std::vector<uint8_t> data = test::NoiseBytes(plain, 1);
    EXPECT_EQ(Seal(id, 0, data).size(), 2 + block + chunk) << int(id);
    data.push_back(9);
    std::vector<uint8_t> sealed = Seal(id, 0, data);
    EXPECT_EQ(sealed.size(), 2 + block + chunk + block + block) << int(id);
    std::vector<uint8_t> back;
    ASSERT_EQ(Unseal(sealed, id, 0, data.size(), 100000, back), kOk);
    EXPECT_EQ(back, data);
  }
}

// Damaged compressed data under a sound length block (a damaged length
// block and a cut chunk are refused in the package reader's table).
TEST(CryptStackTest, DamagedCompressedDataIsDecompressionFailure) {
  std::vector<uint8_t> data = test::MixedBytes(600000, 4, 0);
  std::vector<uint8_t> sealed = Seal(kCipherAes, 1, data);
  sealed[2 + 16 + 40] ^= 0xFF;
  std::vector<uint8_t> back;
  for (unsigned workers : {0u, 2u}) {
    EXPECT_EQ(Unseal(sealed, kCipherAes, 1, data.size(), 100000, back, workers), kDecompressionFailed)
        << workers << " workers";
  }
}

// A sink that takes a fixed number of bytes and then fails like a full disk.
class ShortSink : public Stream {
 public:
  explicit ShortSink(size_t room) : room_(room) { Open(kWriting, nullptr); }
  Result Write(const void* buffer, uint32_t length) override {
    Result result = Stream::Write(buffer, length);
    if (result != kOk) return result;
    if (length > room_) return RecordError(kShortWrite);
    room_ -= length;
    return kOk;
  }

 private:
  size_t room_;
};

TEST(CryptStackTest, CloseReportsALastChunkThatCannotBeWritten) {
  std::vector<uint8_t> data = test::NoiseBytes(1000, 3);
  ShortSink sink(100);
  CryptStack stack;
  ASSERT_EQ(stack.Open(&sink, kPassword, nullptr, kCipherAes, 0), kOk);
  // Everything is still buffered: the write itself succeeds.
  ASSERT_EQ(stack.Write(data.data(), static_cast<uint32_t>(data.size())), kOk);
  EXPECT_EQ(stack.Close(), kShortWrite);
  EXPECT_EQ(stack.GetMode(), Stream::kClosed);
}

}  // namespace
}  // namespace mv
