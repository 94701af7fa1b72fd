#include "app/entry_listing.h"

#include <cstdio>

#include "archive/archive_entry.h"
#include "fs/path.h"
#include "stream/file_info.h"

namespace mv {

bool ListedEntryOf(const TagValue& member, ListedEntry* listed) {
  const ArchiveEntry* entry = ArchiveEntry::FromValue(member);
  if (entry == nullptr) return false;
  String folder;
  String name;
  entry->GetText(folder, kEntryTagFolder, "");
  entry->GetText(name, kEntryTagName, "");
  TagRecord info;
  entry->GetRecord(info, kEntryTagInfo);
  platform::FileTimes times;
  uint32_t attributes = 0;
  DecodeFileInfo(&info, &times, &attributes);
  *listed = ListedEntry();
  listed->time = times.last_write;
  listed->folder = entry->GetU8(kEntryTagKind, kEntryKindFile) == kEntryKindFolder;
  listed->path = folder + name;
  listed->size = entry->GetContentSize();
  return true;
}

std::string FormatFileTime(uint64_t file_time) {
  constexpr int64_t kUnixEpochSeconds = 11644473600;  // 1601-01-01 to 1970-01-01
  int64_t seconds = static_cast<int64_t>(file_time / 10000000) - kUnixEpochSeconds;
  int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
  int64_t rest = seconds - days * 86400;
  // Civil date from days since 1970-01-01 (proleptic Gregorian).
  int64_t z = days + 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  int64_t day = doy - (153 * mp + 2) / 5 + 1;
  int64_t month = mp < 10 ? mp + 3 : mp - 9;
  int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  // Room for any six numbers, although a FILETIME's year has at most five
  // digits: the compiler cannot tell.
  char text[128];
  std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld", static_cast<long long>(year),
                static_cast<long long>(month), static_cast<long long>(day), static_cast<long long>(rest / 3600),
                static_cast<long long>(rest / 60 % 60), static_cast<long long>(rest % 60));
  return text;
}

String FormatEntryLine(const ListedEntry& entry) {
  char columns[64];
  if (entry.folder) {
    std::snprintf(columns, sizeof columns, "folder %12s  %-19s  ", "-", "-");
  } else {
    std::snprintf(columns, sizeof columns, "file   %12u  %-19s  ", entry.size,
                  entry.time == 0 ? "-" : FormatFileTime(entry.time).c_str());
  }
  return String(columns) + ToDisplayPath(entry.path);
}

}  // namespace mv
