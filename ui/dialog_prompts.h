// The reports and the yes/no question of the dialogs: message boxes owned
// by one window. While an interruption is pending no box is shown.
#pragma once

#include "ui/windows_api.h"

#include "app/decrypt_attempt.h"

namespace mv::ui {

class DialogPrompts : public AttemptPrompts {
 public:
  explicit DialogPrompts(HWND owner) : owner_(owner) {}
  void ShowError(const String& text) override;
  void ShowInfo(const String& text) override;
  bool AskYesNo(const String& text) override;

 private:
  HWND owner_;
};

}  // namespace mv::ui
