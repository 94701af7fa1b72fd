// The compression layer: frame layout and levels, block boundaries, the
// block functions' codes, and the reader's answers to damaged frames.
#include "stream/compression_stream.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <vector>

#include "stream/memory_stream.h"
#include "tests/support/sample_data.h"

namespace mv {
namespace {

std::vector<uint8_t> Compress(const std::vector<uint8_t>& data, uint32_t setting,
                              size_t piece = 1u << 30) {
  MemoryStream sink;
  sink.OpenWrite();
  CompressionStream compression;
  EXPECT_EQ(compression.Open(&sink, setting), kOk);
  for (size_t at = 0; at < data.size(); at += piece) {
    size_t n = std::min(piece, data.size() - at);
    EXPECT_EQ(compression.Write(data.data() + at, static_cast<uint32_t>(n)), kOk);
  }
  EXPECT_EQ(compression.Close(), kOk);
  return sink.GetData();
}

// Reads size bytes back in pieces; the first failing result, or kOk.
Result Decompress(const std::vector<uint8_t>& frames, uint32_t setting, size_t size,
                  std::vector<uint8_t>& out, size_t piece = 1u << 30) {
  MemoryStream source;
  source.OpenRead(frames);
  CompressionStream compression;
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

struct Frame {
  uint8_t flag;
  std::vector<uint8_t> data;
};

// Splits frames apart; fails the test on a malformed sequence.
std::vector<Frame> SplitFrames(const std::vector<uint8_t>& bytes) {
  std::vector<Frame> frames;
  size_t at = 0;
  while (at < bytes.size()) {
    EXPECT_LE(at + 5, bytes.size());
    if (at + 5 > bytes.size()) break;
    uint32_t length = bytes[at + 1] | bytes[at + 2] << 8 | bytes[at + 3] << 16 |
                      static_cast<uint32_t>(bytes[at + 4]) << 24;
    EXPECT_LE(at + 5 + length, bytes.size());
    if (at + 5 + length > bytes.size()) break;
    frames.push_back(
        {bytes[at], std::vector<uint8_t>(bytes.begin() + at + 5, bytes.begin() + at + 5 + length)});
    at += 5 + length;
  }
  return frames;
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
  const std::vector<uint8_t> zeros(65535, 0);
  const std::vector<uint8_t> noise = test::NoiseBytes(65535, 4);
  const std::vector<uint8_t> text = test::MixedBytes(65535, 6, 0);
  struct Case {
    const std::vector<uint8_t>* block;
    uint32_t setting;
    uint8_t flag;
    int level;  // 0: stored raw
  } cases[] = {
      {&zeros, 1, 1, 9}, {&text, 1, 1, 9},  {&noise, 1, 0, 0}, {&zeros, 2, 1, 3},
      {&text, 2, 1, 3},  {&noise, 2, 0, 0}, {&zeros, 0, 1, 0}, {&noise, 0, 1, 0},
  };
  for (const Case& c : cases) {
    std::vector<Frame> frames = SplitFrames(Compress(*c.block, c.setting));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].flag, c.flag) << "setting " << c.setting;
    EXPECT_EQ(frames[0].data, c.level == 0 ? *c.block : ZlibOf(*c.block, c.level))
        << "setting " << c.setting << " level " << c.level;
  }
}

TEST(CompressionStreamTest, BlocksEndEvery65535Bytes) {
  struct Case {
    size_t size;
    std::vector<size_t> blocks;
  } cases[] = {
      {0, {}},
      {1, {1}},
      {65535, {65535}},
      {65536, {65535, 1}},
      {3 * 65535 + 7, {65535, 65535, 65535, 7}},
  };
  for (const Case& c : cases) {
    std::vector<Frame> frames = SplitFrames(Compress(test::NoiseBytes(c.size, 1), 0));
    std::vector<size_t> sizes;
    for (const Frame& frame : frames) sizes.push_back(frame.data.size());
    EXPECT_EQ(sizes, c.blocks) << c.size << " bytes";
  }
}

TEST(CompressionStreamTest, RoundTripsInAnyWriteAndReadPieces) {
  std::vector<uint8_t> data = test::MixedBytes(200000, 12);
  for (uint32_t setting : {0u, 1u, 2u}) {
    std::vector<uint8_t> frames = Compress(data, setting);
    EXPECT_EQ(Compress(data, setting, 1), frames) << "setting " << setting;
    EXPECT_EQ(Compress(data, setting, 70000), frames) << "setting " << setting;
    for (size_t piece : {size_t{1}, size_t{65535}, size_t{100000}}) {
      std::vector<uint8_t> back;
      ASSERT_EQ(Decompress(frames, setting, data.size(), back, piece), kOk)
          << "setting " << setting << " piece " << piece;
      EXPECT_EQ(back, data);
    }
    std::vector<uint8_t> back;
    EXPECT_EQ(Decompress(frames, setting, data.size() + 1, back), kShortRead) << "past the frames";
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
  EXPECT_EQ(compression.GetMode(), Stream::kClosed);
  EXPECT_EQ(compression.Open(&sink, 2), kOk);
  EXPECT_TRUE(compression.IsWriting());
  for (uint32_t setting = 0; setting < 300; ++setting) {
    EXPECT_EQ(CompressionStream::IsValidCompressionSetting(setting), setting <= 2) << setting;
  }
}

TEST(CompressionStreamTest, DamagedFramesFail) {
  std::vector<uint8_t> block = test::MixedBytes(5000, 3, 0);
  std::vector<uint8_t> packed = ZlibOf(block, 9);
  std::vector<uint8_t> too_long = ZlibOf(std::vector<uint8_t>(65536, 0), 9);
  std::vector<uint8_t> empty = ZlibOf({}, 9);
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
      {"stored length 0", FrameBytes(0, {}, 0), 1, kDecompressionFailed},
      {"stored length 0, setting 0", FrameBytes(1, {}, 0), 0, kDecompressionFailed},
      {"garbage with flag", FrameBytes(1, garbage, 300), 1, kDecompressionFailed},
      {"inflates past a block", FrameBytes(1, too_long, uint32_t(too_long.size())), 2,
       kDecompressionFailed},
      {"inflates to nothing", FrameBytes(1, empty, uint32_t(empty.size())), 1,
       kDecompressionFailed},
      {"data cut short", FrameBytes(1, packed, uint32_t(packed.size() + 1)), 1, kShortRead},
      {"head cut short", std::vector<uint8_t>{1, 0, 0}, 1, kShortRead},
      {"no frame at all", {}, 2, kShortRead},
      {"sound frame", FrameBytes(1, packed, uint32_t(packed.size())), 1, kOk},
      {"garbage without flag", FrameBytes(0, garbage, 300), 1, kOk},
  };
  for (const Case& c : cases) {
    MemoryStream source;
    source.OpenRead(c.frames);
    CompressionStream compression;
    ASSERT_EQ(compression.Open(&source, c.setting), kOk);
    uint8_t first = 0;
    EXPECT_EQ(compression.Read(&first, 1), c.result) << c.what;
    if (c.result != kOk) {
      EXPECT_EQ(compression.Read(&first, 1), c.result) << c.what << ": not sticky";
    }
  }
}

// One call of a block function and what it must leave behind.
struct BlockCase {
  const char* what;
  TagValue block;
  uint32_t setting;
  Result result;
  std::vector<uint8_t> after;  // the block's bytes afterwards, when it is a blob
};

void RunBlockCases(Result (*function)(TagValue&, uint32_t), std::vector<BlockCase>& cases) {
  for (BlockCase& c : cases) {
    EXPECT_EQ(function(c.block, c.setting), c.result) << c.what;
    if (c.block.GetType() == TypeBlob) {
      EXPECT_EQ(test::BytesOf(c.block), c.after) << c.what;
    }
  }
}

TagValue Number() {
  TagValue number;
  number.SetU32Value(5);
  return number;
}

TEST(CompressionStreamTest, CompressBlockResultCodes) {
  std::vector<uint8_t> zeros(1000, 0);
  std::vector<uint8_t> noise = test::NoiseBytes(1000, 1);
  std::vector<uint8_t> too_long(1048577, 0);
  std::vector<BlockCase> cases = {
      {"setting 0", test::BlobOf(zeros), 0, kOk, zeros},
      {"setting 3", test::BlobOf(zeros), 3, kBadCompression, zeros},
      {"level 9", test::BlobOf(zeros), 1, kOk, ZlibOf(zeros, 9)},
      {"level 3", test::BlobOf(zeros), 2, kOk, ZlibOf(zeros, 3)},
      {"no gain", test::BlobOf(noise), 1, kDecompressionFailed, noise},
      {"one byte", test::BlobOf({7}), 2, kDecompressionFailed, {7}},
      {"empty", test::BlobOf({}), 1, kOk, {}},
      {"not a blob", Number(), 1, kBadArgument, {}},
      {"longer than 1 MiB", test::BlobOf(too_long), 1, kBadArgument, too_long},
  };
  RunBlockCases(&CompressionStream::CompressBlock, cases);
}

TEST(CompressionStreamTest, DecompressBlockResultCodes) {
  std::vector<uint8_t> big(100000, 'x');
  std::vector<uint8_t> huge_packed = ZlibOf(std::vector<uint8_t>(1048577, 0), 9);
  std::vector<uint8_t> garbage = test::NoiseBytes(100, 3);
  std::vector<BlockCase> cases = {
      {"setting 0", test::BlobOf({1, 2, 3}), 0, kOk, {1, 2, 3}},
      {"setting 3", test::BlobOf({1, 2, 3}), 3, kBadCompression, {1, 2, 3}},
      {"larger than a stream block", test::BlobOf(ZlibOf(big, 9)), 1, kOk, big},
      {"larger than 1 MiB", test::BlobOf(huge_packed), 1, kDecompressionFailed, huge_packed},
      {"garbage", test::BlobOf(garbage), 2, kDecompressionFailed, garbage},
      {"not a blob", Number(), 1, kFailed, {}},
  };
  RunBlockCases(&CompressionStream::DecompressBlock, cases);
}

}  // namespace
}  // namespace mv
