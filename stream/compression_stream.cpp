#include "stream/compression_stream.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace mv {

CompressionStream::~CompressionStream() {
  workers_.Stop();
  ReleaseBuffers();
}

unsigned CompressionStream::DefaultWorkerCount() {
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
  // Threads started and ended for every input would take most of a fuzz
  // target's time; the targets that cover the workers ask for them.
  return 0;
#endif
  unsigned cores = std::thread::hardware_concurrency();
  return cores <= 1 ? 0 : std::min(cores, 8u);
}

void CompressionStream::ReleaseBuffers() {
  // Clearing wipes: the buffers hold plain package data.
  buffer_.Clear();
  frame_.packed.Clear();
  frame_.plain.Clear();
  inflater_.reset();
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
    if (workers_.IsRunning() && GetError() == kOk) {
      workers_.Finish([this](const BlockFrame& frame) { return EmitFrame(frame); });
    }
    result = GetError();
  }
  // Joins the workers before the inner stream can go away.
  workers_.Stop();
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
  const auto* in = static_cast<const uint8_t*>(buffer);
  while (length > 0) {
    // Handing a block to the workers may leave the buffer without storage.
    if (buffer_.GetBytes() == nullptr) {
      buffer_.SetBlobSize(kBlockCapacity);
      if (buffer_.GetBytes() == nullptr) return RecordError(kOutOfMemory);
    }
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
  if (blocks_ == 0 && setting_ != 0 && worker_count_ != 0 && !workers_.IsRunning()) {
    workers_.StartWriting(setting_, worker_count_);
  }
  uint32_t length = position_;
  position_ = 0;
  if (workers_.IsRunning()) {
    return RecordError(workers_.PutBlock(buffer_, length, [this](const BlockFrame& frame) {
      return EmitFrame(frame);
    }));
  }
  buffer_.Swap(frame_.plain);
  frame_.plain_length = length;
  PackBlock(frame_, setting_);
  Result result = EmitFrame(frame_);
  buffer_.Swap(frame_.plain);
  return result;
}

Result CompressionStream::EmitFrame(const BlockFrame& frame) {
  uint32_t length = frame.DataLength();
  const uint8_t head[kFrameHeadSize] = {
      frame.flag, static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
      static_cast<uint8_t>(length >> 16), static_cast<uint8_t>(length >> 24)};
  WriteInner(head, kFrameHeadSize);
  WriteInner(frame.Data(), length);
  ++blocks_;
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
  if (blocks_ == 0 && setting_ != 0 && worker_count_ != 0 && !workers_.IsRunning()) {
    workers_.StartReading(GetInner(), setting_, worker_count_);
  }
  uint32_t length = 0;
  Result result = kOk;
  if (workers_.IsRunning()) {
    result = workers_.TakeBlock(buffer_, &length);
  } else {
    if (!inflater_) inflater_ = std::make_unique<Inflater>();
    result = ReadFrame(*GetInner(), frame_);
    if (result == kOk) result = UnpackFrame(frame_, setting_, *inflater_);
    if (result == kOk) {
      buffer_.Swap(frame_.plain);
      length = frame_.plain_length;
    }
  }
  if (result != kOk) return RecordError(result);
  block_length_ = length;
  position_ = 0;
  ++blocks_;
  return kOk;
}

Result CompressionStream::CheckEnd() {
  if (GetError() != kOk) return GetError();
  if (!IsReading()) return RecordError(kWrongDirection);
  if (position_ != block_length_) return RecordError(kDecompressionFailed);
  uint32_t length = 0;
  Result r = kOk;
  if (workers_.IsRunning()) {
    r = workers_.TakeBlock(buffer_, &length);
  } else {
    r = ReadFrame(*GetInner(), frame_);
  }
  if (r == kShortRead) return kOk;
  return RecordError(r == kOk ? kDecompressionFailed : r);
}

}  // namespace mv
