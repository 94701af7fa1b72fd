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

// Where the packer's messages and progress go when it runs without a
// console (the packer window runs the same commands on a worker thread).
class PackReporter {
 public:
  virtual ~PackReporter() = default;
  // A line or lines of a message; system_text: already in the system's
  // encoding, otherwise in the program's code page.
  virtual void Message(const std::string& text, bool system_text, bool error) = 0;
  // The whole command's progress, 0 to 100; kCancelled stops the work.
  virtual Result Progress(int percent) = 0;
};

// Sends every message and the progress of the commands to reporter instead
// of the console (null: the console again). Set it before a command runs
// and reset it after; one command runs at a time.
void SetPackReporter(PackReporter* reporter);

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
// when standard error is not a terminal; with a reporter set, hands it the
// percentage instead (and stops the work when it answers kCancelled).
class ProgressBar {
 public:
  explicit ProgressBar(const char* label);
  ~ProgressBar();
  const ProgressCallback* callback() const { return enabled_ ? &callback_ : nullptr; }
  // The work is done: the bar shows 100 %, whatever the last report said
  // (the last phases report no position of their own).
  void Complete();

 private:
  Result Show(int percent);
  static Result OnProgress(int32_t code, int32_t value, uintptr_t self, uintptr_t);
  std::string label_;
  PackReporter* reporter_;
  bool enabled_;
  int shown_ = -1;
  ProgressTracker tracker_;
  ProgressCallback callback_;
};

}  // namespace mv::tools
