// FilterStream: the base of every layered stream. A filter sits on an inner
// stream that it does not own, runs in the inner stream's direction and
// shares its context. A filter never closes its inner stream; the owner of a
// pipeline closes each layer, top first.
//
// A derived filter's Read/Write starts with FilterStream::Read/Write (the
// admission) and moves bytes only when that returns kOk; failures from below
// are recorded with ReadInner/WriteInner or RecordError, so the deepest
// cause reaches the caller unchanged.
#pragma once

#include "stream/stream.h"

namespace mv {

class FilterStream : public Stream {
 public:
  FilterStream() = default;

  // Opens in inner's mode with inner's context. kBadArgument for a null
  // inner; kFilterModeRefused (stream closed) when inner is not open.
  Result Open(Stream* inner);

  // Forgets the inner stream (without closing it), then the base Close.
  Result Close() override;

  // The base admission, plus kNotOpen (sticky) when there is no inner
  // stream. Returns the error field, so unlike the base an empty call
  // returns kOk on a healthy stream; it moves nothing.
  Result Read(void* buffer, uint32_t length) override;
  Result Write(const void* buffer, uint32_t length) override;

  Stream* GetInner() const { return inner_; }

 protected:
  // Moves bytes through the inner stream and records its result as this
  // stream's error; returns the error field. An empty call (null buffer or
  // zero length) is a no-op that returns the error field.
  Result ReadInner(void* buffer, uint32_t length);
  Result WriteInner(const void* buffer, uint32_t length);

 private:
  Stream* inner_ = nullptr;
};

}  // namespace mv
