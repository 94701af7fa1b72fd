// The Zstandard content coding: round trips across piece and level
// boundaries, and a reader that refuses every frame its writer never makes
// (a window above the bound, a second or skippable frame, a dictionary, a
// size other than the content's, a frame cut short).
#include "stream/zstd_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "stream/memory_stream.h"
#include "stream/zstd_encoder.h"
#include "stream/zstd_memory.h"
#include "tests/support/sample_data.h"
#include "tests/support/zstd_frames.h"

namespace mv {
namespace {

using Bytes = std::vector<uint8_t>;

// A reading stream over bytes that hands them out in pieces of at most
// piece bytes, as the chunk layer hands out its chunks.
class Pieces : public Stream, public PieceSource {
 public:
  Pieces(const Bytes& bytes, size_t piece) : bytes_(bytes), piece_(piece) { Open(kReading, nullptr); }
  Result NextPiece(const uint8_t** data, uint32_t* length) override {
    *data = bytes_.data() + at_;
    *length = static_cast<uint32_t>(std::min(piece_, bytes_.size() - at_));
    at_ += *length;
    return kOk;
  }

 private:
  Bytes bytes_;
  size_t piece_;
  size_t at_ = 0;
};

Bytes Encode(const Bytes& plain, const ZstdCoding& coding, unsigned workers) {
  RegisterZstdEncoder();
  MemoryStream sink;
  sink.OpenWrite();
  ZstdStream writer;
  EXPECT_EQ(writer.OpenWriting(&sink, coding, workers, plain.size()), kOk);
  // Written in uneven pieces, as records are.
  for (size_t at = 0; at < plain.size(); at += 7777) {
    EXPECT_EQ(writer.Write(plain.data() + at, static_cast<uint32_t>(std::min<size_t>(7777, plain.size() - at))), kOk);
  }
  EXPECT_EQ(writer.Close(), kOk);
  return sink.GetData();
}

// Reads total bytes and checks the end; the first failure, or kOk.
Result Decode(const Bytes& frame, uint8_t window_log, uint64_t total, Bytes* out, size_t piece = 65536) {
  Pieces source(frame, piece);
  ZstdStream reader;
  Result r = reader.OpenReading(&source, &source, window_log, total);
  if (r != kOk) return r;
  out->assign(total, 0);
  for (size_t at = 0; at < total && r == kOk; at += 5000) {
    r = reader.Read(out->data() + at, static_cast<uint32_t>(std::min<size_t>(5000, total - at)));
  }
  return r == kOk ? reader.CheckEnd() : r;
}

using test::LibraryFrame;

// A frame of one raw block, by hand: FHD single segment with a one-byte
// content size, and a dictionary id of one byte when dictionary is not 0.
Bytes RawFrame(const Bytes& plain, uint8_t dictionary) {
  Bytes frame = {0x28, 0xB5, 0x2F, 0xFD, static_cast<uint8_t>(0x20 | (dictionary != 0 ? 1 : 0))};
  if (dictionary != 0) frame.push_back(dictionary);
  frame.push_back(static_cast<uint8_t>(plain.size()));
  const uint32_t block = static_cast<uint32_t>(plain.size()) << 3 | 1;  // last, raw
  for (int i = 0; i < 3; ++i) frame.push_back(static_cast<uint8_t>(block >> (8 * i)));
  frame.insert(frame.end(), plain.begin(), plain.end());
  return frame;
}

Bytes SkippableFrame() { return {0x50, 0x2A, 0x4D, 0x18, 3, 0, 0, 0, 'a', 'b', 'c'}; }

Bytes Joined(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(ZstdStreamTest, RoundTripsAtEveryLevelAcrossPieces) {
  const Bytes plain = test::MixedBytes(300000, 31);
  struct Case {
    uint8_t level;
    unsigned workers;
    size_t piece;
  } cases[] = {{1, 0, 65536}, {3, 2, 18}, {9, 2, 4096}, {19, 0, 65536}, {22, 2, 1000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "level " << int{c.level} << ", workers " << c.workers << ", pieces " << c.piece);
    const Bytes frame = Encode(plain, ZstdCoding{c.level, 20}, c.workers);
    EXPECT_LT(frame.size(), plain.size());
    Bytes read;
    ASSERT_EQ(Decode(frame, 20, plain.size(), &read, c.piece), kOk);
    EXPECT_EQ(read, plain);
  }
  // An empty content is one frame of no bytes.
  Bytes read;
  EXPECT_EQ(Decode(Encode({}, ZstdCoding{19, 20}, 2), 20, 0, &read), kOk);
}

// The content is decoded on a thread of its own, a few 1 MiB blocks ahead
// of the reader: every byte arrives in order across the blocks' edges, a
// reader that stops early or asks too much is told as before, and one that
// closes while the decoder waits for room does not wait for it.
TEST(ZstdStreamTest, DecodingAheadKeepsTheReadersView) {
  constexpr size_t kBlock = size_t{1} << 20;
  for (size_t size : {kBlock - 1, kBlock, kBlock + 1, 6 * kBlock + 3}) {
    SCOPED_TRACE(size);
    const Bytes plain = test::MixedBytes(size, static_cast<uint32_t>(size));
    const Bytes frame = Encode(plain, ZstdCoding{1, 22}, 2);
    Bytes read;
    ASSERT_EQ(Decode(frame, 22, size, &read), kOk);
    EXPECT_EQ(read, plain);

    struct Case {
      const char* name;
      size_t taken;  // bytes read before the end check or the close
      bool ask_more;
      bool check_end;
      Result expected;
    } cases[] = {
        {"the last byte left unread", size - 1, false, true, kDecompressionFailed},
        {"one byte more than the content", size, true, true, kShortRead},
        {"closed after a few bytes", 10, false, false, kOk},
        {"closed before the first read", 0, false, false, kOk},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      Pieces source(frame, 65536);
      ZstdStream reader;
      ASSERT_EQ(reader.OpenReading(&source, &source, 22, size), kOk);
      Bytes out(size + 1);
      Result r = c.taken == 0 ? kOk : reader.Read(out.data(), static_cast<uint32_t>(c.taken));
      if (r == kOk && c.ask_more) r = reader.Read(out.data(), 1);
      if (r == kOk && c.check_end) r = reader.CheckEnd();
      EXPECT_EQ(r, c.expected);
      EXPECT_TRUE(std::equal(plain.begin(), plain.begin() + std::min(c.taken, size), out.begin()));
      EXPECT_EQ(reader.Close(), kOk);
    }
  }
}

TEST(ZstdStreamTest, WindowsAboveTheBoundAreRefusedBeforeDecoding) {
  const Bytes plain = test::MixedBytes(3 << 20, 5);
  Bytes read;
  // The header allows less than the frame asks.
  EXPECT_EQ(Decode(Encode(plain, ZstdCoding{3, 22}, 0), 20, plain.size(), &read), kWindowTooLarge);
  // The frame asks 256 MiB (no size recorded, so the library keeps it).
  EXPECT_EQ(Decode(LibraryFrame(plain, 28, false), kMaxWindowLog, plain.size(), &read), kWindowTooLarge);
  // The header itself asks more than any reader allows.
  Pieces source({}, 1);
  ZstdStream reader;
  EXPECT_EQ(reader.OpenReading(&source, &source, kMaxWindowLog + 1, 10), kWindowTooLarge);
  EXPECT_EQ(ZstdCodingCheck(ZstdCoding{19, kMaxWindowLog + 1}), kWindowTooLarge);
  EXPECT_EQ(ZstdCodingCheck(ZstdCoding{0, 20}), kBadArgument);
  EXPECT_EQ(ZstdCodingCheck(ZstdCoding{kMaxZstdLevel + 1, 20}), kBadArgument);
}

TEST(ZstdStreamTest, FramesTheWriterNeverMakesAreRefused) {
  const Bytes plain = test::MixedBytes(100, 9);
  const Bytes frame = Encode(plain, ZstdCoding{19, 20}, 0);
  const Bytes raw = RawFrame(plain, 0);
  struct Case {
    const char* name;
    Bytes bytes;
    uint64_t total;
    Result expected;
  } cases[] = {
      {"the writer's frame", frame, plain.size(), kOk},
      {"a raw frame made by hand", raw, plain.size(), kOk},
      {"two frames", Joined(frame, frame), plain.size(), kDecompressionFailed},
      {"a skippable frame first", Joined(SkippableFrame(), frame), plain.size(), kDecompressionFailed},
      {"a skippable frame after", Joined(frame, SkippableFrame()), plain.size(), kDecompressionFailed},
      {"a byte after the frame", Joined(frame, {0}), plain.size(), kDecompressionFailed},
      {"a dictionary id", RawFrame(plain, 7), plain.size(), kDecompressionFailed},
      {"no content size", LibraryFrame(plain, 20, false), plain.size(), kDecompressionFailed},
      {"more content than the header's total", frame, plain.size() - 1, kDecompressionFailed},
      {"less content than the header's total", frame, plain.size() + 1, kDecompressionFailed},
      {"another magic number", Joined({0x28, 0xB5, 0x2F, 0xFE}, Bytes(frame.begin() + 4, frame.end())), plain.size(),
       kDecompressionFailed},
      {"nothing at all", {}, plain.size(), kDecompressionFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes read;
    EXPECT_EQ(Decode(c.bytes, 20, c.total, &read), c.expected);
  }
}

TEST(ZstdStreamTest, AFrameCutAnywhereIsRefused) {
  const Bytes plain = test::MixedBytes(200000, 3);
  const Bytes frame = Encode(plain, ZstdCoding{3, 20}, 0);
  for (size_t length : {size_t{0}, size_t{5}, size_t{9}, frame.size() / 2, frame.size() - 1}) {
    SCOPED_TRACE(length);
    Bytes read;
    EXPECT_EQ(Decode(Bytes(frame.begin(), frame.begin() + length), 20, plain.size(), &read), kDecompressionFailed);
  }
}

}  // namespace
}  // namespace mv
