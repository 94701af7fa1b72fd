#include "stream/lsb_stream.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "stream/file_info.h"
#include "stream/matrix_code.h"

namespace mv {

LsbStream::LsbStream(const CarrierLayout& layout) : layout_(layout) {}

LsbStream::~LsbStream() {
  if (GetMode() != kClosed) LsbStream::Close();
}

Result LsbStream::Open(uint32_t mode, const String& path, StreamContext* context) {
  const Result opened = Stream::Open(mode, context);
  k_ = 1;
  buffer_size_ = 1;
  buffer_.Clear();
  position_ = 0;
  carrier_position_ = layout_.data_offset;
  path_ = path;
  if (opened != kOk) return opened;

  saved_info_.Reset();
  restore_info_ = GetFileInfo(path_, &saved_info_) == kOk;
  if (restore_info_) {
    TagRecord writable(saved_info_);
    writable.SetU8(kInfoTagReadOnly, 0, true);
    SetFileInfo(path_, &writable);
  }
  if (!file_.Open(path_.c_str(), "r+b") || !file_.Seek(carrier_position_, platform::SeekOrigin::kBegin)) {
    Close();
    return kFailed;
  }
  return kOk;
}

Result LsbStream::Close() {
  Result result = kOk;
  if (IsWriting() && position_ != 0 && GetError() == kOk && file_.IsOpen()) {
    result = EmbedBuffer(position_);
  }
  position_ = 0;
  if (!file_.Close() && IsWriting() && result == kOk) result = kShortWrite;
  if (restore_info_) {
    SetFileInfo(path_, &saved_info_);
    restore_info_ = false;
  }
  buffer_.Clear();
  Stream::Close();
  return result;
}

Result LsbStream::SetGroupBits(int64_t units, uint32_t size) {
  const uint32_t k = ChooseGroupBits(units, size);
  if (k == 0) return RecordError(kCarrierTooSmall);
  k_ = k;
  buffer_size_ = CarrierBufferSize(k);
  buffer_.Clear();
  position_ = 0;
  return GetError();
}

Result LsbStream::Write(const void* buffer, uint32_t length) {
  const Result admitted = Stream::Write(buffer, length);
  if (admitted != kOk) return admitted;
  const uint8_t* from = static_cast<const uint8_t*>(buffer);
  while (length > 0) {
    if (buffer_.GetBytes() == nullptr || buffer_.GetLength() != buffer_size_) {
      buffer_.SetBlobSize(buffer_size_);
      if (buffer_.GetBytes() == nullptr) return RecordError(kOutOfMemory);
      position_ = 0;
    }
    const uint32_t n = std::min(length, buffer_size_ - position_);
    std::memcpy(buffer_.GetBytes() + position_, from, n);
    position_ += n;
    from += n;
    length -= n;
    if (position_ == buffer_size_) {
      const Result embedded = EmbedBuffer(position_);
      if (embedded != kOk) return embedded;
      position_ = 0;
    }
  }
  return GetError();
}

Result LsbStream::Read(void* buffer, uint32_t length) {
  const Result admitted = Stream::Read(buffer, length);
  if (admitted != kOk) return admitted;
  uint8_t* to = static_cast<uint8_t*>(buffer);
  while (length > 0) {
    if (buffer_.GetBytes() == nullptr || position_ >= buffer_.GetLength()) {
      const Result extracted = ExtractBuffer();
      if (extracted != kOk) return extracted;
    }
    const uint32_t n = std::min(length, buffer_.GetLength() - position_);
    std::memcpy(to, buffer_.GetBytes() + position_, n);
    position_ += n;
    to += n;
    length -= n;
  }
  return GetError();
}

Result LsbStream::LoadUnits(uint32_t length, size_t* bytes) {
  const uint64_t needed = MatrixUnitCount(length, k_) * (layout_.unit_bits / 8);
  *bytes = static_cast<size_t>(needed);
  if (needed > units_capacity_) {
    units_.reset(new (std::nothrow) uint8_t[*bytes]);
    units_capacity_ = units_ == nullptr ? 0 : *bytes;
    if (units_ == nullptr) return RecordError(kOutOfMemory);
  }
  if (!file_.Seek(carrier_position_, platform::SeekOrigin::kBegin) ||
      file_.Read(units_.get(), *bytes) != *bytes) {
    return RecordError(kShortRead);
  }
  return kOk;
}

Result LsbStream::EmbedBuffer(uint32_t length) {
  size_t bytes = 0;
  const Result loaded = LoadUnits(length, &bytes);
  if (loaded != kOk) return loaded;
  EmbedMatrixBits(buffer_.GetBytes(), length, k_, units_.get(), layout_.unit_bits / 8);
  // The seek back also separates the read from the write, as update mode
  // requires.
  if (!file_.Seek(carrier_position_, platform::SeekOrigin::kBegin) ||
      file_.Write(units_.get(), bytes) != bytes) {
    return RecordError(kShortWrite);
  }
  carrier_position_ += static_cast<int64_t>(bytes);
  return kOk;
}

Result LsbStream::ExtractBuffer() {
  buffer_.SetBlobSize(buffer_size_);
  position_ = 0;
  if (buffer_.GetBytes() == nullptr) return RecordError(kOutOfMemory);
  size_t bytes = 0;
  const Result loaded = LoadUnits(buffer_size_, &bytes);
  if (loaded != kOk) return loaded;
  ExtractMatrixBits(units_.get(), layout_.unit_bits / 8, k_, buffer_.GetBytes(), buffer_size_);
  carrier_position_ += static_cast<int64_t>(bytes);
  return kOk;
}

}  // namespace mv
