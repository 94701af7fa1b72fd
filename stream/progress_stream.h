// ProgressStream: the filter that reports the position of the bytes passing
// through it in the progress protocol of base/progress.h.
#pragma once

#include <cstdint>

#include "base/progress.h"
#include "stream/filter_stream.h"

namespace mv {

// Reports the percentage of the expected total (the context's, or 100 when
// there is none) after every transfer, begins with (100, 100) at open and
// ends with (105, 0) at close. A non-zero notification result becomes the
// stream's error and the result of the transfer that triggered it.
class ProgressStream : public FilterStream {
 public:
  ProgressStream() = default;

  // kBadArgument for a null inner, kFilterModeRefused when the filter cannot
  // open; otherwise kOk (a refused begin notification is left in the error
  // field and stops the first transfer). Takes a copy of the context's
  // callback.
  Result Open(Stream* inner);
  // Sends the end notification, then forgets the callback and the inner
  // stream.
  Result Close() override;
  Result Read(void* buffer, uint32_t length) override;
  Result Write(const void* buffer, uint32_t length) override;

 private:
  Result Notify(int32_t code, int32_t value) const;
  Result ReportPosition();

  ProgressCallback callback_;
};

}  // namespace mv
