#include "ui/dialog_flow.h"

#include <commctrl.h>

#include "app/entry.h"
#include "app/payload.h"
#include "app/self_extractor.h"
#include "base/system_helpers.h"
#include "stream/progress_stream.h"
#include "ui/dialog_support.h"
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

// Strings of the string table.
constexpr uint32_t kDecryptFailedString = 3;
constexpr uint32_t kWrongPasswordString = 4;
constexpr uint32_t kPleaseWaitString = 18;
constexpr uint32_t kCancelledString = 21;

constexpr int32_t kFullRange = 100;

// Decrypts with the progress window on the screen; the window is gone when
// this returns.
Result ExtractShowingProgress(SelfExtractor* extractor, const String& password) {
  ProgressWindowSettings settings;
  ProgressUI progress(&settings);
  ProgressCallback callback{&ProgressUIEntry, reinterpret_cast<uintptr_t>(&progress), 0};
  NotifyProgress(&callback, kProgressBegin, kFullRange);
  NotifyProgress(&callback, kProgressBeginPhase, kFullRange);
  NotifyProgress(&callback, kProgressStatusText, kPleaseWaitString);
  const Result result = extractor->Extract(password.c_str(), &callback);
  NotifyProgress(&callback, kProgressEndPhase, 0);
  NotifyProgress(&callback, kProgressEnd, 0);
  return result;
}

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

String FailureText(Result result) {
  if (result == kCancelled) return LoadResString(kCancelledString);
  if (result == kWrongPassword) return LoadResString(kWrongPasswordString);
  return FormatResString(kDecryptFailedString, result);
}

void ShowLayoutFailure(Result result) {
  String text;
  String::Format(text, "Morvalis SelfExtractor layout context initialization failed.\nError = %i",
                 static_cast<int>(result));
  MessageBoxA(nullptr, text.c_str(), "INTERNAL ERROR", MB_OK | MB_TASKMODAL);
}

}  // namespace

Result RunDecryptAttempt(HWND owner) {
  // Declared first, destroyed last: the password is wiped before the work
  // folder and the temporary file go.
  SelfExtractor extractor;
  const String password = AskPassword(owner);
  if (password.IsEmpty()) return kCancelled;

  const Result result = ExtractShowingProgress(&extractor, password);
  ReturnToOwner(owner);
  if (result != kOk) {
    ShowError(owner, FailureText(result));
    return result;
  }
  String message;
  extractor.GetMessageText(message);
  if (message.IsEmpty()) {
    RunFolderDialog(owner, &extractor);
  } else {
    RunMessageView(owner, &extractor);
  }
  return kOk;
}

}  // namespace ui

int RunInteractive() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);

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
