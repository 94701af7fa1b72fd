// The interactive mode: disclaimer, main dialog, and per press of the main
// dialog's decrypt button one attempt of password, progress window and then
// the folder dialog or the message view. mv::RunInteractive (app/entry.h)
// is defined here on Windows. The attempt itself is the shared one of
// app/decrypt_attempt.h; the dialogs are its front end.
#pragma once

#include "ui/windows_api.h"

#include "app/decrypt_attempt.h"
#include "base/result.h"

namespace mv::ui {

// The dialogs as the front end of an attempt: the password dialog, the
// progress window, message boxes, the folder dialog and the message view,
// all owned by owner. While an interruption is pending no box is shown.
class DialogFrontEnd : public AttemptFrontEnd {
 public:
  explicit DialogFrontEnd(HWND owner) : owner_(owner) {}
  String AskPassword() override;
  Result WithProgress(const std::function<Result(const ProgressCallback*)>& run) override;
  void ShowError(const String& text) override;
  void ShowInfo(const String& text) override;
  bool AskYesNo(const String& text) override;
  void OfferFiles(SelfExtractor* extractor) override;
  void ShowMessageText(SelfExtractor* extractor) override;

 private:
  HWND owner_;
};

// One decryption attempt for the main dialog (owner), see RunDecryptAttempt
// of app/decrypt_attempt.h: a failure is reported in a message box.
Result RunDecryptAttempt(HWND owner);

}  // namespace mv::ui
