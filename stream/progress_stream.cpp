#include "stream/progress_stream.h"

namespace mv {

Result ProgressStream::Open(Stream* inner) {
  Result r = FilterStream::Open(inner);
  if (r != kOk) return r;
  const StreamContext* context = GetContext();
  if (context != nullptr && context->progress != nullptr) callback_ = *context->progress;
  RecordError(Notify(kProgressBegin, 100));
  return kOk;
}

Result ProgressStream::Close() {
  // The callback is forgotten with the level it ended, so a second Close
  // (or the close inside a failed Open) sends nothing.
  Notify(kProgressEnd, 0);
  callback_ = ProgressCallback();
  return FilterStream::Close();
}

Result ProgressStream::Read(void* buffer, uint32_t length) {
  if (FilterStream::Read(buffer, length) == kOk && ReadInner(buffer, length) == kOk) {
    ReportPosition();
  }
  return GetError();
}

Result ProgressStream::Write(const void* buffer, uint32_t length) {
  if (FilterStream::Write(buffer, length) == kOk && WriteInner(buffer, length) == kOk) {
    ReportPosition();
  }
  return GetError();
}

Result ProgressStream::Notify(int32_t code, int32_t value) const {
  return NotifyProgress(&callback_, code, value);
}

Result ProgressStream::ReportPosition() {
  const StreamContext* context = GetContext();
  uint32_t total = context != nullptr && context->expected_total != 0 ? context->expected_total : 100;
  return RecordError(Notify(kProgressPosition, static_cast<int32_t>(Percent(GetCount(), total, true))));
}

}  // namespace mv
