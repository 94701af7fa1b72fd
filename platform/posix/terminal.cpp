// POSIX side of platform/terminal.h.
#include <termios.h>
#include <unistd.h>

#include "platform/platform.h"
#include "platform/terminal.h"

namespace mv::platform {
namespace {

int DescriptorOf(StandardStream stream) {
  switch (stream) {
    case StandardStream::kInput:
      return STDIN_FILENO;
    case StandardStream::kOutput:
      return STDOUT_FILENO;
    default:
      return STDERR_FILENO;
  }
}

}  // namespace

bool IsTerminal(StandardStream stream) { return isatty(DescriptorOf(stream)) == 1; }

bool ReadSecretLine(const char* prompt, String* out, size_t max_length) {
  if (!isatty(STDIN_FILENO)) return false;
  WriteStderr(prompt);
  termios saved{};
  bool restore = tcgetattr(STDIN_FILENO, &saved) == 0;
  if (restore) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ECHONL;
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  bool read = ReadStdinLine(out, max_length);
  if (restore) tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
  return read;
}

}  // namespace mv::platform
