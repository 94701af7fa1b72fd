#include "archive/entry_path.h"

#include <cstring>
#include <initializer_list>

#include "base/string.h"
#include "platform/files.h"

namespace mv {
namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool StemIs(const char* stem, size_t length, const char* device) {
  if (std::strlen(device) != length) return false;
  for (size_t i = 0; i < length; ++i) {
    if (Upper(stem[i]) != device[i]) return false;
  }
  return true;
}

// Names Windows opens as devices in every folder: the stem before the first
// '.', with trailing blanks dropped as Windows drops them, is one of the
// device names ("COM1 .log" and "nul.txt" are devices too).
bool IsDeviceName(const char* begin, size_t length) {
  size_t stem = 0;
  while (stem < length && begin[stem] != '.') ++stem;
  while (stem > 0 && begin[stem - 1] == ' ') --stem;
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
    if (StemIs(begin, stem, device)) return true;
  }
  if (stem != 4 || !(StemIs(begin, 3, "COM") || StemIs(begin, 3, "LPT"))) return false;
  unsigned char digit = static_cast<unsigned char>(begin[3]);
  // Windows-1252 superscripts one, two and three count as digits there.
  return (digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

bool IsSafeComponent(const char* begin, size_t length) {
  if (length == 0) return false;
  if (begin[0] == '.' && (length == 1 || (length == 2 && begin[1] == '.'))) return false;
  for (size_t i = 0; i < length; ++i) {
    unsigned char c = static_cast<unsigned char>(begin[i]);
    if (c < 0x20 || c == 0x7F || std::strchr("\\:?<>*|\"", c) != nullptr) return false;
  }
  char last = begin[length - 1];
  if (last == '.' || last == ' ') return false;
  return !IsDeviceName(begin, length);
}

}  // namespace

Result CheckEntryPath(const char* relative_folder, const char* name, bool is_folder) {
  if (relative_folder == nullptr) relative_folder = "";
  if (name == nullptr) name = "";
  size_t folder_length = std::strlen(relative_folder);
  size_t name_length = std::strlen(name);
  if (folder_length > kMaxEntryPathBytes || name_length > kMaxEntryPathBytes - folder_length) {
    return kPathTooLong;
  }
  String joined(relative_folder);
  joined += name;
  const char* path = joined.c_str() == nullptr ? "" : joined.c_str();
  size_t length = folder_length + name_length;
  if (length == 0) return is_folder ? kOk : kUnsafeEntryPath;
  if (path[length - 1] == '/') {
    if (!is_folder) return kUnsafeEntryPath;
    --length;  // the one trailing separator of a folder path
  }
  uint32_t depth = 0;
  for (size_t start = 0; start <= length;) {
    if (++depth > kMaxEntryPathDepth) return kPathTooLong;
    size_t end = start;
    while (end < length && path[end] != '/') ++end;
    if (!IsSafeComponent(path + start, end - start)) return kUnsafeEntryPath;
    if (!platform::FitsNameLimit(path + start, end - start)) return kPathTooLong;
    start = end + 1;
  }
  return kOk;
}

}  // namespace mv
