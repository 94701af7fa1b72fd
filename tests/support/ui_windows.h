// What the dialog tests need around them: whether windows can be shown at
// all (Wine without a display cannot create top-level windows; the GUI test
// script runs these tests again on a display of its own), and a plain
// parent window that records the commands its children send.
#pragma once

#ifdef _WIN32

#include "ui/windows_api.h"

#include <utility>
#include <vector>

namespace mv::test {

inline bool CanShowWindows() {
  static const bool can = [] {
    HWND probe = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    return probe != nullptr && DestroyWindow(probe);
  }();
  return can;
}

#define MV_REQUIRE_WINDOWS() \
  if (!::mv::test::CanShowWindows()) GTEST_SKIP() << "no display to create windows on"

// A hidden top-level window that keeps the (wparam, lparam) of every
// WM_COMMAND it receives. One at a time.
class CommandRecorder {
 public:
  CommandRecorder() {
    static const ATOM kClass = [] {
      WNDCLASSEXA window_class{};
      window_class.cbSize = sizeof window_class;
      window_class.lpfnWndProc = &Proc;
      window_class.hInstance = ::GetModuleHandleA(nullptr);
      window_class.lpszClassName = "MvTestCommandRecorder";
      return RegisterClassExA(&window_class);
    }();
    commands().clear();
    window_ = CreateWindowExA(0, MAKEINTATOM(kClass), "", WS_POPUP, 0, 0, 400, 200, nullptr, nullptr,
                              ::GetModuleHandleA(nullptr), nullptr);
  }
  ~CommandRecorder() { DestroyWindow(window_); }
  CommandRecorder(const CommandRecorder&) = delete;
  CommandRecorder& operator=(const CommandRecorder&) = delete;

  HWND window() const { return window_; }
  static std::vector<std::pair<WPARAM, LPARAM>>& commands() {
    static std::vector<std::pair<WPARAM, LPARAM>> received;
    return received;
  }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message != WM_COMMAND) return DefWindowProcA(window, message, wparam, lparam);
    commands().emplace_back(wparam, lparam);
    return 0;
  }
  HWND window_ = nullptr;
};

}  // namespace mv::test

#endif  // _WIN32
