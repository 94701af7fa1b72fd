#include "ui/dialog_prompts.h"

#include "platform/interruption.h"
#include "ui/message_boxes.h"

namespace mv::ui {

void DialogPrompts::ShowError(const String& text) {
  if (!platform::InterruptionRequested()) ui::ShowError(owner_, text);
}

void DialogPrompts::ShowInfo(const String& text) {
  if (!platform::InterruptionRequested()) ui::ShowInfo(owner_, text);
}

bool DialogPrompts::AskYesNo(const String& text) {
  return !platform::InterruptionRequested() && ui::AskYesNo(owner_, text);
}

}  // namespace mv::ui
