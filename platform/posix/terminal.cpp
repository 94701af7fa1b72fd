// POSIX side of platform/terminal.h.
#include <sys/ioctl.h>
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
  termios saved{};
  bool restore = tcgetattr(STDIN_FILENO, &saved) == 0;
  // Echo goes off before the prompt appears, so nothing typed after it can
  // show; what was typed before it is discarded.
  if (restore) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ECHONL;
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  WriteStderr(prompt);
  bool read = ReadStdinLine(out, max_length);
  if (restore) tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
  return read;
}

bool GetTerminalSize(int* rows, int* columns) {
  winsize size{};
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_row == 0 || size.ws_col == 0) return false;
  *rows = size.ws_row;
  *columns = size.ws_col;
  return true;
}

int ReadKey() {
  termios saved{};
  if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &saved) != 0) return -1;
  termios single = saved;
  // Ctrl-C still raises SIGINT: ISIG stays on.
  single.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
  single.c_cc[VMIN] = 1;
  single.c_cc[VTIME] = 0;
  tcsetattr(STDIN_FILENO, TCSANOW, &single);
  unsigned char key = 0;
  const ssize_t n = read(STDIN_FILENO, &key, 1);
  tcsetattr(STDIN_FILENO, TCSANOW, &saved);
  return n == 1 ? key : -1;
}

}  // namespace mv::platform
