#include "app/entry.h"

#include "base/string.h"

namespace mv {

int SelectMode(const char* command_tail, ModeEntry interactive, ModeEntry command_line) {
  String tail(command_tail);
  return tail.NotEquals("") ? command_line() : interactive();
}

}  // namespace mv
