// ZstdStream: the strong kind's content as one Zstandard frame, so that
// matches reach across the files of a package.
//
// Writing compresses every byte written into one frame with the level and
// window of the coding, on Zstandard's own worker threads, and records the
// content's size (given when opening) in the frame header. A program that
// writes calls RegisterZstdEncoder() first (stream/zstd_encoder.h): the
// compressor is kept out of the programs that only read, the stubs.
//
// Reading takes its input piece by piece from a PieceSource and trusts
// nothing it says: before anything large is allocated the frame header is
// checked, and a reader refuses
//   - a window above the coding's window log, or above kMaxWindowLog
//     (128 MiB) whatever the coding says, with kWindowTooLarge;
//   - anything but one Zstandard frame (another magic number, a skippable
//     frame), a dictionary id, a frame without its content size or with
//     another size than the content's, with kDecompressionFailed;
// and while and after decoding, with kDecompressionFailed: damaged data,
// output beyond the content's size, a frame that ends early (cut anywhere),
// and, at CheckEnd, any byte after the frame (a second frame, a skippable
// one). The decoder's buffers hold plain data and are wiped when freed.
//
// Reading decodes on a thread of its own, a few blocks ahead of the reader,
// from the first Read on: the reader's work on the content (writing files)
// and the decoding overlap. The source is read by that thread alone until
// CheckEnd or Close has ended it; a failure reaches the reader where the
// content stopped, as if it had been decoded on the reader's thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "base/result.h"
#include "stream/filter_stream.h"
#include "stream/piece_source.h"
#include "stream/tag_value.h"

struct ZSTD_DCtx_s;

namespace mv {

// Level and window of a Zstandard coding, as a header states them.
struct ZstdCoding {
  uint8_t level = 0;       // 1 to kMaxZstdLevel
  uint8_t window_log = 0;  // kMinWindowLog to kMaxWindowLog: the window is 2^window_log bytes at most
};

inline constexpr uint8_t kMaxZstdLevel = 22;
inline constexpr uint8_t kMinWindowLog = 10;
// A reader's bound of the window: 128 MiB.
inline constexpr uint8_t kMaxWindowLog = 27;

// True for a coding a reader accepts at all; kWindowTooLarge separately for
// a window above the bound (ZstdCodingCheck).
Result ZstdCodingCheck(const ZstdCoding& coding);

// The compressing half of ZstdStream (stream/zstd_encoder.h registers it).
class ZstdEncoder {
 public:
  virtual ~ZstdEncoder() = default;
  // Compresses length bytes and writes what is ready to out; last ends the
  // frame (after the bytes given). The first failure of out, or kFailed
  // when the library refuses.
  virtual Result Code(const uint8_t* in, size_t length, bool last, Stream& out) = 0;
};

// Makes the encoder of one frame, or null when the parameters are refused
// or memory is short.
using ZstdEncoderFactory = std::unique_ptr<ZstdEncoder> (*)(const ZstdCoding& coding, unsigned workers,
                                                           uint64_t total);

// The registered factory, or null.
ZstdEncoderFactory GetZstdEncoderFactory();
void SetZstdEncoderFactory(ZstdEncoderFactory factory);

class ZstdStream : public FilterStream {
 public:
  ZstdStream();
  ~ZstdStream() override;

  // Writing over inner: coding's level and window, workers threads besides
  // the caller's (0: all on the caller's thread), total: the bytes that
  // will be written, recorded in the frame. kUnsupported when this program
  // carries no compressor, kBadArgument for a coding ZstdCodingCheck
  // refuses, kOutOfMemory. Closed on failure.
  Result OpenWriting(Stream* inner, const ZstdCoding& coding, unsigned workers, uint64_t total);
  // Reading from pieces (the same object as inner, seen as a PieceSource):
  // window_log bounds the frame's window, total is the content's size.
  // kBadArgument/kWindowTooLarge for a window log out of bounds;
  // kOutOfMemory. Closed on failure.
  Result OpenReading(Stream* inner, PieceSource* pieces, uint8_t window_log, uint64_t total);
  // Writing: ends the frame; kOk when all of it reached inner. Reading:
  // drops what is left; kOk. The inner stream stays open.
  Result Close() override;
  Result Read(void* buffer, uint32_t length) override;
  Result Write(const void* buffer, uint32_t length) override;

  // Reading, once the content has been read: kOk when the frame has ended
  // with the content's last byte and nothing follows it (the source
  // reaches its end), the codes above or the source's otherwise.
  Result CheckEnd();

 private:
  // What the decoding thread and the reader share.
  struct Ahead {
    struct Block {
      uint8_t* bytes = nullptr;
      uint32_t length = 0;
    };
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<uint8_t*> blocks;  // every block, to be wiped and freed
    std::vector<uint8_t*> free;    // blocks the decoder may fill
    std::deque<Block> ready;       // decoded, in order
    bool stop = false;             // the reader is done with it
    bool done = false;             // the decoder has ended:
    Result failure = kOk;          //   where it failed, after the ready blocks
    Result end = kOk;              //   or how the frame ended after the content
    std::thread worker;
    // The reader's side alone.
    Block current;
    uint32_t position = 0;
  };

  // These four run on the decoding thread once it has started; each
  // returns its failure without recording it.
  Result NextInput();
  Result CheckFrameHeader();
  Result Decode(uint8_t* out, uint32_t length, uint32_t* produced);
  // After the content's last byte: the frame ends there and nothing
  // follows it.
  Result FinishFrame();
  void DecodeAhead();
  // The decoding thread, started once (a failure recorded); LaunchAhead
  // makes its blocks and starts it.
  Result StartAhead();
  Result LaunchAhead();
  void StopAhead();
  bool NextBlock();

  std::unique_ptr<Ahead> ahead_;

  ZSTD_DCtx_s* decoder_ = nullptr;
  ZstdEncoder* encoder_ = nullptr;
  PieceSource* pieces_ = nullptr;
  const uint8_t* input_ = nullptr;  // the current piece (reading)
  uint32_t input_length_ = 0;
  uint32_t input_position_ = 0;
  uint64_t total_ = 0;
  uint64_t produced_ = 0;
  uint32_t window_log_ = 0;
  bool header_checked_ = false;
  bool frame_ended_ = false;
  bool source_ended_ = false;
};

}  // namespace mv
