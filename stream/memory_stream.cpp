#include "stream/memory_stream.h"

#include <cstring>

#include "base/memory.h"

namespace mv {

MemoryStream::~MemoryStream() { WipeData(); }

void MemoryStream::WipeData() {
  SecureWipe(data_.data(), data_.size());
  data_.clear();
  position_ = 0;
}

Result MemoryStream::OpenWrite(StreamContext* context) {
  Result r = Open(kWriting, context);
  WipeData();
  return r;
}

Result MemoryStream::OpenRead(const void* bytes, size_t size, StreamContext* context) {
  // Copied first: bytes may be this stream's own buffer.
  const auto* first = static_cast<const uint8_t*>(bytes);
  std::vector<uint8_t> copy;
  if (size > 0) copy.assign(first, first + size);
  Result r = Open(kReading, context);
  WipeData();
  data_.swap(copy);
  return r;
}

Result MemoryStream::OpenRead(const std::vector<uint8_t>& bytes, StreamContext* context) {
  return OpenRead(bytes.data(), bytes.size(), context);
}

Result MemoryStream::Read(void* buffer, uint32_t length) {
  Result r = Stream::Read(buffer, length);
  if (r != kOk) return r;
  if (length > GetRemaining()) {
    position_ = data_.size();
    return RecordError(kShortRead);
  }
  std::memcpy(buffer, data_.data() + position_, length);
  position_ += length;
  return kOk;
}

Result MemoryStream::Write(const void* buffer, uint32_t length) {
  Result r = Stream::Write(buffer, length);
  if (r != kOk) return r;
  const auto* first = static_cast<const uint8_t*>(buffer);
  // Growing the vector releases its old block unwiped; reserve in doubling
  // steps through a wiped copy so no stale copy of the data is left behind.
  if (data_.size() + length > data_.capacity()) {
    std::vector<uint8_t> larger;
    larger.reserve((data_.size() + length) * 2);
    larger.assign(data_.begin(), data_.end());
    SecureWipe(data_.data(), data_.size());
    data_.swap(larger);
  }
  data_.insert(data_.end(), first, first + length);
  return kOk;
}

}  // namespace mv
