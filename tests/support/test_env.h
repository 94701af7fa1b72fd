// Process-wide set-up for the tests and the paths of the programs they start.
#pragma once

#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

#include "crypto/crypto_backend.h"

namespace mv::test {

// The folder that holds the test binary and the programs built beside it,
// with a trailing separator.
inline std::string& BuildFolder() {
  static std::string folder = "./";
  return folder;
}

// Records where the test binary lives (its argv[0]) and initialises the
// libraries the core needs. Called once from main.
inline void InitTestEnvironment(const char* argv0) {
  const std::string path = argv0 == nullptr ? "" : argv0;
  const size_t slash = path.find_last_of("/\\");
  if (slash != std::string::npos) BuildFolder() = path.substr(0, slash + 1);
  InitCrypto();
}

// A file of the checkout (docs/strong-vectors/...), by its path from the
// checkout's top.
inline std::string SourcePath(const std::string& relative) { return std::string(MV_SOURCE_DIR) + relative; }

// Name of a program built beside the tests, with ".exe" on Windows.
inline std::string ProgramPath(const std::string& name) {
#ifdef _WIN32
  return BuildFolder() + name + ".exe";
#else
  return BuildFolder() + name;
#endif
}

// Wine maps a Windows path to a Unix path below its prefix and renames and
// deletes files by that path, which Linux bounds at 4,096 bytes (real
// Windows has no such bound): true under Wine when a path of about
// unix_bytes bytes of UTF-8 would pass it.
inline bool UnixPathTooLongUnderWine(size_t unix_bytes) {
#ifdef _WIN32
  static const bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
  return wine && unix_bytes + 200 > 4096;
#else
  (void)unix_bytes;
  return false;
#endif
}

}  // namespace mv::test
