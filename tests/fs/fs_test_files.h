// Small helpers for file-system tests: files with given bytes, folders, and
// the internal-form String of a test path.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "base/string.h"
#include "platform/files.h"

namespace mv::test {

inline String S(const std::string& text) { return String(text.c_str()); }
// The text of a String; a never-assigned one (no buffer) as "".
inline std::string Text(const String& text) { return text.c_str() == nullptr ? "" : text.c_str(); }

inline void WriteTestFile(const std::string& path, const std::string& bytes) {
  platform::File file;
  ASSERT_TRUE(file.Open(path.c_str(), "wb")) << path;
  ASSERT_EQ(file.Write(bytes.data(), bytes.size()), bytes.size()) << path;
  ASSERT_TRUE(file.Close()) << path;
}

inline std::string ReadTestFile(const std::string& path) {
  platform::File file;
  std::string bytes;
  if (!file.Open(path.c_str(), "rb")) return "<missing>";
  char buffer[256];
  size_t n;
  while ((n = file.Read(buffer, sizeof buffer)) > 0) bytes.append(buffer, n);
  return bytes;
}

inline void MakeTestFolder(const std::string& folder) {
  ASSERT_TRUE(platform::CreateFolder(folder.c_str(), platform::FolderAccess::kShared)) << folder;
}

}  // namespace mv::test
