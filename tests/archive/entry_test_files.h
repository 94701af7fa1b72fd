// Helpers for the archive entry tests: entries as a producer makes them,
// entry encodings as a hostile package could carry them, and the sorted
// listing of a tree.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "archive/archive_entry.h"
#include "base/string.h"
#include "fs/folder_walk.h"
#include "stream/memory_stream.h"
#include "stream/tag_record.h"

namespace mv::test {

// A kTypeEntry value; a kind of -1 leaves tag 100 out.
inline TagValue MakeEntryValue(int kind, const char* folder, const char* name) {
  TagValue value;
  value.SetType(kTypeEntry);
  ArchiveEntry* entry = ArchiveEntry::FromValue(value);
  EXPECT_NE(entry, nullptr);
  if (entry == nullptr) return value;
  if (kind >= 0) entry->SetU8(kEntryTagKind, static_cast<uint8_t>(kind), true);
  entry->SetText(kEntryTagFolder, folder, true);
  entry->SetText(kEntryTagName, name, true);
  return value;
}

// The bytes of a kTypeEntry member built by hand, without the checks a
// writing entry makes: head, the record, and for a file its content.
inline std::vector<uint8_t> EncodeRawEntry(TagRecord& record, const std::string* content) {
  MemoryStream record_bytes;
  record_bytes.OpenWrite();
  record.Serialize(record_bytes);
  uint32_t length = static_cast<uint32_t>(record_bytes.GetData().size());
  if (content != nullptr) length += 4 + static_cast<uint32_t>(content->size());
  MemoryStream out;
  out.OpenWrite();
  out.WriteU16(kTypeEntry);
  out.WriteU16(0);
  out.WriteU32(length);
  out.Write(record_bytes.GetData().data(), static_cast<uint32_t>(record_bytes.GetData().size()));
  if (content != nullptr) {
    out.WriteU32(static_cast<uint32_t>(content->size()));
    if (!content->empty()) out.Write(content->data(), static_cast<uint32_t>(content->size()));
  }
  return out.GetData();
}

inline std::vector<uint8_t> EncodeRawEntry(int kind, const char* folder, const char* name,
                                           const std::string* content) {
  TagRecord record;
  record.SetU8(kEntryTagKind, static_cast<uint8_t>(kind), true);
  record.SetText(kEntryTagName, name, true);
  record.SetText(kEntryTagFolder, folder, true);
  return EncodeRawEntry(record, content);
}

// Reads one value from bytes with base as the context's base folder.
inline Result ReadValue(const std::vector<uint8_t>& bytes, const char* base, TagValue* value,
                        size_t* left_unread = nullptr) {
  StreamContext context;
  context.base_folder = base;
  MemoryStream in;
  in.OpenRead(bytes, &context);
  Result r = value->Serialize(in);
  if (left_unread != nullptr) *left_unread = in.GetRemaining();
  return r;
}

// Every file and folder below root, relative to it, sorted; folders end
// in '/'.
inline std::vector<std::string> TreeOf(const std::string& root) {
  StringArray paths;
  EXPECT_EQ(ListFolder(String(root.c_str()), &paths), kOk) << root;
  std::vector<std::string> tree;
  for (int32_t i = 0; i < paths.GetCount(); ++i) tree.push_back(paths[i].c_str() + root.size());
  std::sort(tree.begin(), tree.end());
  return tree;
}

}  // namespace mv::test
