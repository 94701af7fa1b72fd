#include "stream/capture_stream.h"

namespace mv {

Result CaptureStream::Open(Stream* inner, size_t limit) {
  bytes_.clear();
  limit_ = limit;
  cut_ = false;
  return FilterStream::Open(inner);
}

void CaptureStream::Keep(const void* buffer, uint32_t length) {
  if (bytes_.size() + length > limit_) {
    cut_ = true;
    return;
  }
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  bytes_.insert(bytes_.end(), bytes, bytes + length);
}

Result CaptureStream::Read(void* buffer, uint32_t length) {
  if (FilterStream::Read(buffer, length) != kOk || buffer == nullptr || length == 0) return GetError();
  if (ReadInner(buffer, length) == kOk) Keep(buffer, length);
  return GetError();
}

Result CaptureStream::Write(const void* buffer, uint32_t length) {
  if (FilterStream::Write(buffer, length) != kOk || buffer == nullptr || length == 0) return GetError();
  if (WriteInner(buffer, length) == kOk) Keep(buffer, length);
  return GetError();
}

}  // namespace mv
