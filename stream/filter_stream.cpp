#include "stream/filter_stream.h"

namespace mv {

Result FilterStream::Open(Stream* inner) {
  if (inner == nullptr) return kBadArgument;
  if (Stream::Open(inner->GetMode(), inner->GetContext()) != kOk) {
    Close();
    return kFilterModeRefused;
  }
  inner_ = inner;
  return kOk;
}

Result FilterStream::Close() {
  inner_ = nullptr;
  return Stream::Close();
}

Result FilterStream::Read(void* buffer, uint32_t length) {
  if (Stream::Read(buffer, length) == kOk && inner_ == nullptr) RecordError(kNotOpen);
  return GetError();
}

Result FilterStream::Write(const void* buffer, uint32_t length) {
  if (Stream::Write(buffer, length) == kOk && inner_ == nullptr) RecordError(kNotOpen);
  return GetError();
}

Result FilterStream::ReadInner(void* buffer, uint32_t length) {
  if (buffer == nullptr || length == 0 || inner_ == nullptr) return GetError();
  return RecordError(inner_->Read(buffer, length));
}

Result FilterStream::WriteInner(const void* buffer, uint32_t length) {
  if (buffer == nullptr || length == 0 || inner_ == nullptr) return GetError();
  return RecordError(inner_->Write(buffer, length));
}

}  // namespace mv
