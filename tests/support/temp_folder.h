// A fresh folder per test, removed with everything in it afterwards.
#pragma once

#include <atomic>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace mv::test {

class TempFolder {
 public:
  TempFolder() {
    namespace fs = std::filesystem;
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    const fs::path base = fs::temp_directory_path();
    for (std::error_code ec;;) {
      fs::path candidate = base / ("mvtest-" + std::to_string(random()) + "-" + std::to_string(counter++));
      if (fs::create_directory(candidate, ec)) {
        path_ = candidate.generic_string() + "/";
        return;
      }
    }
  }
  ~TempFolder() {
    namespace fs = std::filesystem;
    std::error_code ec;
    // Files may have been made read-only by a test; make them writable first.
    for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder in the system's internal form: '/' separators and a trailing
  // '/' (on Windows with its drive letter, e.g. "C:/users/.../mvtest-1234/").
  const std::string& path() const { return path_; }
  // path() + relative.
  std::string Join(const std::string& relative) const { return path_ + relative; }

 private:
  std::string path_;
};

}  // namespace mv::test
