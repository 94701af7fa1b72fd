#include "ui/dialog_flow.h"

#include "ui/windows_api.h"

#include <commctrl.h>

#include "app/payload.h"
#include "platform/interruption.h"
#include "platform/win32/wide_text.h"
#include "ui/disclaimer_dialog.h"
#include "ui/main_dialog.h"

namespace mv::ui {
namespace {

void ShowLayoutFailure(Result result) {
  String text;
  String::Format(text, "Morvalis SelfExtractor layout context initialization failed.\nError = %i",
                 static_cast<int>(result));
  MessageBoxW(nullptr, platform::WideOf(text).c_str(), L"INTERNAL ERROR", MB_OK | MB_TASKMODAL);
}

}  // namespace

int RunDialogFlow() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  // Notes the end of the session (and console events when there is a
  // console) so that an attempt can clean up before the process goes.
  platform::InterruptionScope interruption(false);

  PayloadLayout layout;
  const Result loaded = LoadLayout(&layout);
  if (loaded != kOk) {
    ShowLayoutFailure(loaded);
    return static_cast<int>(loaded);
  }
  if (!RunDisclaimer(layout.disclaimer_text)) return static_cast<int>(kCancelled);
  RunMainDialog(layout);
  return static_cast<int>(kOk);
}

}  // namespace mv::ui
