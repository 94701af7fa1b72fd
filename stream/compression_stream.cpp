#include "stream/compression_stream.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace mv {
namespace {

int LevelFor(uint32_t setting) { return setting == 1 ? 9 : 3; }

// Deflates in into out; true with *out_length set when the result is not
// empty and fits in out_capacity. An output buffer one byte shorter than
// the input therefore answers "did it shrink" without a larger buffer: zlib
// gives up with Z_BUF_ERROR as soon as it runs out of room, and when the
// result fits, its bytes are the same as with any larger buffer.
bool Deflate(const uint8_t* in, uint32_t in_length, uint8_t* out, uint32_t out_capacity,
             uint32_t setting, uint32_t* out_length) {
  if (in_length == 0 || out_capacity == 0) return false;
  uLongf produced = out_capacity;
  if (compress2(out, &produced, in, in_length, LevelFor(setting)) != Z_OK) return false;
  if (produced == 0 || produced > out_capacity) return false;
  *out_length = static_cast<uint32_t>(produced);
  return true;
}

// Inflates in into out; true with *out_length set when zlib succeeds within
// out_capacity (a longer result fails rather than being cut short).
bool Inflate(const uint8_t* in, uint32_t in_length, uint8_t* out, uint32_t out_capacity,
             uint32_t* out_length) {
  uLongf produced = out_capacity;
  if (uncompress(out, &produced, in, in_length) != Z_OK) return false;
  *out_length = static_cast<uint32_t>(produced);
  return true;
}

bool HasBlobShape(const TagValue& block) {
  return block.GetType() == TypeBlob && block.GetLength() <= CompressionStream::kMaxBlockLength;
}

// The block's bytes and length; a blob without storage is empty.
uint32_t BlockLength(const TagValue& block) {
  return block.GetBytes() == nullptr ? 0 : block.GetLength();
}

}  // namespace

CompressionStream::~CompressionStream() { ReleaseBuffers(); }

void CompressionStream::ReleaseBuffers() {
  // Clearing wipes: the buffers hold plain package data.
  buffer_.Clear();
  frame_.Clear();
}

Result CompressionStream::Open(Stream* inner, uint32_t setting) {
  // Over a closed inner stream the filter would open closed as well; that is
  // no use to anyone and refused like a missing inner stream.
  if (FilterStream::Open(inner) != kOk || GetMode() == kClosed) {
    Close();
    return kNotOpen;
  }
  if (!IsValidCompressionSetting(setting)) {
    Close();
    return kUnsupported;
  }
  setting_ = setting;
  blocks_ = 0;
  block_length_ = 0;
  position_ = 0;
  return kOk;
}

Result CompressionStream::Close() {
  Result result = kOk;
  if (IsWriting()) {
    if (position_ != 0) WriteBlock();
    result = GetError();
  }
  position_ = 0;
  block_length_ = 0;
  ReleaseBuffers();
  FilterStream::Close();
  return result;
}

Result CompressionStream::Write(const void* buffer, uint32_t length) {
  if (FilterStream::Write(buffer, length) != kOk || buffer == nullptr || length == 0) {
    return GetError();
  }
  if (buffer_.GetBytes() == nullptr) {
    buffer_.SetBlobSize(kBlockCapacity);
    if (buffer_.GetBytes() == nullptr) return RecordError(kOutOfMemory);
  }
  const auto* in = static_cast<const uint8_t*>(buffer);
  while (length > 0) {
    uint32_t take = std::min(length, kBlockCapacity - position_);
    std::memcpy(buffer_.GetBytes() + position_, in, take);
    position_ += take;
    in += take;
    length -= take;
    if (position_ == kBlockCapacity && WriteBlock() != kOk) break;
  }
  return GetError();
}

Result CompressionStream::WriteBlock() {
  if (GetError() != kOk) return GetError();
  const uint8_t* data = buffer_.GetBytes();
  uint32_t length = position_;
  uint8_t flag = 1;
  if (setting_ != 0) {
    if (frame_.GetBytes() == nullptr) frame_.SetBlobSize(kBlockCapacity);
    uint32_t packed = 0;
    // A block that does not shrink, or that zlib cannot take, goes out raw
    // with flag 0; that is not a failure.
    if (frame_.GetBytes() != nullptr &&
        Deflate(data, length, frame_.GetBytes(), length - 1, setting_, &packed)) {
      data = frame_.GetBytes();
      length = packed;
    } else {
      flag = 0;
    }
  }
  const uint8_t head[kFrameHeadSize] = {
      flag, static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
      static_cast<uint8_t>(length >> 16), static_cast<uint8_t>(length >> 24)};
  WriteInner(head, kFrameHeadSize);
  WriteInner(data, length);
  ++blocks_;
  position_ = 0;
  return GetError();
}

