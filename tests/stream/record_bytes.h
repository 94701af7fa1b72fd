// Helpers of the record tests: encoding and decoding of tagged values
// through a memory stream, and a scoped choice of the archive entry factory
// (the archive module registers one at start-up when it is linked in).
#pragma once

#include <cstdint>
#include <vector>

#include "stream/memory_stream.h"
#include "stream/tag_entry.h"
#include "stream/tag_value.h"

namespace mv::test {

inline std::vector<uint8_t> Encode(TagValue& value, StreamContext* context = nullptr) {
  MemoryStream out;
  out.OpenWrite(context);
  value.Serialize(out);
  return out.GetData();
}

inline Result Decode(const std::vector<uint8_t>& bytes, TagValue& value, StreamContext* context = nullptr) {
  MemoryStream in;
  in.OpenRead(bytes, context);
  return value.Serialize(in);
}

class ScopedEntryFactory {
 public:
  explicit ScopedEntryFactory(TagEntryFactory factory) : saved_(GetTagEntryFactory()) {
    SetTagEntryFactory(factory);
  }
  ~ScopedEntryFactory() { SetTagEntryFactory(saved_); }
  ScopedEntryFactory(const ScopedEntryFactory&) = delete;
  ScopedEntryFactory& operator=(const ScopedEntryFactory&) = delete;

 private:
  TagEntryFactory saved_;
};

}  // namespace mv::test
