// Splitting the relative paths of platform/confined_folder.h, the same on
// every platform.
#pragma once

#include <cstddef>

#include "base/string.h"

namespace mv::platform::confined_path {

// A component that names something below its folder: not empty, "." or "..".
inline bool IsPlainComponent(const char* begin, size_t length) {
  if (length == 0) return false;
  if (length == 1 && begin[0] == '.') return false;
  return !(length == 2 && begin[0] == '.' && begin[1] == '.');
}

inline String WithoutTrailingSlashes(const String& path) {
  int32_t length = path.GetLength();
  while (length > 0 && path.GetAt(length - 1) == '/') --length;
  return path.Left(length);
}

// Splits a relative file path at its last '/' into its folder ("" at the
// top) and its plain final name; false when the path names a folder or the
// name is not plain.
inline bool SplitFinal(const String& path, String* folder, String* name) {
  int32_t slash = path.FindLast('/');
  if (slash == path.GetLength() - 1) return false;
  *folder = slash < 0 ? String("") : path.Left(slash);
  *name = path.Mid(slash + 1, path.GetLength() - slash - 1);
  return IsPlainComponent(name->c_str(), static_cast<size_t>(name->GetLength()));
}

}  // namespace mv::platform::confined_path
