// Win32 side of platform/terminal.h.
#include <windows.h>

#include <cstring>

#include "platform/platform.h"
#include "platform/terminal.h"

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

}  // namespace

bool IsTerminal(StandardStream stream) {
  DWORD mode = 0;
  HANDLE handle = HandleOf(stream);
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

void WriteStderr(const char* text) {
  HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  if (err == nullptr || err == INVALID_HANDLE_VALUE || text == nullptr) return;
  DWORD written = 0;
  WriteFile(err, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

LineStatus ReadSecretLine(const char* prompt, String* out, size_t max_length) {
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  if (in == nullptr || in == INVALID_HANDLE_VALUE || !GetConsoleMode(in, &mode)) return LineStatus::kEnd;
  WriteStderr(prompt);
  SetConsoleMode(in, mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
  bool read = ReadStdinLine(out, max_length);
  SetConsoleMode(in, mode);
  WriteStderr("\n");
  return read ? LineStatus::kLine : LineStatus::kEnd;
}

// The console's own line editing serves here.
LineStatus EditLine(const char* prompt, String* line, size_t max_length) {
  if (!IsTerminal(StandardStream::kInput)) return LineStatus::kEnd;
  WriteStdout(prompt);
  return ReadStdinLine(line, max_length) ? LineStatus::kLine : LineStatus::kEnd;
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
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  if (in == nullptr || in == INVALID_HANDLE_VALUE || !GetConsoleMode(in, &mode)) return -1;
  SetConsoleMode(in, mode & ~static_cast<DWORD>(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT));
  char key = 0;
  DWORD read = 0;
  const bool got = ReadConsoleA(in, &key, 1, &read, nullptr) && read == 1;
  SetConsoleMode(in, mode);
  return got ? static_cast<unsigned char>(key) : -1;
}

void WriteStderrSystemText(const char* text) { WriteStderr(text); }

}  // namespace mv::platform
