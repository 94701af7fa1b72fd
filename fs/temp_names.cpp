#include "fs/temp_names.h"

#include <cstdint>

#include "fs/disk_query.h"
#include "fs/path.h"
#include "platform/files.h"
#include "platform/random.h"
#include "platform/temporary_name.h"

namespace mv {
namespace {

constexpr uint32_t kNumberRange = 32768;
// Tries for a free file name: with 32768 numbers, a folder that defeats
// this many random picks is practically full.
constexpr int kFileNameTries = 1000;
constexpr int kFolderTries = 200;
constexpr int32_t kFolderDigits = 3;
// Once the short series is used up (names taken by others, on purpose or
// not), names go on with a random suffix of this many hexadecimal digits,
// which nobody can fill.
constexpr int kLongNameTries = 16;

// A random number 0..32767 from the system's generator.
bool RandomNumber(uint32_t* number) {
  uint16_t raw = 0;
  if (!platform::FillRandom(&raw, sizeof raw)) return false;
  *number = raw % kNumberRange;
  return true;
}

// A suffix nobody can fill (see platform/temporary_name.h); "" when the
// generator fails.
String LongSuffix() {
  char digits[platform::kTemporaryNameDigits + 1];
  return platform::NextTemporaryName(digits) ? String(digits) : String("");
}

String Decimal(uint32_t number) {
  String text;
  String::Format(text, "%u", number);
  return text;
}

// True when nothing at all carries the path (a trailing '/' is ignored).
bool IsFree(const String& path) {
  platform::FolderEntry entry;
  return !platform::QueryEntry(StripTrailingSlash(path).c_str(), &entry);
}

// A random candidate name prefix + number + '.' + extension, the number
// from the short series for the first tries and a long suffix afterwards;
// "" when the generator fails.
String CandidateFileName(const String& prefix, const String& extension, int attempt) {
  if (attempt >= kFileNameTries) {
    String suffix = LongSuffix();
    return suffix.IsEmpty() ? suffix : prefix + suffix + "." + extension;
  }
  uint32_t number = 0;
  if (!RandomNumber(&number)) return String("");
  return prefix + Decimal(number) + "." + extension;
}

}  // namespace

String GetTempFolder() {
  String folder;
  if (!platform::QueryTempFolder(&folder)) return String("");
  return AddTrailingSlash(folder);
}

String MakeUniqueFileName(const String& folder, const String& prefix, const String& extension) {
  if (!FolderExists(folder)) return String("");
  for (int i = 0; i < kFileNameTries + kLongNameTries; ++i) {
    String name = CandidateFileName(prefix, extension, i);
    if (name.IsEmpty()) break;
    if (IsFree(folder + name)) return name;
  }
  return String("");
}

String MakeUniqueFilePath(const String& folder, const String& prefix, const String& extension) {
  String name = MakeUniqueFileName(folder, prefix, extension);
  return name.IsEmpty() ? name : folder + name;
}

Result CreateUniqueFile(const String& folder, const String& prefix, const String& extension,
                        platform::File* file, String* path) {
  if (!FolderExists(folder)) return kFolderNotFound;
  for (int i = 0; i < kFileNameTries + kLongNameTries; ++i) {
    String name = CandidateFileName(prefix, extension, i);
    if (name.IsEmpty()) return kCannotOpen;
    String candidate = folder + name;
    if (file->CreateNew(candidate.c_str())) {
      *path = candidate;
      return kOk;
    }
    // Taken (possibly in a race): try another; otherwise the system refuses.
    if (IsFree(candidate)) return kCannotOpen;
  }
  return kNoFreeTempName;
}

Result CreateTempFolder(const String& parent, const String& prefix, String* folder) {
  String base = (parent.IsEmpty() || !FolderExists(parent)) ? GetTempFolder() : parent;
  if (base.IsEmpty()) return kFolderNotMade;
  for (int i = 0; i < kFolderTries + kLongNameTries; ++i) {
    String suffix;
    uint32_t number = 0;
    if (i >= kFolderTries) {
      suffix = LongSuffix();
    } else if (RandomNumber(&number)) {
      suffix = Decimal(number).Right(kFolderDigits);
    }
    if (suffix.IsEmpty()) return kFolderNotMade;
    String candidate = base + prefix + suffix + "/";
    if (!IsFree(candidate)) continue;
    if (platform::CreateFolder(candidate.c_str(), platform::FolderAccess::kOwnerOnly)) {
      *folder = candidate;
      return kOk;
    }
    if (IsFree(candidate)) return kFolderNotMade;  // not a race: the system refuses
  }
  return kNoFreeTempName;
}

String MakeTempFolder(const String& parent, const String& prefix) {
  String folder;
  return CreateTempFolder(parent, prefix, &folder) == kOk ? folder : String("");
}

String MakeUniqueFolderPath(const String& wanted) {
  String base = StripTrailingSlash(wanted);
  String candidate = wanted;
  for (int32_t n = 1; FolderExists(candidate) || FileExists(StripTrailingSlash(candidate)); ++n) {
    if (n == INT32_MAX) return String("");
    candidate = base + " (" + Decimal(static_cast<uint32_t>(n)) + ")/";
  }
  return candidate;
}

}  // namespace mv
