// The progress window of a decryption attempt (dialog 115): a status text
// and a bar, shown by a second thread that exists only for it, while the
// decryption runs on the thread that created it. The decrypting thread
// talks to the window only through synchronous messages and by reading the
// window property "CancelRequest", which the window sets when the user
// closes it or presses Escape; the next position report then answers
// kCancelled, which stops the running pipeline. The window never closes
// itself: it is ended (hidden at once, destroyed by its thread) when its
// ProgressUI is destroyed.
#pragma once

#include "ui/windows_api.h"

#include <atomic>
#include <cstdint>
#include <memory>

#include "base/progress_tracker.h"
#include "base/result.h"
#include "base/string.h"
#include "ui/win32_handles.h"

namespace mv::ui {

// How the progress window is set up: a text and four words, of which only
// the first, the owner window, is used (null: no owner).
struct ProgressWindowSettings {
  String text;
  HWND owner = nullptr;
  uint32_t reserved[3] = {};
};

// The receiving end of the progress codes: kOk, or kCancelled to stop.
class ProgressDisplay {
 public:
  virtual ~ProgressDisplay() = default;
  // value: a position for code 102, a pointer to a zero-terminated text for
  // 103, the protocol's value otherwise.
  virtual Result OnProgress(int32_t code, intptr_t value) = 0;
};

class ProgressDialog : public ProgressDisplay {
 public:
  // Starts the window's thread and returns once the window exists (or its
  // thread has ended without one).
  explicit ProgressDialog(const ProgressWindowSettings& settings);
  // Waits until the window's thread has ended (after the window has been
  // ended with EndDialog), so that the window is destroyed and no longer
  // takes part in activation when the caller shows its next window. Only
  // messages sent by other threads are answered meanwhile; queued input
  // stays in the queue.
  ~ProgressDialog() override;
  ProgressDialog(const ProgressDialog&) = delete;
  ProgressDialog& operator=(const ProgressDialog&) = delete;

  // 100 and 105 keep the nesting depth and send WM_SHOWWINDOW at its
  // outermost begin and end (the window stays visible either way); 102 sets
  // the bar and answers kCancelled once the user asked to cancel, on every
  // report from then on; 103 shows the text. Everything else is ignored.
  Result OnProgress(int32_t code, intptr_t value) override;

  HWND GetWindow() const { return window_.load(); }

 private:
  static DWORD WINAPI ThreadMain(void* self);
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

  ProgressWindowSettings settings_;
  HWND owner_ = nullptr;
  DWORD thread_id_ = 0;
  std::atomic<HWND> window_{nullptr};
  KernelHandle startup_event_;
  UINT message_ = 0;
  int32_t depth_ = 0;
  std::atomic<bool> started_{false};
  KernelHandle thread_;
};

// The progress object of one attempt: the tracker that folds the nested
// progress codes into one position, and the window that shows it. The
// window is on the screen when the constructor returns and hidden and on
// gone, its thread ended, when the destructor returns.
class ProgressUI : public ProgressTracker {
 public:
  explicit ProgressUI(const ProgressWindowSettings* settings);
  ~ProgressUI();
  ProgressUI(const ProgressUI&) = delete;
  ProgressUI& operator=(const ProgressUI&) = delete;

  HWND GetWindow() const { return dialog_ ? dialog_->GetWindow() : nullptr; }
  ProgressDisplay* GetDisplay() const { return dialog_.get(); }

 private:
  std::unique_ptr<ProgressDialog> dialog_;
  const ProgressWindowSettings* settings_;
};

// The progress function for a ProgressCallback whose word 1 is a ProgressUI
// (word 2 is not used): the tracker takes every code first, then the window
// gets (102, the overall position) for a position report and every other
// code unchanged. A status text (103) travels as the id of a string-table
// entry, since a progress value is too narrow for a pointer; the window
// gets the text itself. kOk for a null ProgressUI.
Result ProgressUIEntry(int32_t code, int32_t value, uintptr_t word1, uintptr_t word2);

}  // namespace mv::ui