Result CompressionStream::Read(void* buffer, uint32_t length) {
  if (FilterStream::Read(buffer, length) != kOk || buffer == nullptr || length == 0) {
    return GetError();
  }
  auto* out = static_cast<uint8_t*>(buffer);
  while (length > 0) {
    if (position_ == block_length_ && ReadBlock() != kOk) break;
    uint32_t take = std::min(length, block_length_ - position_);
    std::memcpy(out, buffer_.GetBytes() + position_, take);
    position_ += take;
    out += take;
    length -= take;
  }
  return GetError();
}

Result CompressionStream::ReadBlock() {
  if (GetError() != kOk) return GetError();
  uint8_t head[kFrameHeadSize];
  if (ReadInner(head, kFrameHeadSize) != kOk) return GetError();
  uint8_t flag = head[0];
  uint32_t stored = static_cast<uint32_t>(head[1]) | static_cast<uint32_t>(head[2]) << 8 |
                    static_cast<uint32_t>(head[3]) << 16 | static_cast<uint32_t>(head[4]) << 24;
  // Bounded before anything is read or allocated. An empty frame can only
  // yield an empty block, which is refused as well.
  if (stored >= kStoredLengthLimit || stored == 0) return RecordError(kDecompressionFailed);
  if (frame_.GetBytes() == nullptr) frame_.SetBlobSize(kBlockCapacity);
  if (buffer_.GetBytes() == nullptr) buffer_.SetBlobSize(kBlockCapacity);
  if (frame_.GetBytes() == nullptr || buffer_.GetBytes() == nullptr) {
    return RecordError(kOutOfMemory);
  }
  if (ReadInner(frame_.GetBytes(), stored) != kOk) return GetError();
  uint32_t produced = stored;
  if (flag != 0 && setting_ != 0) {
    // Inflating into one block's capacity refuses a block that would grow
    // past it, so a hostile frame cannot make the reader allocate.
    if (!Inflate(frame_.GetBytes(), stored, buffer_.GetBytes(), kBlockCapacity, &produced) ||
        produced == 0) {
      return RecordError(kDecompressionFailed);
    }
  } else {
    // Raw: the frame becomes the block (both have the same capacity).
    buffer_.Swap(frame_);
  }
  block_length_ = produced;
  position_ = 0;
  ++blocks_;
  return kOk;
}

Result CompressionStream::CompressBlock(TagValue& block, uint32_t setting) {
  if (setting == 0) return kOk;
  if (!IsValidCompressionSetting(setting)) return kBadCompression;
  if (!HasBlobShape(block)) return kBadArgument;
  uint32_t length = BlockLength(block);
  if (length == 0) return kOk;
  TagValue output;
  output.SetBlobSize(length);
  if (output.GetBytes() == nullptr) return kOutOfMemory;
  uint32_t packed = 0;
  if (!Deflate(block.GetBytes(), length, output.GetBytes(), length - 1, setting, &packed)) {
    return kDecompressionFailed;
  }
  block.SetBlob(output.GetBytes(), packed);
  return block.GetType() == TypeBlob ? kOk : kOutOfMemory;
}

Result CompressionStream::DecompressBlock(TagValue& block, uint32_t setting) {
  if (setting == 0) return kOk;
  if (!IsValidCompressionSetting(setting)) return kBadCompression;
  if (!HasBlobShape(block)) return kFailed;
  TagValue output;
  output.SetBlobSize(kMaxBlockLength);
  if (output.GetBytes() == nullptr) return kOutOfMemory;
  uint32_t produced = 0;
  if (!Inflate(block.GetBytes(), BlockLength(block), output.GetBytes(), kMaxBlockLength,
               &produced)) {
    return kDecompressionFailed;
  }
  block.SetBlob(output.GetBytes(), produced);
  return block.GetType() == TypeBlob ? kOk : kOutOfMemory;
}

}  // namespace mv
