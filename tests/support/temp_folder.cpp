#include "tests/support/temp_folder.h"

#include <atomic>
#include <filesystem>
#include <random>
#include <system_error>

namespace mv::test {

TempFolder::TempFolder() {
  namespace fs = std::filesystem;
  static std::atomic<unsigned> counter{0};
  std::random_device random;
  fs::path base = fs::temp_directory_path();
  for (;;) {
    fs::path candidate = base / ("mvtest-" + std::to_string(random()) + "-" + std::to_string(counter++));
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) {
      path_ = candidate.generic_string() + "/";
      return;
    }
  }
}

TempFolder::~TempFolder() {
  std::error_code ec;
  // Files may have been made read-only by a test; make them writable first.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  }
  std::filesystem::remove_all(path_, ec);
}

}  // namespace mv::test
