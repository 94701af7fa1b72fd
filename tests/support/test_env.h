// Process-wide set-up for the tests and the paths of the programs they start.
#pragma once

#include <string>

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

// Name of a program built beside the tests, with ".exe" on Windows.
inline std::string ProgramPath(const std::string& name) {
#ifdef _WIN32
  return BuildFolder() + name + ".exe";
#else
  return BuildFolder() + name;
#endif
}

}  // namespace mv::test
