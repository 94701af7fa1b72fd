// CompressionStream: the layer that compresses the serialised archive
// before it is enciphered and decompresses it after it is deciphered.
//
// The byte stream is cut into blocks of at most kBlockCapacity (65535)
// bytes, each compressed on its own with zlib's one-shot functions (no state
// carries from block to block, so the output depends only on the block
// boundaries, every 65535 bytes whatever the caller's write sizes). Each
// block is framed on the inner stream, little-endian, without padding:
//   flag u8    1: compressed (or setting 0: raw as asked); 0: raw because
//              compression failed or did not shrink the block
//   length u32 number of bytes that follow
//   data       the block, compressed or raw
// There is no header, count or end marker: the reader pulls only as many
// frames as the data above it asks for.
//
// Settings: 0 stores every block raw (flag 1), 1 compresses with level 9,
// 2 with level 3.
//
// The reader refuses a stored length of 65536 or more before reading it,
// and a block that inflates to nothing or to more than 65535 bytes, with
// kDecompressionFailed; inflating never writes more than one block's worth.
// The block buffers hold plain data and are wiped when released.
//
// Blocks are inflated (reading) or deflated (writing) on worker threads, one
// per core by default, while the caller's thread moves the bytes; see
// block_workers.h. The bytes written and read, and every result code, are
// the same as with no workers at all.
#pragma once

#include <cstdint>
#include <memory>

#include "base/result.h"
#include "stream/block_codec.h"
#include "stream/block_workers.h"
#include "stream/filter_stream.h"
#include "stream/tag_value.h"

namespace mv {

class CompressionStream : public FilterStream {
 public:
  static constexpr uint32_t kBlockCapacity = mv::kBlockCapacity;
  static constexpr uint32_t kStoredLengthLimit = mv::kStoredLengthLimit;
  static constexpr uint32_t kFrameHeadSize = mv::kFrameHeadSize;

  CompressionStream() = default;
  ~CompressionStream() override;

  // Opens in inner's direction with the setting. kNotOpen when the filter
  // cannot take inner (null, or not open); kUnsupported for a setting other
  // than 0, 1, 2. The stream is closed on failure.
  Result Open(Stream* inner, uint32_t setting);
  // Writing: flushes the collected bytes as a last block; returns the
  // stream's error as it stood after that flush (kOk when all frames
  // reached the inner stream). Reading: drops any unread rest; kOk. The
  // inner stream stays open either way.
  Result Close() override;
  Result Read(void* buffer, uint32_t length) override;
  Result Write(const void* buffer, uint32_t length) override;

  // Reading, once the content has been read: kOk when its last block was
  // read whole and no frame follows it (the inner stream reports its end
  // with kShortRead; whether it ended cleanly is for it to tell).
  // kDecompressionFailed for plain bytes nobody read or a frame after the
  // end, the inner stream's failure otherwise.
  Result CheckEnd();

  // Blocks written or read since Open.
  uint32_t GetBlockCount() const { return blocks_; }

  // Worker threads of the streams opened from now on: 0 does all the work
  // on the caller's thread. The default is DefaultWorkerCount().
  void SetWorkerCount(unsigned count) { worker_count_ = count; }
  // One per core, at most 8; none on a machine with one core (nor in a
  // fuzzing build, whose targets ask for workers where they cover them).
  static unsigned DefaultWorkerCount();

  static bool IsValidCompressionSetting(uint32_t setting) { return setting <= 2; }


 private:
  Result WriteBlock();
  Result EmitFrame(const BlockFrame& frame);
  Result ReadBlock();
  void ReleaseBuffers();

  uint32_t setting_ = 0;
  uint32_t blocks_ = 0;
  uint32_t block_length_ = 0;  // valid bytes in buffer_ (reading)
  uint32_t position_ = 0;      // next byte out (reading), bytes collected (writing)
  unsigned worker_count_ = DefaultWorkerCount();
  // The current plain block, kBlockCapacity bytes once allocated.
  TagValue buffer_;
  // The block on its way to or from the inner stream without workers.
  BlockFrame frame_;
  std::unique_ptr<Inflater> inflater_;
  // Started with the first block of a stream whose setting is not 0.
  BlockWorkers workers_;
};

}  // namespace mv
