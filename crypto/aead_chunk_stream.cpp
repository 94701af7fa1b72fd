#include "crypto/aead_chunk_stream.h"

#include <algorithm>
#include <cstring>

#include "base/little_endian.h"
#include "crypto/chunk_reading.h"

namespace mv {

AeadChunkStream::~AeadChunkStream() { chunk_.Clear(); }

Result AeadChunkStream::Open(Stream* inner, const uint8_t key[kGcmKeySize],
                             const uint8_t nonce_prefix[kNoncePrefixSize], const ByteRange& header,
                             uint64_t chunk_bytes) {
  if (FilterStream::Open(inner) != kOk || GetMode() == kClosed) {
    Close();
    return kFilterModeRefused;
  }
  Result r = engine_.Start(key);
  if (r != kOk) {
    Close();
    return r;
  }
  std::memcpy(nonce_prefix_, nonce_prefix, kNoncePrefixSize);
  const auto* bytes = static_cast<const uint8_t*>(header.data);
  header_.assign(bytes, bytes + header.size);
  remaining_ = chunk_bytes;
  chunks_ = 0;
  chunk_length_ = 0;
  position_ = 0;
  ended_ = false;
  overran_cleanly_ = false;
  return kOk;
}

Result AeadChunkStream::Close() {
  Result result = kOk;
  if (IsWriting()) {
    FlushChunk(true);
    result = GetError();
  }
  chunk_length_ = 0;
  position_ = 0;
  chunk_.Clear();
  engine_.Reset();
  header_.clear();
  FilterStream::Close();
  return result;
}

void AeadChunkStream::MakeNonce(bool last, uint8_t nonce[kGcmNonceSize]) const {
  std::memcpy(nonce, nonce_prefix_, kNoncePrefixSize);
  nonce[7] = static_cast<uint8_t>(chunks_ >> 24);
  nonce[8] = static_cast<uint8_t>(chunks_ >> 16);
  nonce[9] = static_cast<uint8_t>(chunks_ >> 8);
  nonce[10] = static_cast<uint8_t>(chunks_);
  nonce[11] = last ? 1 : 0;
}

Result AeadChunkStream::EnsureBuffer() {
  if (chunk_.GetBytes() != nullptr) return kOk;
  chunk_.SetBlobSize(kChunkCapacity + kGcmTagSize);
  return chunk_.GetBytes() != nullptr ? kOk : RecordError(kOutOfMemory);
}

Result AeadChunkStream::Fail(Result code) {
  StreamContext* context = GetContext();
  if (GetError() == kOk && context != nullptr && context->failed_chunk != nullptr) {
    *context->failed_chunk = chunks_ + 1;
  }
  return RecordError(code);
}

Result AeadChunkStream::Write(const void* buffer, uint32_t length) {
  if (FilterStream::Write(buffer, length) != kOk || buffer == nullptr || length == 0) return GetError();
  if (EnsureBuffer() != kOk) return GetError();
  const auto* in = static_cast<const uint8_t*>(buffer);
  while (length > 0) {
    // A full chunk is sealed only when more bytes follow: the last chunk is
    // always shorter than the capacity.
    if (position_ == kChunkCapacity && FlushChunk(false) != kOk) break;
    uint32_t take = std::min(length, kChunkCapacity - position_);
    std::memcpy(chunk_.GetBytes() + position_, in, take);
    position_ += take;
    in += take;
    length -= take;
  }
  return GetError();
}

Result AeadChunkStream::FlushChunk(bool last) {
  if (GetError() != kOk) return GetError();
  if (EnsureBuffer() != kOk) return GetError();
  if (last && position_ == kChunkCapacity && FlushChunk(false) != kOk) return GetError();
  if (chunks_ == UINT32_MAX) return RecordError(kCipherFailed);
  uint8_t nonce[kGcmNonceSize];
  MakeNonce(last, nonce);
  uint8_t* data = chunk_.GetBytes();
  Result r = engine_.Seal(nonce, ByteRange{header_.data(), header_.size()}, data, position_, data + position_);
  if (r != kOk) return RecordError(r);
  const uint8_t head[4] = {static_cast<uint8_t>(position_), static_cast<uint8_t>(position_ >> 8),
                           static_cast<uint8_t>(position_ >> 16), static_cast<uint8_t>(position_ >> 24)};
  WriteInner(head, sizeof head);
  WriteInner(data, position_ + static_cast<uint32_t>(kGcmTagSize));
  ++chunks_;
  position_ = 0;
  return GetError();
}

Result AeadChunkStream::Read(void* buffer, uint32_t length) {
  if (FilterStream::Read(buffer, length) != kOk || buffer == nullptr || length == 0) return GetError();
  uint32_t copied = 0;
  const Result r = ReadFromChunks(static_cast<uint8_t*>(buffer), length, chunk_, chunk_length_, position_,
                                  [this] { return Refill(); }, &copied);
  if (r == kShortRead && copied == 0) overran_cleanly_ = true;
  return GetError();
}

Result AeadChunkStream::NextPiece(const uint8_t** data, uint32_t* length) {
  *length = 0;
  if (GetError() != kOk) return GetError();
  if (!IsReading()) return RecordError(kWrongDirection);
  if (position_ == chunk_length_) {
    if (ended_) return kOk;
    if (Refill() != kOk) return GetError();
  }
  *data = chunk_.GetBytes() + position_;
  *length = chunk_length_ - position_;
  position_ = chunk_length_;
  return kOk;
}

Result AeadChunkStream::CheckEnd() {
  if (GetError() == kShortRead) return overran_cleanly_ ? kOk : kPackageDamaged;
  if (GetError() != kOk) return GetError();
  if (!IsReading()) return RecordError(kWrongDirection);
  // Plain bytes the content did not take.
  if (position_ != chunk_length_) return Fail(kPackageDamaged);
  if (!ended_) {
    if (Refill() != kOk) return GetError();
    if (chunk_length_ != 0) return Fail(kPackageDamaged);
  }
  return kOk;
}

Result AeadChunkStream::Refill() {
  if (GetError() != kOk) return GetError();
  // Asked for more than the content holds.
  if (ended_) return RecordError(kShortRead);
  if (EnsureBuffer() != kOk) return GetError();
  chunk_length_ = 0;
  position_ = 0;
  uint8_t head[4] = {};
  if (remaining_ < sizeof head) return Fail(kPackageTruncated);
  if (ReadInner(head, sizeof head) != kOk) return GetError();
  remaining_ -= sizeof head;
  const uint32_t length = LoadU32Le(head);
  if (length > kChunkCapacity) return Fail(kPackageDamaged);
  const uint32_t sealed = length + static_cast<uint32_t>(kGcmTagSize);
  if (sealed > remaining_) return Fail(kPackageTruncated);
  uint8_t* data = chunk_.GetBytes();
  if (ReadInner(data, sealed) != kOk) return GetError();
  remaining_ -= sealed;
  const bool last = length < kChunkCapacity;
  uint8_t nonce[kGcmNonceSize];
  MakeNonce(last, nonce);
  Result r = engine_.Open(nonce, ByteRange{header_.data(), header_.size()}, data, length, data + length);
  if (r != kOk) return Fail(r);
  // Whatever follows the flagged chunk was put there by someone else.
  if (last && remaining_ != 0) return Fail(kPackageDamaged);
  ++chunks_;
  ended_ = last;
  chunk_length_ = length;
  return kOk;
}

}  // namespace mv
