#include "tests/support/test_env.h"

#include "crypto/crypto_backend.h"

namespace mv::test {
namespace {
std::string g_build_folder;
}  // namespace

void InitTestEnvironment(const char* argv0) {
  std::string path = argv0 == nullptr ? "" : argv0;
  size_t slash = path.find_last_of("/\\");
  g_build_folder = slash == std::string::npos ? "./" : path.substr(0, slash + 1);
  mv::InitCrypto();
}

const std::string& BuildFolder() { return g_build_folder; }

std::string ProgramPath(const std::string& name) {
#ifdef _WIN32
  return g_build_folder + name + ".exe";
#else
  return g_build_folder + name;
#endif
}

}  // namespace mv::test
