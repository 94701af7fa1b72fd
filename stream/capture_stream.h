// CaptureStream: a filter that moves bytes through unchanged, in either
// direction, and keeps a copy of the first bytes that passed. It serves
// records whose exact bytes, as stored, must be known afterwards (the
// strong container's header is authenticated byte for byte, never
// re-serialised).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "stream/filter_stream.h"

namespace mv {

class CaptureStream : public FilterStream {
 public:
  CaptureStream() = default;

  // Opens over inner in its direction; at most limit bytes are kept.
  Result Open(Stream* inner, size_t limit);
  Result Read(void* buffer, uint32_t length) override;
  Result Write(const void* buffer, uint32_t length) override;

  // The bytes kept, in order; all that passed unless IsCut().
  const std::vector<uint8_t>& GetBytes() const { return bytes_; }
  // More than the limit passed: the copy is incomplete.
  bool IsCut() const { return cut_; }

 private:
  void Keep(const void* buffer, uint32_t length);

  std::vector<uint8_t> bytes_;
  size_t limit_ = 0;
  bool cut_ = false;
};

}  // namespace mv
