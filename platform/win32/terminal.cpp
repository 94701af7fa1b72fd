// Win32 side of platform/terminal.h: the console is read and written wide.
#include <windows.h>

#include <cstring>
#include <new>
#include <utility>

#include "base/memory.h"
#include "base/text_encoding.h"
#include "platform/codepage.h"
#include "platform/platform.h"
#include "platform/terminal.h"
#include "platform/win32/wide_text.h"

namespace mv::platform {
namespace {

HANDLE HandleOf(StandardStream stream) {
  switch (stream) {
    case StandardStream::kInput:
      return GetStdHandle(STD_INPUT_HANDLE);
    case StandardStream::kOutput:
      return GetStdHandle(STD_OUTPUT_HANDLE);
    default:
      return GetStdHandle(STD_ERROR_HANDLE);
  }
}

// Sets the console input's mode for a read and gives the old one back when
// it goes.
class ConsoleMode {
 public:
  ConsoleMode(HANDLE in, DWORD clear) : in_(in) {
    valid_ = in != nullptr && in != INVALID_HANDLE_VALUE && GetConsoleMode(in, &mode_);
    if (valid_) SetConsoleMode(in, mode_ & ~clear);
  }
  ~ConsoleMode() {
    if (valid_) SetConsoleMode(in_, mode_);
  }
  ConsoleMode(const ConsoleMode&) = delete;
  ConsoleMode& operator=(const ConsoleMode&) = delete;
  bool valid() const { return valid_; }

 private:
  HANDLE in_;
  DWORD mode_ = 0;
  bool valid_ = false;
};

}  // namespace

bool IsTerminal(StandardStream stream) {
  DWORD mode = 0;
  HANDLE handle = HandleOf(stream);
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

bool ConsoleIsOwn() {
  DWORD processes[2] = {};
  return GetConsoleProcessList(processes, 2) == 1;
}

void WriteStderr(const char* text) { WriteProgramText(GetStdHandle(STD_ERROR_HANDLE), text); }

LineStatus ReadSecretLine(const char* prompt, Password* out, size_t max_length) {
  String line;
  bool read = false;
  {
    ConsoleMode echo_off(GetStdHandle(STD_INPUT_HANDLE), ENABLE_ECHO_INPUT);
    if (!echo_off.valid()) return LineStatus::kEnd;
    WriteStderr(prompt);
    read = ReadStdinLine(&line, max_length);
  }
  WriteStderr("\n");
  if (!read) return LineStatus::kEnd;
  *out = Password(std::move(line));
  return LineStatus::kLine;
}

// The console's own line editing serves here.
LineStatus EditLine(const char* prompt, String* line, size_t max_length) {
  if (!IsTerminal(StandardStream::kInput)) return LineStatus::kEnd;
  WriteStdout(prompt);
  String typed;
  if (!ReadStdinLine(&typed, max_length)) return LineStatus::kEnd;
  return FromUtf8Text(typed.c_str(), line) ? LineStatus::kLine : LineStatus::kNoCodePageForm;
}

bool GetTerminalSize(int* rows, int* columns) {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) return false;
  *rows = info.srWindow.Bottom - info.srWindow.Top + 1;
  *columns = info.srWindow.Right - info.srWindow.Left + 1;
  return *rows > 0 && *columns > 0;
}

int ReadKey(const char* prompt) {
  WriteStdout(prompt);
  ConsoleMode keys(GetStdHandle(STD_INPUT_HANDLE), ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT);
  if (!keys.valid()) return -1;
  wchar_t key = 0;
  DWORD read = 0;
  if (!ReadConsoleW(GetStdHandle(STD_INPUT_HANDLE), &key, 1, &read, nullptr) || read != 1) return -1;
  // A key of the program's code page as its byte; any other as none the
  // questions know.
  String text;
  return ProgramTextOf(&key, 1, &text) && text.GetLength() == 1 ? static_cast<unsigned char>(text.GetAt(0)) : 0;
}

void WriteStderrSystemText(const char* text) { WriteSystemText(GetStdHandle(STD_ERROR_HANDLE), text); }

}  // namespace mv::platform
