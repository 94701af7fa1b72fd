#include "tools/package_content.h"

#include <cstdio>
#include <set>

#include "archive/archive_entry.h"
#include "container/container_format.h"
#include "fs/disk_query.h"
#include "fs/folder_walk.h"
#include "fs/path.h"
#include "platform/codepage.h"
#include "platform/files.h"

namespace mv::tools {
namespace {

// An entry that reads its file from source (the folder that holds the
// input), named relative to it.
Result AddEntry(TagRecord* content, const String& source, uint8_t kind, const String& folder, const String& name) {
  TagValue value;
  value.SetType(TypeEntry);
  ArchiveEntry* entry = ArchiveEntry::FromValue(value);
  if (entry == nullptr) return kOutOfMemory;
  entry->SetU8(kEntryTagKind, kind, true);
  entry->SetText(kEntryTagFolder, folder.c_str(), true);
  entry->SetText(kEntryTagName, name.c_str(), true);
  entry->SetSourceFolder(source);
  return content->Set(kContentTagEntry, value, false);
}

struct WalkTarget {
  TagRecord* content;
  String source;
  Result failure = kOk;
};

Result AddWalkedEntry(const char*, const char* relative, const char* name, int is_folder, uintptr_t user1,
                      uintptr_t, uintptr_t) {
  auto* target = reinterpret_cast<WalkTarget*>(user1);
  return is_folder ? AddEntry(target->content, target->source, kEntryKindFolder, String(relative), String(""))
                   : AddEntry(target->content, target->source, kEntryKindFile, String(relative), String(name));
}

// "docs", "./docs/", "/home/u/docs" -> source "./" or "/home/u/", name "docs".
bool SplitInput(const std::string& input, String* source, String* name, bool* is_folder, std::string* error) {
  String path = ToInternalPath(String(input.c_str()));
  String folder = AddTrailingSlash(path);
  *is_folder = FolderExists(folder);
  if (!*is_folder && !FileExists(StripTrailingSlash(path))) {
    *error = "no such file or folder: " + input;
    return false;
  }
  String bare = StripTrailingSlash(path);
  int32_t slash = bare.FindLast('/');
  *name = slash < 0 ? bare : bare.Mid(slash + 1, bare.GetLength() - slash - 1);
  *source = slash < 0 ? String("./") : bare.Left(slash + 1);
  if (name->IsEmpty() || *name == "." || *name == ".." || name->Find(':') >= 0) {
    *error = "cannot pack '" + input + "' under a name of its own; name a folder inside it instead";
    return false;
  }
  return true;
}

}  // namespace

bool BuildContent(const std::vector<std::string>& inputs, const String& message, TagRecord* content,
                  std::string* error) {
  RegisterArchiveEntries();
  std::set<std::string> names;
  for (const std::string& input : inputs) {
    String source;
    String name;
    bool is_folder = false;
    if (!SplitInput(input, &source, &name, &is_folder, error)) return false;
    String lower = name;
    lower.MakeLower();
    if (!names.insert(lower.c_str()).second) {
      *error = std::string("two inputs have the name '") + name.c_str() + "'";
      return false;
    }
    Result r;
    if (is_folder) {
      String relative = name + "/";
      r = AddEntry(content, source, kEntryKindFolder, relative, String(""));
      WalkTarget target{content, source};
      if (r == kOk) r = WalkFolder(source, relative, &AddWalkedEntry, reinterpret_cast<uintptr_t>(&target), 0, 0, 0);
    } else {
      r = AddEntry(content, source, kEntryKindFile, String(""), name);
    }
    if (r != kOk) {
      *error = "cannot read '" + input + "' (code " + std::to_string(r) + ")";
      return false;
    }
  }
  if (!message.IsEmpty()) content->SetText(kContentTagMessage, message.c_str(), true);
  return true;
}

bool ReadBinaryFile(const std::string& path, size_t limit, std::vector<uint8_t>* bytes, std::string* error) {
  platform::File file;
  if (!file.Open(path.c_str(), "rb")) {
    *error = "cannot open '" + path + "'";
    return false;
  }
  bytes->clear();
  uint8_t buffer[65536];
  for (size_t n; (n = file.Read(buffer, sizeof buffer)) > 0;) {
    if (bytes->size() + n > limit) {
      *error = "'" + path + "' is too large";
      return false;
    }
    bytes->insert(bytes->end(), buffer, buffer + n);
  }
  return true;
}

bool ReadTextFile(const std::string& path, size_t limit, String* text, std::string* error) {
  std::vector<uint8_t> bytes;
  if (!ReadBinaryFile(path, limit, &bytes, error)) return false;
  std::string raw(bytes.begin(), bytes.end());
  if (raw.find('\0') != std::string::npos) {
    *error = "'" + path + "' is not a text file";
    return false;
  }
  if (!platform::FromSystemText(raw.c_str(), text)) {
    *error = "'" + path + "' holds characters that have no Windows-1252 form";
    return false;
  }
  return true;
}

}  // namespace mv::tools

namespace mv::tools {

bool WriteBinaryFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error) {
  platform::File file;
  bool ok = file.Open(path.c_str(), "wb") && (bytes.empty() || file.Write(bytes.data(), bytes.size()) == bytes.size());
  ok = file.Close() && ok;
  if (!ok) *error = "cannot write '" + path + "'";
  return ok;
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
  char text[32];
  std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld", static_cast<long long>(year),
                static_cast<long long>(month), static_cast<long long>(day), static_cast<long long>(rest / 3600),
                static_cast<long long>(rest / 60 % 60), static_cast<long long>(rest % 60));
  return text;
}

}  // namespace mv::tools
