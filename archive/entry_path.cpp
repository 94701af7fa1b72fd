#include "archive/entry_path.h"

#include <cstring>

#include "base/string.h"

namespace mv {
namespace {

// Device names that Windows opens as devices in any folder and with any
// extension; writing "aux.txt" would never reach a file.
bool IsDeviceName(const char* begin, size_t length) {
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL"};
  size_t stem = 0;
  while (stem < length && begin[stem] != '.') ++stem;
  auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; };
  if (stem == 3) {
    for (const char* device : kDevices) {
      if (upper(begin[0]) == device[0] && upper(begin[1]) == device[1] &&
          upper(begin[2]) == device[2]) {
        return true;
      }
    }
  }
  if (stem == 4 && begin[3] >= '1' && begin[3] <= '9') {
    char a = upper(begin[0]), b = upper(begin[1]), c = upper(begin[2]);
    if ((a == 'C' && b == 'O' && c == 'M') || (a == 'L' && b == 'P' && c == 'T')) return true;
  }
  return false;
}

bool IsSafeComponent(const char* begin, size_t length) {
  if (length == 0) return false;
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
  if (name != nullptr && std::strchr(name, '/') != nullptr) return kUnsafeEntryPath;
  String joined(relative_folder == nullptr ? "" : relative_folder);
  joined += name == nullptr ? "" : name;
  const char* path = joined.c_str() == nullptr ? "" : joined.c_str();
  size_t length = std::strlen(path);
  if (length == 0) return is_folder ? kOk : kUnsafeEntryPath;
  if (path[length - 1] == '/') {
    if (!is_folder) return kUnsafeEntryPath;
    --length;  // the one trailing separator of a folder path
  }
  size_t start = 0;
  while (start <= length) {
    size_t end = start;
    while (end < length && path[end] != '/') ++end;
    if (!IsSafeComponent(path + start, end - start)) return kUnsafeEntryPath;
    start = end + 1;
  }
  return kOk;
}

}  // namespace mv
