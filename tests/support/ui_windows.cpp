#ifdef _WIN32

#include "tests/support/ui_windows.h"

namespace mv::test {
namespace {

constexpr char kRecorderClass[] = "MvTestCommandRecorder";

ATOM RegisterRecorderClass(WNDPROC proc) {
  static const ATOM atom = [proc] {
    WNDCLASSEXA window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = proc;
    window_class.hInstance = ::GetModuleHandleA(nullptr);
    window_class.lpszClassName = kRecorderClass;
    return RegisterClassExA(&window_class);
  }();
  return atom;
}

}  // namespace

bool CanShowWindows() {
  static const bool can = [] {
    HWND probe = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    if (probe == nullptr) return false;
    DestroyWindow(probe);
    return true;
  }();
  return can;
}

CommandRecorder::CommandRecorder() {
  RegisterRecorderClass(&Proc);
  window_ = CreateWindowExA(0, kRecorderClass, "", WS_POPUP, 0, 0, 400, 200, nullptr, nullptr,
                            ::GetModuleHandleA(nullptr), this);
}

CommandRecorder::~CommandRecorder() {
  if (window_ != nullptr) DestroyWindow(window_);
}

LRESULT CALLBACK CommandRecorder::Proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<CommandRecorder*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == WM_COMMAND && self != nullptr) {
    self->commands_.push_back({wparam, lparam});
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace mv::test

#endif  // _WIN32
