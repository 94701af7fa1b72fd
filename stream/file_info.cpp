#include "stream/file_info.h"

#include "fs/disk_query.h"
#include "fs/path.h"
#include "platform/files.h"
#include "stream/tag_record.h"

namespace mv {
namespace {

struct FlagTag {
  uint16_t tag;
  uint32_t bit;
};
// In the order the flags are written to a record.
constexpr FlagTag kFlagTags[] = {
    {kInfoTagArchive, platform::kAttributeArchive},
    {kInfoTagSystem, platform::kAttributeSystem},
    {kInfoTagHidden, platform::kAttributeHidden},
    {kInfoTagReadOnly, platform::kAttributeReadOnly},
};

constexpr uint32_t kTimeBlobSize = 8;

Result PutTime(TagRecord* info, uint16_t tag, platform::FileTime time) {
  uint8_t bytes[kTimeBlobSize];
  for (uint32_t i = 0; i < kTimeBlobSize; ++i) bytes[i] = static_cast<uint8_t>(time >> (8 * i));
  TagValue value;
  value.SetBlob(bytes, kTimeBlobSize);
  if (value.GetType() != kTypeBlob) return kOutOfMemory;
  return info->Set(tag, value, true);
}

// The time under tag when it is an 8-byte blob other than 0.
bool TakeTime(const TagRecord& info, uint16_t tag, platform::FileTime* time) {
  TagValue value;
  info.Get(value, tag);
  if (value.GetType() != kTypeBlob || value.GetLength() != kTimeBlobSize) return false;
  const uint8_t* bytes = value.GetBytes();
  *time = 0;
  for (uint32_t i = 0; i < kTimeBlobSize; ++i) *time |= static_cast<platform::FileTime>(bytes[i]) << (8 * i);
  return *time != 0;
}

Result ReadInfo(const String& path, TagRecord* info) {
  uint32_t attributes = platform::ReadAttributes(path.c_str());
  if (attributes == platform::kInvalidAttributes) return kFailed;
  for (const FlagTag& flag : kFlagTags) {
    if ((attributes & flag.bit) == 0) continue;
    Result r = info->SetU8(flag.tag, 1, true);
    if (r != kOk) return r;
  }
  if ((attributes & platform::kAttributeDirectory) != 0) return kOk;
  platform::FileTimes times;
  if (!platform::ReadFileTimes(path.c_str(), &times)) return kFailed;
  Result r = kOk;
  if (times.has_creation) r = PutTime(info, kInfoTagCreationTime, times.creation);
  if (r == kOk && times.has_last_access) r = PutTime(info, kInfoTagLastAccessTime, times.last_access);
  if (r == kOk && times.has_last_write) r = PutTime(info, kInfoTagLastWriteTime, times.last_write);
  return r;
}

Result ApplyInfo(const String& path, const TagRecord* info, bool is_file) {
  platform::FileTimes times;
  uint32_t attributes = 0;
  DecodeFileInfo(info, &times, &attributes);
  // A read-only file would refuse its times: its flags are cleared first.
  // A folder's times are not set, so its flags are set once.
  if (is_file) platform::WriteAttributes(path.c_str(), 0);
  bool times_set = !is_file || platform::WriteFileTimes(path.c_str(), times);
  bool flags_set = platform::WriteAttributes(path.c_str(), attributes);
  return times_set && flags_set ? kOk : kFailed;
}

}  // namespace

void DecodeFileInfo(const TagRecord* info, platform::FileTimes* times, uint32_t* attributes) {
  *times = platform::FileTimes();
  *attributes = 0;
  if (info == nullptr) return;
  times->has_creation = TakeTime(*info, kInfoTagCreationTime, &times->creation);
  times->has_last_access = TakeTime(*info, kInfoTagLastAccessTime, &times->last_access);
  times->has_last_write = TakeTime(*info, kInfoTagLastWriteTime, &times->last_write);
  for (const FlagTag& flag : kFlagTags) {
    if (info->GetU8(flag.tag, 0) == 1) *attributes |= flag.bit;
  }
}

Result GetFileInfo(const String& path, TagRecord* info) {
  if (info == nullptr) return kBadArgument;
  if (!FileExists(path)) return kFileNotFound;
  return ReadInfo(path, info);
}

Result SetFileInfo(const String& path, const TagRecord* info) {
  if (!FileExists(path)) return kFileNotFound;
  return ApplyInfo(path, info, true);
}

Result ClearFileInfo(const String& path) { return SetFileInfo(path, nullptr); }

Result GetFolderInfo(const String& folder, TagRecord* info) {
  if (info == nullptr) return kBadArgument;
  if (!FolderExists(folder)) return kFailed;
  return ReadInfo(StripTrailingSlash(folder), info);
}

Result SetFolderInfo(const String& folder, const TagRecord* info) {
  if (!FolderExists(folder)) return kFailed;
  return ApplyInfo(StripTrailingSlash(folder), info, false);
}

Result ClearFolderInfo(const String& folder) { return SetFolderInfo(folder, nullptr); }

}  // namespace mv
