// TagRecord: a list value with lookups by tag. Every structured record of
// the system (container header, content record, file information, archive
// entries, carrier header) is one. Tags are local to the record; lookups
// scan from the first member and find the first one with the tag, so a
// record may hold duplicates and only the first counts.
//
// Getters return the caller's default when the member is missing or of
// another type; no conversion between types takes place (a kTypeI32 member
// is not found by GetU32).
#pragma once

#include <cstdint>

#include "base/string.h"
#include "stream/tag_value.h"

namespace mv {

class TagRecord : public TagValue {
 public:
  // An empty list with tag 0.
  TagRecord();
  TagRecord(const TagRecord& other) = default;
  TagRecord& operator=(const TagRecord& other) = default;

  // An empty list with tag 0.
  void Reset() override;
  // Validate, then sorts all members with the list's compare function.
  virtual void Sort();

  // Number of members; 0 when the value is not a list (a record read from a
  // stream takes whatever type the stream holds).
  int32_t GetCount() const;
  // Member i (0 <= i < GetCount()).
  const TagValue& Member(int32_t i) const;
  TagValue& Member(int32_t i);

  // Index of the first member with tag, or -1.
  int32_t Find(uint16_t tag) const;
  // A copy of the first member with tag, or an empty value; out's tag is
  // tag either way.
  void Get(TagValue& out, uint16_t tag) const;
  // Assigns a copy of value with tag over the first member with tag when
  // replace is set and one exists; otherwise appends. A record that is not
  // a list becomes an empty one first. kOutOfMemory when the member cannot
  // be stored.
  Result Set(uint16_t tag, const TagValue& value, bool replace);

  uint8_t GetU8(uint16_t tag, uint8_t default_value) const;
  Result SetU8(uint16_t tag, uint8_t value, bool replace);
  uint32_t GetU32(uint16_t tag, uint32_t default_value) const;
  Result SetU32(uint16_t tag, uint32_t value, bool replace);
  // A member holding no text (kTypeText set from null) gives "".
  void GetText(String& out, uint16_t tag, const char* default_text) const;
  Result SetText(uint16_t tag, const char* text, bool replace);
  // A deep copy of the member when it is a list, else an empty record.
  void GetRecord(TagRecord& out, uint16_t tag) const;

 private:
  // The member with tag when it is of type, else null.
  const TagValue* FindTyped(uint16_t tag, uint16_t type) const;
};

}  // namespace mv
