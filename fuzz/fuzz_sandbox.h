// The folder tree of a fuzz target that lets decoded input write files, and
// the check that nothing was written outside the one folder handed to the
// code under test:
//   <temp>/MVFZ_nnn/        the run's own folder; may hold only "top"
//     top/                  may hold only the names the target allows
//       <inner>/            the folder the input is decoded into
// A name that appears anywhere else stops the run (abort), so libFuzzer
// keeps the input. The run's folder is removed when the process ends.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "base/string.h"
#include "fs/temp_names.h"

namespace mv::fuzz {

class Sandbox {
 public:
  explicit Sandbox(std::initializer_list<const char*> allowed) : allowed_(allowed.begin(), allowed.end()) {
    String run;
    if (CreateTempFolder(GetTempFolder(), String("MVFZ_"), &run) != kOk) {
      std::fprintf(stderr, "fuzz sandbox: no temporary folder could be made\n");
      std::abort();
    }
    run_ = run.c_str();
    top_ = run_ + "top/";
    std::filesystem::create_directory(top_);
  }
  ~Sandbox() {
    std::error_code ignored;
    std::filesystem::remove_all(run_, ignored);
  }

  // A path below top/ (internal form).
  String Path(const char* name) const { return String((top_ + name).c_str()); }

  // Aborts when the run's folder or top/ holds a name not allowed there.
  void CheckConfined() const {
    CheckOnly(run_, {"top"});
    CheckOnly(top_, allowed_);
  }

  // Aborts when path still exists: every input must leave no files behind.
  static void CheckGone(const String& path) {
    std::error_code error;
    if (std::filesystem::symlink_status(path.c_str(), error).type() != std::filesystem::file_type::not_found) {
      std::fprintf(stderr, "fuzz sandbox: %s was left behind\n", path.c_str());
      std::abort();
    }
  }

 private:
  static void CheckOnly(const std::string& folder, const std::vector<std::string>& names) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
      const std::string name = entry.path().filename().string();
      bool known = false;
      for (const auto& allowed : names) known = known || name == allowed;
      if (!known) {
        std::fprintf(stderr, "fuzz sandbox: %s appeared beside or above the folder written into\n",
                     entry.path().c_str());
        std::abort();
      }
    }
    if (error) {
      std::fprintf(stderr, "fuzz sandbox: %s cannot be listed: %s\n", folder.c_str(), error.message().c_str());
      std::abort();
    }
  }

  std::vector<std::string> allowed_;
  std::string run_;
  std::string top_;
};

}  // namespace mv::fuzz
