// Compression on top of encipherment: round trips across block, frame and
// chunk boundaries, and the answers to damaged or hostile input.
#include "crypto/crypt_stack.h"

#include <gtest/gtest.h>

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

void ExpectRoundTrip(CipherId id, uint32_t setting, size_t size, size_t piece) {
  std::vector<uint8_t> data = test::MixedBytes(size, size + setting);
  std::vector<uint8_t> back;
  ASSERT_EQ(Unseal(Seal(id, setting, data), id, setting, size, piece, back), kOk)
      << "cipher " << int(id) << " setting " << setting << " size " << size << " piece " << piece;
  EXPECT_EQ(back, data);
}

// One setting per cipher at the block, frame and chunk boundaries.
TEST(CryptStackTest, RoundTripsAcrossBoundaries) {
  for (CipherId id : {kCipherBlowfish, kCipherAes}) {
    size_t chunk = BlockCipher::BlockSize(id) * CipherStreamBase::kChunkBlocks;
    uint32_t setting = id == kCipherAes ? 2 : 1;
    for (size_t size : {size_t{1}, size_t{65535}, size_t{65536}}) {
      ExpectRoundTrip(id, setting, size, 1);
    }
    ExpectRoundTrip(id, setting, chunk, 4099);
    ExpectRoundTrip(id, setting, chunk + 1, 100000);
  }
}

TEST(CryptStackTest, MultiMegabyteRoundTripsInEverySetting) {
  for (uint32_t setting : {0u, 1u, 2u}) ExpectRoundTrip(kCipherAes, setting, 3 * 1048576 + 12345, 100000);
  ExpectRoundTrip(kCipherBlowfish, 1, 3 * 1048576 + 12345, 100000);
}

// Packing on worker threads gives the bytes of packing alone (same input,
// key and vector), and either reader reads either.
TEST(CryptStackTest, WorkerThreadsChangeNoByte) {
  std::vector<uint8_t> data = test::MixedBytes(2 * 1048576 + 777, 31);
  for (uint32_t setting : {1u, 2u}) {
    const std::vector<uint8_t> alone = Seal(kCipherAes, setting, data, 0);
    for (unsigned workers : {1u, 3u}) {
      EXPECT_EQ(Seal(kCipherAes, setting, data, workers), alone) << setting << "/" << workers;
      std::vector<uint8_t> back;
      ASSERT_EQ(Unseal(alone, kCipherAes, setting, data.size(), 70000, back, workers), kOk);
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

// Frames that are well enciphered but not what a writer makes (the frame
// rules themselves are covered with the compression stream).
TEST(CryptStackTest, GarbageFramesUnderSoundEncipherment) {
  struct Case {
    const char* what;
    std::vector<uint8_t> frames;
    Result result;
  } cases[] = {
      {"stored length 65536", {1, 0x00, 0x00, 0x01, 0x00}, kDecompressionFailed},
      {"not zlib data", {1, 4, 0, 0, 0, 1, 2, 3, 4}, kDecompressionFailed},
  };
  for (const Case& c : cases) {
    MemoryStream sink;
    sink.OpenWrite();
    CipherStream cipher;
    ASSERT_EQ(cipher.Open(&sink, kPassword, nullptr, kCipherAes), kOk);
    ASSERT_EQ(cipher.Write(c.frames.data(), static_cast<uint32_t>(c.frames.size())), kOk);
    ASSERT_EQ(cipher.Close(), kOk);
    std::vector<uint8_t> back;
    EXPECT_EQ(Unseal(sink.GetData(), kCipherAes, 2, 10, 10, back), c.result) << c.what;
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
