// Win32 side of platform/interruption.h. Console control events arrive on a
// thread of their own: Ctrl-C and Ctrl-Break only note the request (the
// main thread finishes its clean-up and exits); closing the console, logoff
// and shutdown end the process as soon as the handler returns, so that
// handler waits until the clean-up is done. The end of the session
// (WM_ENDSESSION) is noted by the dialogs through RequestInterruption.
#include <windows.h>

#include <atomic>

#include "platform/interruption.h"

namespace mv::platform {
namespace {

// The status of a process ended by Ctrl-C (STATUS_CONTROL_C_EXIT).
constexpr UINT kInterruptedStatus = 0xC000013A;
// The system allows a handler of a closing console about five seconds.
constexpr DWORD kConsoleCloseWaitMs = 4500;

std::atomic<bool> g_requested{false};
// The console event noted first (kSessionEnd for the end of the session).
constexpr DWORD kNoEvent = 0xFFFFFFFF;
constexpr DWORD kSessionEnd = 0xFFFFFFFE;
std::atomic<DWORD> g_event{kNoEvent};

void Note(DWORD event) {
  DWORD none = kNoEvent;
  g_event.compare_exchange_strong(none, event);
  g_requested.store(true);
}
HANDLE g_handled = nullptr;  // manual-reset event: the clean-up is done

void EnsureHandledEvent() {
  if (g_handled == nullptr) g_handled = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

BOOL WINAPI OnConsoleEvent(DWORD type) {
  Note(type);
  if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) WaitUntilInterruptionHandled(kConsoleCloseWaitMs);
  return TRUE;
}

}  // namespace

InterruptionScope::InterruptionScope(bool listen_to_console) {
  EnsureHandledEvent();
  // A program of the GUI subsystem has no console of its own; started from
  // one, it hears that console's events only once it has attached to it.
  if (listen_to_console && GetConsoleWindow() == nullptr) AttachConsole(ATTACH_PARENT_PROCESS);
  SetConsoleCtrlHandler(&OnConsoleEvent, TRUE);
}

InterruptionScope::~InterruptionScope() { SetConsoleCtrlHandler(&OnConsoleEvent, FALSE); }

bool InterruptionRequested() { return g_requested.load(); }

bool InterruptedByUser() {
  const DWORD event = g_event.load();
  return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
}

const char* InterruptionName() {
  switch (g_event.load()) {
    case kNoEvent:
      return "";
    case CTRL_C_EVENT:
      return "Ctrl-C";
    case CTRL_BREAK_EVENT:
      return "Ctrl-Break";
    case CTRL_CLOSE_EVENT:
      return "the console was closed";
    case CTRL_LOGOFF_EVENT:
      return "logoff";
    case CTRL_SHUTDOWN_EVENT:
      return "shutdown";
    default:
      return "the end of the session";
  }
}

void RequestInterruption() { Note(kSessionEnd); }

// A GUI program's output goes to whatever its caller attached; a reader
// that went away is no request to stop there.
void NoteOutputClosed() {}

void WaitUntilInterruptionHandled(unsigned timeout_ms) {
  EnsureHandledEvent();
  if (g_handled != nullptr) WaitForSingleObject(g_handled, timeout_ms);
}

void EndIfInterrupted() {
  if (!g_requested.load()) return;
  if (g_handled != nullptr) SetEvent(g_handled);
  ExitProcess(kInterruptedStatus);
}

}  // namespace mv::platform
