#include "ui/dialog_attempt.h"

#include "ui/folder_dialog.h"
#include "ui/message_view.h"
#include "ui/password_dialog.h"
#include "ui/progress_window.h"

namespace mv::ui {
namespace {

// Back from the progress window to the dialog that started the attempt:
// clicks and keys that arrived while the attempt ran are dropped (a click
// on decrypt must not start another attempt once the next window is
// modal), and the dialog is made the active window, so that the window it
// opens next (a message box, the folder dialog, the message view) is in
// front of it rather than behind.
void ReturnToOwner(HWND owner) {
  static constexpr UINT kInputRanges[][2] = {
      {WM_KEYFIRST, WM_KEYLAST}, {WM_MOUSEFIRST, WM_MOUSELAST}, {WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK}};
  MSG message;
  for (const auto& range : kInputRanges) {
    while (PeekMessageW(&message, nullptr, range[0], range[1], PM_REMOVE | PM_NOYIELD)) {
    }
  }
  if (owner != nullptr) SetForegroundWindow(owner);
}

}  // namespace

Password DialogFrontEnd::AskPassword() { return ui::AskPassword(owner_); }

// The progress window is on the screen while run works and gone when this
// returns.
Result DialogFrontEnd::WithProgress(const std::function<Result(const ProgressCallback*)>& run) {
  Result result;
  {
    ProgressWindowSettings settings;
    ProgressUI progress(&settings);
    ProgressCallback callback{&ProgressUIEntry, reinterpret_cast<uintptr_t>(&progress), 0};
    result = run(&callback);
  }
  ReturnToOwner(owner_);
  return result;
}

void DialogFrontEnd::OfferFiles(SelfExtractor* extractor) { RunFolderDialog(owner_, extractor); }

void DialogFrontEnd::ShowMessageText(SelfExtractor* extractor) { RunMessageView(owner_, extractor); }

Result RunDecryptAttempt(HWND owner) {
  DialogFrontEnd front_end(owner);
  return mv::RunDecryptAttempt(&front_end);
}

}  // namespace mv::ui
