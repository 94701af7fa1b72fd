// The compression layer: frame layout and levels, block boundaries, the
// block functions' codes, and the reader's answers to damaged frames.
#include "stream/compression_stream.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <vector>

#include "stream/memory_stream.h"
#include "tests/support/sample_data.h"

namespace mv {
namespace {

std::vector<uint8_t> Compress(const std::vector<uint8_t>& data, uint32_t setting) {
  MemoryStream sink;
  sink.OpenWrite();
  CompressionStream compression;
  EXPECT_EQ(compression.Open(&sink, setting), kOk);
  if (!data.empty()) { EXPECT_EQ(compression.Write(data.data(), static_cast<uint32_t>(data.size())), kOk); }
  EXPECT_EQ(compression.Close(), kOk);
  return sink.GetData();
}

// Reads size bytes back in pieces; the first failing result, or kOk.
Result Decompress(const std::vector<uint8_t>& frames, uint32_t setting, size_t size,
                  std::vector<uint8_t>& out, size_t piece = 1u << 30,
                  unsigned workers = CompressionStream::DefaultWorkerCount()) {
  MemoryStream source;
  source.OpenRead(frames);
  CompressionStream compression;
  compression.SetWorkerCount(workers);
  Result result = compression.Open(&source, setting);
  if (result != kOk) return result;
  out.assign(size, 0);
  for (size_t at = 0; at < size; at += piece) {
    size_t n = std::min(piece, size - at);
    result = compression.Read(out.data() + at, static_cast<uint32_t>(n));
    if (result != kOk) return result;
  }
  return kOk;
}

std::vector<uint8_t> FrameBytes(uint8_t flag, const std::vector<uint8_t>& data,
                                uint32_t stored_length) {
  std::vector<uint8_t> bytes = {flag};
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(stored_length >> (8 * i)));
  bytes.insert(bytes.end(), data.begin(), data.end());
  return bytes;
}

std::vector<uint8_t> ZlibOf(const std::vector<uint8_t>& data, int level) {
  std::vector<uint8_t> out(compressBound(data.size()));
  uLongf length = out.size();
  EXPECT_EQ(compress2(out.data(), &length, data.data(), data.size(), level), Z_OK);
  out.resize(length);
  return out;
}

TEST(CompressionStreamTest, FramesPerBlockAndSetting) {
  // Blocks end every 65535 bytes; setting 1 packs at level 9, 2 at level 3,
  // a block that does not shrink is stored raw (flag 0), and setting 0
  // always stores raw with flag 1.
  const std::vector<uint8_t> text = test::MixedBytes(65535, 6, 0), noise = test::NoiseBytes(7, 4);
  std::vector<uint8_t> data = text;
  data.insert(data.end(), noise.begin(), noise.end());
  struct Case {
    uint32_t setting;
    uint8_t flags[2];
    std::vector<uint8_t> first;
  } cases[] = {{1, {1, 0}, ZlibOf(text, 9)}, {2, {1, 0}, ZlibOf(text, 3)}, {0, {1, 1}, text}};
  for (const Case& c : cases) {
    std::vector<uint8_t> expected = FrameBytes(c.flags[0], c.first, uint32_t(c.first.size()));
    const std::vector<uint8_t> last = FrameBytes(c.flags[1], noise, 7);
    expected.insert(expected.end(), last.begin(), last.end());
    EXPECT_EQ(Compress(data, c.setting), expected) << "setting " << c.setting;
  }
  EXPECT_TRUE(Compress({}, 1).empty());
}

// Workers read ahead, but a reader sees a damaged frame exactly where one
// reader alone would: not while it reads the blocks before it.
TEST(CompressionStreamTest, WorkersReportDamageInItsPlace) {
  std::vector<uint8_t> data = test::MixedBytes(5 * 65535, 21);
  std::vector<uint8_t> frames = Compress(data, 1);
  frames[frames.size() - 20] ^= 0x55;  // inside the last frame's data
  const size_t before_last = 4 * 65535;
  for (unsigned workers : {0u, 1u, 3u}) {
    std::vector<uint8_t> back;
    EXPECT_EQ(Decompress(frames, 1, before_last, back, 1000, workers), kOk) << workers;
    EXPECT_TRUE(std::equal(back.begin(), back.end(), data.begin())) << workers;
    EXPECT_EQ(Decompress(frames, 1, data.size(), back, 1000, workers), kDecompressionFailed) << workers;
    EXPECT_EQ(Decompress(frames, 1, data.size(), back, 1u << 30, workers), kDecompressionFailed)
        << workers;
  }
}

TEST(CompressionStreamTest, OpenResultCodes) {
  MemoryStream closed;
  MemoryStream sink;
  sink.OpenWrite();
  CompressionStream compression;
  EXPECT_EQ(compression.Open(nullptr, 1), kNotOpen);
  EXPECT_EQ(compression.Open(&closed, 1), kNotOpen);
  EXPECT_EQ(compression.Open(&sink, 3), kUnsupported);
}

TEST(CompressionStreamTest, DamagedFramesFail) {
  std::vector<uint8_t> block = test::MixedBytes(5000, 3, 0);
  std::vector<uint8_t> packed = ZlibOf(block, 9);
  std::vector<uint8_t> too_long = ZlibOf(std::vector<uint8_t>(65536, 0), 9);
  std::vector<uint8_t> garbage = test::NoiseBytes(300, 8);
  struct Case {
    const char* what;
    std::vector<uint8_t> frames;
    uint32_t setting;
    Result result;
  } cases[] = {
      {"stored length 65536", FrameBytes(1, std::vector<uint8_t>(65536, 0), 65536), 1,
       kDecompressionFailed},
      {"stored length 2^32-1", FrameBytes(0, {}, 0xFFFFFFFF), 1, kDecompressionFailed},
      {"stored length 0, setting 0", FrameBytes(1, {}, 0), 0, kDecompressionFailed},
      {"garbage with flag", FrameBytes(1, garbage, 300), 1, kDecompressionFailed},
      {"inflates past a block", FrameBytes(1, too_long, uint32_t(too_long.size())), 2,
       kDecompressionFailed},
      {"data cut short", FrameBytes(1, packed, uint32_t(packed.size() + 1)), 1, kShortRead},
      {"head cut short", std::vector<uint8_t>{1, 0, 0}, 1, kShortRead},
      {"sound frame", FrameBytes(1, packed, uint32_t(packed.size())), 1, kOk},
      {"garbage without flag", FrameBytes(0, garbage, 300), 1, kOk},
  };
  for (const Case& c : cases) {
    for (unsigned workers : {0u, 2u}) {
      MemoryStream source;
      source.OpenRead(c.frames);
      CompressionStream compression;
      compression.SetWorkerCount(workers);
      ASSERT_EQ(compression.Open(&source, c.setting), kOk);
      uint8_t first = 0;
      EXPECT_EQ(compression.Read(&first, 1), c.result) << c.what << ", " << workers << " workers";
      if (c.result != kOk) {
        EXPECT_EQ(compression.Read(&first, 1), c.result) << c.what << ": not sticky";
      }
    }
  }
}

}  // namespace
}  // namespace mv
