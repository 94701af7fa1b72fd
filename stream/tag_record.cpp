#include "stream/tag_record.h"

#include <utility>

namespace mv {

TagRecord::TagRecord() { SetType(kTypeList); }

void TagRecord::Reset() {
  SetType(kTypeList);
  SetTag(0);
}

void TagRecord::Sort() {
  Validate();
  if (TagValueArray* list = GetList()) list->Sort();
}

int32_t TagRecord::GetCount() const {
  Validate();
  const TagValueArray* list = GetList();
  return list != nullptr ? list->GetCount() : 0;
}

const TagValue& TagRecord::Member(int32_t i) const { return (*GetList())[i]; }

TagValue& TagRecord::Member(int32_t i) { return (*GetList())[i]; }

int32_t TagRecord::Find(uint16_t tag) const {
  Validate();
  const TagValueArray* list = GetList();
  if (list == nullptr) return -1;
  for (int32_t i = 0; i < list->GetCount(); ++i) {
    if ((*list)[i].GetTag() == tag) return i;
  }
  return -1;
}

const TagValue* TagRecord::FindTyped(uint16_t tag, uint16_t type) const {
  int32_t i = Find(tag);
  if (i < 0) return nullptr;
  const TagValue& member = Member(i);
  return member.GetType() == type ? &member : nullptr;
}

void TagRecord::Get(TagValue& out, uint16_t tag) const {
  int32_t i = Find(tag);
  if (i >= 0) out.Assign(Member(i));
  else out.Reset();
  out.SetTag(tag);
}

Result TagRecord::Set(uint16_t tag, const TagValue& value, bool replace) {
  Validate();
  TagValue copy(value);
  if (copy.GetType() != value.GetType()) return kOutOfMemory;
  copy.SetTag(tag);
  if (GetList() == nullptr) {
    SetType(kTypeList);
    if (GetList() == nullptr) return kOutOfMemory;
  }
  int32_t i = replace ? Find(tag) : -1;
  if (i >= 0) {
    Member(i).Swap(copy);
    return kOk;
  }
  return GetList()->Add(std::move(copy)) >= 0 ? kOk : kOutOfMemory;
}

uint8_t TagRecord::GetU8(uint16_t tag, uint8_t default_value) const {
  const TagValue* member = FindTyped(tag, kTypeU8);
  return member != nullptr ? member->GetU8Value() : default_value;
}

Result TagRecord::SetU8(uint16_t tag, uint8_t value, bool replace) {
  TagValue member;
  member.SetU8Value(value);
  return Set(tag, member, replace);
}

uint32_t TagRecord::GetU32(uint16_t tag, uint32_t default_value) const {
  const TagValue* member = FindTyped(tag, kTypeU32);
  return member != nullptr ? member->GetU32Value() : default_value;
}

Result TagRecord::SetU32(uint16_t tag, uint32_t value, bool replace) {
  TagValue member;
  member.SetU32Value(value);
  return Set(tag, member, replace);
}

void TagRecord::GetText(String& out, uint16_t tag, const char* default_text) const {
  const TagValue* member = FindTyped(tag, kTypeText);
  out = member != nullptr ? member->GetTextValue() : default_text;
}

Result TagRecord::SetText(uint16_t tag, const char* text, bool replace) {
  TagValue member;
  member.SetTextValue(text);
  if (member.GetType() != kTypeText) return kOutOfMemory;
  return Set(tag, member, replace);
}

void TagRecord::GetRecord(TagRecord& out, uint16_t tag) const {
  const TagValue* member = FindTyped(tag, kTypeList);
  if (member != nullptr) out.Assign(*member);
  else out.Reset();
}

}  // namespace mv
