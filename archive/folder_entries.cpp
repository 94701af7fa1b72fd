#include "archive/folder_entries.h"

#include "archive/archive_entry.h"
#include "fs/folder_walk.h"

namespace mv {
namespace {

Result AddEntry(const char* /*root*/, const char* relative, const char* name, int is_folder,
                uintptr_t record_word, uintptr_t tag, uintptr_t) {
  TagValue value;
  value.SetType(kTypeEntry);
  ArchiveEntry* entry = ArchiveEntry::FromValue(value);
  if (entry == nullptr) return kOutOfMemory;
  if (entry->SetU8(kEntryTagKind, is_folder != 0 ? kEntryKindFolder : kEntryKindFile, true) != kOk ||
      entry->SetText(kEntryTagName, name, true) != kOk ||
      entry->SetText(kEntryTagFolder, relative, true) != kOk) {
    return kOutOfMemory;
  }
  auto* record = reinterpret_cast<TagRecord*>(record_word);
  return record->Set(static_cast<uint16_t>(tag), value, false);
}

}  // namespace

Result AddFolderEntries(const String& root, uint16_t tag, TagRecord* record) {
  if (record == nullptr) return kBadArgument;
  RegisterArchiveEntries();
  return WalkFolder(root, "", &AddEntry, reinterpret_cast<uintptr_t>(record), tag, 0, 0);
}

}  // namespace mv
