// The work on one block of the compression stream, shared by the stream's
// own thread and its workers: reading a frame from the inner stream,
// inflating it, and deflating a plain block into a frame. The frame layout
// and its bounds are described in compression_stream.h.
#pragma once

#include <cstdint>

#include "base/result.h"
#include "stream/stream.h"
#include "stream/tag_value.h"

struct libdeflate_decompressor;

namespace mv {

// The frame layout's bounds (see compression_stream.h).
inline constexpr uint32_t kBlockCapacity = 65535;
// Stored lengths from here on are refused.
inline constexpr uint32_t kStoredLengthLimit = 65536;
// Bytes of a frame head: flag and length.
inline constexpr uint32_t kFrameHeadSize = 5;

// One block on its way between the frame on the inner stream and the plain
// bytes. Both buffers get kBlockCapacity bytes when first needed; clearing
// them (or destroying the frame) wipes them.
struct BlockFrame {
  TagValue packed;             // the frame's data as stored
  TagValue plain;              // the plain block
  uint32_t packed_length = 0;  // valid bytes in packed
  uint32_t plain_length = 0;   // valid bytes in plain
  uint8_t flag = 0;            // the frame's flag byte
  Result result = kOk;         // the outcome of reading or unpacking it

  // The bytes the frame carries: packed when the block was deflated, plain
  // when it is stored raw.
  const uint8_t* Data() const { return packed_length != 0 ? packed.GetBytes() : plain.GetBytes(); }
  uint32_t DataLength() const { return packed_length != 0 ? packed_length : plain_length; }
};

// Inflates whole zlib streams for one thread at a time. A block fits in
// memory whole, so a whole-buffer decoder serves (libdeflate where the build
// has it; zlib's one-shot function otherwise); it keeps its tables between
// blocks.
class Inflater {
 public:
  Inflater();
  ~Inflater();
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  // Inflates the zlib stream at in (in_length bytes; bytes after the end of
  // the stream are ignored) into out. True with *produced set when it is a
  // sound stream whose result fits in capacity; a longer result fails
  // rather than being cut short.
  bool Inflate(const uint8_t* in, uint32_t in_length, uint8_t* out, uint32_t capacity,
               uint32_t* produced);

 private:
  libdeflate_decompressor* decompressor_ = nullptr;
};

// Deflates in into out with the level of the setting (1: 9, 2: 3); true with
// *out_length set when the result is not empty and fits in out_capacity.
// An output buffer one byte shorter than the input therefore answers "did
// it shrink" without a larger buffer: zlib gives up as soon as it runs out
// of room, and when the result fits, its bytes are the same as with any
// larger buffer.
bool DeflateBytes(const uint8_t* in, uint32_t in_length, uint8_t* out, uint32_t out_capacity,
                  uint32_t setting, uint32_t* out_length);

// Reads the next frame from inner into frame (flag and packed data).
// kDecompressionFailed for a stored length of 0 or of 65536 or more (checked
// before anything is read or allocated), kOutOfMemory, or inner's error.
Result ReadFrame(Stream& inner, BlockFrame& frame);

// Turns a frame read by ReadFrame into its plain block: a flagged frame is
// inflated when the setting is not 0, anything else is taken as it is.
// kDecompressionFailed when inflating fails or yields nothing or more than
// one block; kOutOfMemory.
Result UnpackFrame(BlockFrame& frame, uint32_t setting, Inflater& inflater);

// Turns frame.plain (plain_length bytes) into the frame to write: deflated
// with flag 1, or raw with flag 0 when the block does not shrink or zlib
// cannot take it (not a failure), or raw with flag 1 for setting 0.
void PackBlock(BlockFrame& frame, uint32_t setting);

}  // namespace mv
