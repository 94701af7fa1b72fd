// What the dialog tests need around them: whether windows can be shown at
// all (Wine without a display cannot create top-level windows; the GUI test
// script runs these tests again on a display of its own), and a plain
// parent window that records the commands its children send.
#pragma once

#ifdef _WIN32

#include "ui/windows_api.h"

#include <vector>

namespace mv::test {

// True when a top-level window can be created here.
bool CanShowWindows();

#define MV_REQUIRE_WINDOWS() \
  if (!::mv::test::CanShowWindows()) GTEST_SKIP() << "no display to create windows on"

// A hidden top-level window that keeps every WM_COMMAND it receives.
class CommandRecorder {
 public:
  struct Command {
    WPARAM wparam;
    LPARAM lparam;
  };
  CommandRecorder();
  ~CommandRecorder();
  CommandRecorder(const CommandRecorder&) = delete;
  CommandRecorder& operator=(const CommandRecorder&) = delete;

  HWND window() const { return window_; }
  const std::vector<Command>& commands() const { return commands_; }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  HWND window_ = nullptr;
  std::vector<Command> commands_;
};

}  // namespace mv::test

#endif  // _WIN32
