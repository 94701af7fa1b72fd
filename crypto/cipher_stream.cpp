#include "crypto/cipher_stream.h"

#include <algorithm>
#include <cstring>

#include "base/little_endian.h"
#include "crypto/chunk_reading.h"

namespace mv {
namespace {

// Room for the largest length block (AES).
constexpr uint32_t kMaxLengthBlock = 16;
// The chunk buffer's first size.
constexpr uint32_t kFirstChunkBuffer = 64 * 1024;

}  // namespace

CipherStream::~CipherStream() { chunk_.Clear(); }

Result CipherStream::Open(Stream* inner, const String& password, const TagValue* vector,
                          CipherId id) {
  Result result = CipherStreamBase::Open(inner, password, vector, id);
  if (result != kOk) return result;
  result = length_chain_.Init(id, GetMode(), password, vector);
  if (result != kOk) {
    Close();
    return result;
  }
  chunks_ = 0;
  chunk_length_ = 0;
  position_ = 0;
  return kOk;
}

Result CipherStream::Close() {
  Result result = kOk;
  if (IsWriting()) {
    if (position_ != 0) FlushChunk();
    result = GetError();
  }
  chunk_length_ = 0;
  position_ = 0;
  // Clearing wipes the plain bytes of the last chunk.
  chunk_.Clear();
  length_chain_.Reset();
  CipherStreamBase::Close();
  return result;
}

uint32_t CipherStream::PaddedLength(uint32_t length) const {
  uint32_t block = GetBlockSize();
  return (length + block - 1) / block * block;
}

Result CipherStream::ReserveChunk(uint32_t length) {
  const uint32_t held = chunk_.GetBytes() == nullptr ? 0 : chunk_.GetLength();
  if (held >= length && held != 0) return kOk;
  const uint32_t limit = GetChunkLimit();
  uint32_t size = std::max({length, kFirstChunkBuffer, held <= limit / 2 ? held * 2 : limit});
  size = std::min(size, limit);
  TagValue bigger;
  bigger.SetBlobSize(size);
  if (bigger.GetBytes() == nullptr) return RecordError(kOutOfMemory);
  // The bytes collected so far move along; the old buffer is wiped as it goes.
  if (held != 0) std::memcpy(bigger.GetBytes(), chunk_.GetBytes(), std::min(position_, held));
  chunk_.Swap(bigger);
  return kOk;
}

Result CipherStream::Write(const void* buffer, uint32_t length) {
  if (FilterStream::Write(buffer, length) != kOk || buffer == nullptr || length == 0) {
    return GetError();
  }
  const auto* in = static_cast<const uint8_t*>(buffer);
  uint32_t limit = GetChunkLimit();
  while (length > 0) {
    uint32_t take = std::min(length, limit - position_);
    // Room for the padding too, which the flush adds.
    if (ReserveChunk(PaddedLength(position_ + take)) != kOk) break;
    std::memcpy(chunk_.GetBytes() + position_, in, take);
    position_ += take;
    in += take;
    length -= take;
    if (position_ == limit && FlushChunk() != kOk) break;
  }
  return GetError();
}

Result CipherStream::FlushChunk() {
  if (GetError() != kOk) return GetError();
  uint32_t plain = position_;
  uint32_t padded = PaddedLength(plain);
  uint8_t* data = chunk_.GetBytes();
  std::memset(data + plain, 0, padded - plain);
  uint32_t block = GetBlockSize();
  uint8_t length_block[kMaxLengthBlock] = {
      static_cast<uint8_t>(plain), static_cast<uint8_t>(plain >> 8),
      static_cast<uint8_t>(plain >> 16), static_cast<uint8_t>(plain >> 24)};
  Result result = DataChain().Encrypt(data, padded);
  if (result == kOk) result = length_chain_.Encrypt(length_block, block);
  if (result != kOk) return RecordError(result);
  WriteInner(length_block, block);
  WriteInner(data, padded);
  ++chunks_;
  position_ = 0;
  return GetError();
}

Result CipherStream::Read(void* buffer, uint32_t length) {
  if (FilterStream::Read(buffer, length) != kOk || buffer == nullptr || length == 0) return GetError();
  ReadFromChunks(static_cast<uint8_t*>(buffer), length, chunk_, chunk_length_, position_, [this] { return Refill(); });
  return GetError();
}

Result CipherStream::Refill() {
  if (GetError() != kOk) return GetError();
  uint32_t block = GetBlockSize();
  uint8_t length_block[kMaxLengthBlock] = {};
  if (ReadInner(length_block, block) != kOk) return GetError();
  Result result = length_chain_.Decrypt(length_block, block);
  if (result != kOk) return RecordError(result);
  uint32_t plain = LoadU32Le(length_block);
  // Bounded before the data is read: a wrong key or damaged input gives a
  // random length here.
  if (plain > GetChunkLimit()) return RecordError(kCipherFailed);
  uint32_t padded = PaddedLength(plain);
  if (ReserveChunk(padded) != kOk) return GetError();
  if (padded != 0) {
    if (ReadInner(chunk_.GetBytes(), padded) != kOk) return GetError();
    result = DataChain().Decrypt(chunk_.GetBytes(), padded);
    if (result != kOk) return RecordError(result);
  }
  chunk_length_ = plain;
  position_ = 0;
  ++chunks_;
  return kOk;
}

}  // namespace mv
