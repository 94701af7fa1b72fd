// One decryption attempt of the main dialog: the dialogs as the front end
// of the shared attempt of app/decrypt_attempt.h (the password dialog, the
// progress window, message boxes, then the folder dialog or the message
// view), all owned by the main dialog.
#pragma once

#include "ui/windows_api.h"

#include "app/decrypt_attempt.h"
#include "base/result.h"
#include "ui/dialog_prompts.h"

namespace mv::ui {

class DialogFrontEnd : public AttemptFrontEnd {
 public:
  explicit DialogFrontEnd(HWND owner) : owner_(owner), prompts_(owner) {}
  Password AskPassword() override;
  Result WithProgress(const std::function<Result(const ProgressCallback*)>& run) override;
  void ShowError(const String& text) override { prompts_.ShowError(text); }
  void ShowInfo(const String& text) override { prompts_.ShowInfo(text); }
  bool AskYesNo(const String& text) override { return prompts_.AskYesNo(text); }
  void OfferFiles(SelfExtractor* extractor) override;
  void ShowMessageText(SelfExtractor* extractor) override;

 private:
  HWND owner_;
  DialogPrompts prompts_;
};

// One decryption attempt for the main dialog (owner), see RunDecryptAttempt
// of app/decrypt_attempt.h: a failure is reported in a message box.
Result RunDecryptAttempt(HWND owner);

}  // namespace mv::ui
