#include "ui/dialog_flow.h"

#include <commctrl.h>

#include "app/entry.h"
#include "app/payload.h"
#include "base/system_helpers.h"
#include "platform/interruption.h"
#include "ui/disclaimer_dialog.h"
#include "ui/folder_dialog.h"
#include "ui/main_dialog.h"
#include "ui/message_boxes.h"
#include "ui/message_view.h"
#include "ui/password_dialog.h"
#include "ui/progress_window.h"

namespace mv {
namespace ui {
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
    while (PeekMessageA(&message, nullptr, range[0], range[1], PM_REMOVE | PM_NOYIELD)) {
    }
  }
  if (owner != nullptr) SetForegroundWindow(owner);
}

void ShowLayoutFailure(Result result) {
  String text;
  String::Format(text, "Morvalis SelfExtractor layout context initialization failed.\nError = %i",
                 static_cast<int>(result));
  MessageBoxA(nullptr, text.c_str(), "INTERNAL ERROR", MB_OK | MB_TASKMODAL);
}

}  // namespace

String DialogFrontEnd::AskPassword() { return ui::AskPassword(owner_); }

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

void DialogFrontEnd::ShowError(const String& text) {
  if (!platform::InterruptionRequested()) ui::ShowError(owner_, text);
}

void DialogFrontEnd::ShowInfo(const String& text) {
  if (!platform::InterruptionRequested()) ui::ShowInfo(owner_, text);
}

bool DialogFrontEnd::AskYesNo(const String& text) {
  return !platform::InterruptionRequested() && ui::AskYesNo(owner_, text);
}

void DialogFrontEnd::OfferFiles(SelfExtractor* extractor) { RunFolderDialog(owner_, extractor); }

void DialogFrontEnd::ShowMessageText(SelfExtractor* extractor) { RunMessageView(owner_, extractor); }

Result RunDecryptAttempt(HWND owner) {
  DialogFrontEnd front_end(owner);
  return mv::RunDecryptAttempt(&front_end);
}

}  // namespace ui

int RunInteractive() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  // Notes the end of the session (and console events when there is a
  // console) so that an attempt can clean up before the process goes.
  platform::InterruptionScope interruption(false);

  PayloadLayout layout;
  const Result loaded = LoadLayout(&layout);
  if (loaded != kOk) {
    ui::ShowLayoutFailure(loaded);
    return static_cast<int>(loaded);
  }
  if (!ui::RunDisclaimer(layout.disclaimerText)) return static_cast<int>(kCancelled);
  ui::RunMainDialog(layout);
  return static_cast<int>(kOk);
}

}  // namespace mv
