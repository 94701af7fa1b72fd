#include "stream/zstd_stream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

#include "base/memory.h"
#include "stream/zstd_memory.h"

namespace mv {
namespace {

ZstdEncoderFactory g_encoder_factory = nullptr;

// Each block carries its size in front, so that it can be wiped when freed.
constexpr size_t kBlockHead = 16;

void* AllocateWiped(void*, size_t size) {
  if (size > SIZE_MAX - kBlockHead) return nullptr;
  auto* block = static_cast<uint8_t*>(std::malloc(size + kBlockHead));
  if (block == nullptr) return nullptr;
  std::memcpy(block, &size, sizeof size);
  return block + kBlockHead;
}

void FreeWiped(void*, void* address) {
  if (address == nullptr) return;
  uint8_t* block = static_cast<uint8_t*>(address) - kBlockHead;
  size_t size = 0;
  std::memcpy(&size, block, sizeof size);
  SecureWipe(address, size);
  std::free(block);
}

// Decoded bytes handed from the decoding thread to the reader at a time,
// and how many such blocks may wait: the decoder runs that far ahead.
constexpr uint32_t kAheadBlockSize = 1u << 20;
constexpr size_t kAheadBlocks = 4;

Result DecoderFailure(size_t code) {
  switch (ZSTD_getErrorCode(code)) {
    case ZSTD_error_frameParameter_windowTooLarge:
      return kWindowTooLarge;
    case ZSTD_error_memory_allocation:
      return kOutOfMemory;
    default:
      return kDecompressionFailed;
  }
}

}  // namespace

ZSTD_customMem WipingZstdMemory() { return ZSTD_customMem{&AllocateWiped, &FreeWiped, nullptr}; }

ZstdEncoderFactory GetZstdEncoderFactory() { return g_encoder_factory; }
void SetZstdEncoderFactory(ZstdEncoderFactory factory) { g_encoder_factory = factory; }

Result ZstdCodingCheck(const ZstdCoding& coding) {
  if (coding.level < 1 || coding.level > kMaxZstdLevel || coding.window_log < kMinWindowLog) return kBadArgument;
  return coding.window_log > kMaxWindowLog ? kWindowTooLarge : kOk;
}

ZstdStream::ZstdStream() = default;

ZstdStream::~ZstdStream() { Close(); }

Result ZstdStream::OpenWriting(Stream* inner, const ZstdCoding& coding, unsigned workers, uint64_t total) {
  if (FilterStream::Open(inner) != kOk || !IsWriting()) {
    Close();
    return kNotOpen;
  }
  Result r = ZstdCodingCheck(coding);
  if (r != kOk) {
    Close();
    return kBadArgument;
  }
  const ZstdEncoderFactory factory = GetZstdEncoderFactory();
  if (factory == nullptr) {
    Close();
    return kUnsupported;
  }
  std::unique_ptr<ZstdEncoder> encoder;
  try {
    encoder = factory(coding, workers, total);
  } catch (const std::bad_alloc&) {
  }
  if (!encoder) {
    Close();
    return kOutOfMemory;
  }
  encoder_ = encoder.release();
  total_ = total;
  return kOk;
}

Result ZstdStream::OpenReading(Stream* inner, PieceSource* pieces, uint8_t window_log, uint64_t total) {
  if (FilterStream::Open(inner) != kOk || !IsReading() || pieces == nullptr) {
    Close();
    return kNotOpen;
  }
  if (window_log < kMinWindowLog || window_log > kMaxWindowLog) {
    Close();
    return window_log > kMaxWindowLog ? kWindowTooLarge : kBadArgument;
  }
  decoder_ = ZSTD_createDCtx_advanced(WipingZstdMemory());
  if (decoder_ == nullptr ||
      ZSTD_isError(ZSTD_DCtx_setParameter(decoder_, ZSTD_d_windowLogMax, window_log))) {
    Close();
    return kOutOfMemory;
  }
  pieces_ = pieces;
  window_log_ = window_log;
  total_ = total;
  return kOk;
}

Result ZstdStream::Close() {
  Result result = kOk;
  if (encoder_ != nullptr) {
    if (IsWriting() && GetError() == kOk) RecordError(encoder_->Code(nullptr, 0, true, *GetInner()));
    result = GetError();
    delete encoder_;
    encoder_ = nullptr;
  }
  StopAhead();
  if (decoder_ != nullptr) {
    ZSTD_freeDCtx(decoder_);
    decoder_ = nullptr;
  }
  pieces_ = nullptr;
  input_ = nullptr;
  input_length_ = input_position_ = 0;
  total_ = produced_ = 0;
  window_log_ = 0;
  header_checked_ = frame_ended_ = source_ended_ = false;
  FilterStream::Close();
  return result;
}

Result ZstdStream::Write(const void* buffer, uint32_t length) {
  if (FilterStream::Write(buffer, length) != kOk || buffer == nullptr || length == 0) return GetError();
  if (encoder_ == nullptr) return RecordError(kNotOpen);
  return RecordError(encoder_->Code(static_cast<const uint8_t*>(buffer), length, false, *GetInner()));
}

Result ZstdStream::NextInput() {
  const uint8_t* data = nullptr;
  uint32_t length = 0;
  Result r = pieces_->NextPiece(&data, &length);
  if (r != kOk) return r;
  input_ = data;
  input_length_ = length;
  input_position_ = 0;
  source_ended_ = length == 0;
  return kOk;
}

Result ZstdStream::CheckFrameHeader() {
  // The first piece is a whole chunk, or the whole content when it is
  // shorter: a frame header never spans two pieces.
  ZSTD_frameHeader header;
  const size_t r = ZSTD_getFrameHeader(&header, input_ + input_position_, input_length_ - input_position_);
  if (ZSTD_isError(r) || r != 0) return kDecompressionFailed;
  if (header.frameType != ZSTD_frame || header.dictID != 0) return kDecompressionFailed;
  if (header.windowSize > (uint64_t{1} << window_log_)) return kWindowTooLarge;
  if (header.frameContentSize != total_) return kDecompressionFailed;
  header_checked_ = true;
  return kOk;
}

Result ZstdStream::Decode(uint8_t* out, uint32_t length, uint32_t* produced) {
  ZSTD_outBuffer output{out, length, 0};
  *produced = 0;
  while (output.pos < output.size && !frame_ended_) {
    if (input_position_ == input_length_) {
      Result r = NextInput();
      if (r != kOk) return r;
      // The content ended inside the frame.
      if (source_ended_) return kDecompressionFailed;
    }
    if (!header_checked_) {
      Result r = CheckFrameHeader();
      if (r != kOk) return r;
    }
    ZSTD_inBuffer input{input_, input_length_, input_position_};
    const size_t r = ZSTD_decompressStream(decoder_, &output, &input);
    input_position_ = static_cast<uint32_t>(input.pos);
    if (ZSTD_isError(r)) return DecoderFailure(r);
    frame_ended_ = r == 0;
  }
  *produced = static_cast<uint32_t>(output.pos);
  produced_ += output.pos;
  return produced_ > total_ ? kDecompressionFailed : kOk;
}

Result ZstdStream::FinishFrame() {
  // The frame's last block may be decoded without the decoder having said
  // that the frame is complete: one more byte of room lets it say so, and
  // any byte it puts there is content after the content's end.
  uint8_t extra = 0;
  uint32_t produced = 0;
  if (!frame_ended_) {
    Result r = Decode(&extra, 1, &produced);
    SecureWipe(&extra, sizeof extra);
    if (r != kOk) return r;
  }
  if (produced != 0 || !frame_ended_ || produced_ != total_) return kDecompressionFailed;
  // Nothing may follow the frame: no second frame, no skippable one.
  if (input_position_ == input_length_ && !source_ended_) {
    Result r = NextInput();
    if (r != kOk) return r;
  }
  return input_position_ != input_length_ ? kDecompressionFailed : kOk;
}

void ZstdStream::DecodeAhead() {
  for (;;) {
    uint8_t* block = nullptr;
    {
      std::unique_lock<std::mutex> lock(ahead_->mutex);
      ahead_->changed.wait(lock, [this] { return ahead_->stop || !ahead_->free.empty(); });
      if (ahead_->stop) return;
      block = ahead_->free.back();
      ahead_->free.pop_back();
    }
    const uint64_t left = total_ - produced_;
    const uint32_t want = static_cast<uint32_t>(std::min<uint64_t>(left, kAheadBlockSize));
    uint32_t produced = 0;
    Result failure = kOk;
    Result end = kOk;
    bool done = true;
    if (want == 0) {
      end = FinishFrame();
    } else {
      failure = Decode(block, want, &produced);
      // A frame that ends before the content's size has no more to give.
      done = failure != kOk || produced < want;
      if (failure == kOk && done) end = kDecompressionFailed;
    }
    std::lock_guard<std::mutex> lock(ahead_->mutex);
    if (produced != 0) {
      ahead_->ready.push_back(Ahead::Block{block, produced});
    } else {
      ahead_->free.push_back(block);
    }
    if (done) {
      ahead_->failure = failure;
      ahead_->end = end;
      ahead_->done = true;
    }
    ahead_->changed.notify_all();
    if (done) return;
  }
}

Result ZstdStream::StartAhead() {
  if (ahead_) return kOk;
  const Result r = LaunchAhead();
  return r == kOk ? kOk : RecordError(r);
}

Result ZstdStream::LaunchAhead() {
  try {
    ahead_ = std::make_unique<Ahead>();
    for (size_t i = 0; i < kAheadBlocks; ++i) {
      auto* block = static_cast<uint8_t*>(AllocateWiped(nullptr, kAheadBlockSize));
      if (block == nullptr) return kOutOfMemory;
      ahead_->blocks.push_back(block);
      ahead_->free.push_back(block);
    }
    ahead_->worker = std::thread([this] { DecodeAhead(); });
  } catch (const std::exception&) {
    return kOutOfMemory;
  }
  return kOk;
}

void ZstdStream::StopAhead() {
  if (!ahead_) return;
  {
    std::lock_guard<std::mutex> lock(ahead_->mutex);
    ahead_->stop = true;
    ahead_->changed.notify_all();
  }
  if (ahead_->worker.joinable()) ahead_->worker.join();
  for (uint8_t* block : ahead_->blocks) FreeWiped(nullptr, block);
  ahead_.reset();
}

// The next decoded block in line, once the one being read is used up:
// true with it as the current block, false when the worker has ended.
bool ZstdStream::NextBlock() {
  std::unique_lock<std::mutex> lock(ahead_->mutex);
  if (ahead_->current.bytes != nullptr) {
    ahead_->free.push_back(ahead_->current.bytes);
    ahead_->current = Ahead::Block{};
    ahead_->changed.notify_all();
  }
  ahead_->changed.wait(lock, [this] { return ahead_->done || !ahead_->ready.empty(); });
  if (ahead_->ready.empty()) return false;
  ahead_->current = ahead_->ready.front();
  ahead_->ready.pop_front();
  ahead_->position = 0;
  return true;
}

Result ZstdStream::Read(void* buffer, uint32_t length) {
  if (FilterStream::Read(buffer, length) != kOk || buffer == nullptr || length == 0) return GetError();
  if (decoder_ == nullptr) return RecordError(kNotOpen);
  if (StartAhead() != kOk) return GetError();
  auto* out = static_cast<uint8_t*>(buffer);
  while (length > 0) {
    Ahead::Block& current = ahead_->current;
    if (ahead_->position == current.length) {
      if (NextBlock()) continue;
      // A failure where the decoding stopped; else asked for more than the
      // content holds.
      return RecordError(ahead_->failure != kOk ? ahead_->failure : kShortRead);
    }
    const uint32_t take = std::min(length, current.length - ahead_->position);
    std::memcpy(out, current.bytes + ahead_->position, take);
    ahead_->position += take;
    out += take;
    length -= take;
  }
  return kOk;
}

Result ZstdStream::CheckEnd() {
  if (GetError() != kOk) return GetError();
  if (decoder_ == nullptr) return RecordError(kNotOpen);
  if (StartAhead() != kOk) return GetError();
  // Content the layer above left unread is content past its end.
  if (ahead_->position != ahead_->current.length || NextBlock()) return RecordError(kDecompressionFailed);
  // The worker has ended: the end of the frame as it found it.
  if (ahead_->worker.joinable()) ahead_->worker.join();
  return RecordError(ahead_->failure != kOk ? ahead_->failure : ahead_->end);
}

}  // namespace mv
