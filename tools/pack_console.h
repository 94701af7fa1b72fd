// The packer's side of the terminal: messages, the password, and a progress
// bar on standard error when it is a terminal.
#pragma once

#include <string>

#include "base/progress.h"
#include "base/progress_tracker.h"
#include "base/password.h"
#include "base/string.h"
#include "container/password_form.h"
#include "tools/pack_options.h"

namespace mv::tools {

void PrintOut(const std::string& text);
void PrintError(const std::string& text);
// text already in the system's encoding, unchanged.
void PrintErrorSystemText(const std::string& text);

// The password of a command, as the user gave it: --password-file (first
// line; "-" for standard input), --password, or a prompt without echo
// (asked twice when confirm). False with a message when none could be had,
// the two did not match, or form (what the package hashes) cannot hold it.
bool GetPassword(const PackOptions& options, bool confirm, PasswordForm form, Password* password,
                 std::string* error);

// A progress bar for long work: a callback that folds the nested progress
// reports and redraws the bar when the percentage changes. Shows nothing
// when standard error is not a terminal.
class ProgressBar {
 public:
  explicit ProgressBar(const char* label);
  ~ProgressBar();
  const ProgressCallback* callback() const { return enabled_ ? &callback_ : nullptr; }

 private:
  static Result OnProgress(int32_t code, int32_t value, uintptr_t self, uintptr_t);
  std::string label_;
  bool enabled_;
  int shown_ = -1;
  ProgressTracker tracker_;
  ProgressCallback callback_;
};

}  // namespace mv::tools
