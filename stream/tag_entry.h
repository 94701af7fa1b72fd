// The seam between tagged values and archive entries. A value of type
// kTypeEntry (3100) holds an object behind this interface; the archive module
// implements it and registers a factory at start-up. While no factory is
// registered, SetType(kTypeEntry) leaves the value kTypeNone and reading a
// kTypeEntry member from a stream fails the stream with kMalformedRecord, so
// records that carry entries are refused cleanly rather than misread.
#pragma once

#include <cstdint>

#include "base/result.h"

namespace mv {

class Stream;

class TagEntryObject {
 public:
  virtual ~TagEntryObject() = default;

  // Writes or reads the entry's payload (everything after the 8-byte
  // type-tag-length head of its member) according to the stream's
  // direction. Failures are recorded in the stream; returns its error field.
  virtual Result Serialize(Stream& stream) = 0;

  // The number of bytes Serialize will write to stream after the head; the
  // head's length field. May bind to the stream's context like Serialize.
  virtual uint32_t ComputeSize(Stream& stream) = 0;

  // A deep copy (members and all), or null when it cannot be allocated.
  virtual TagEntryObject* Clone() const = 0;
};

// Creates a new empty entry, or returns null when it cannot be allocated.
// The result is owned by the TagValue that asked for it and destroyed with
// delete.
using TagEntryFactory = TagEntryObject* (*)();

// Installs the factory (null removes it). Called once at start-up, before
// any record is read, by the module that implements archive entries.
void SetTagEntryFactory(TagEntryFactory factory);
TagEntryFactory GetTagEntryFactory();

}  // namespace mv
