// Interruption of a running program by the user or the system: on POSIX
// every signal that would end the process and can be caught (Ctrl-C,
// Ctrl-\, SIGTERM, SIGHUP, the alarm, resource-limit, user and real-time
// signals, ...) and a reader of standard output or error that went away
// (SIGPIPE, seen as EPIPE); console control events (Ctrl-C, Ctrl-Break,
// closing the console, logoff, shutdown) and the end of the session on
// Windows. The program does not die at once: the request is noted, the
// running work stops at its next check as a cancel, decrypted data is
// wiped and temporary files go, and only then does EndIfInterrupted end the
// process the way the request would have ended it.
#pragma once

namespace mv::platform {

// While it lives, the interruptions above are noted instead of ending the
// process (a signal ignored when the program started stays ignored).
// listen_to_console (Windows): attach to the console of the program that
// started this one, so that its control events reach this process too.
// The previous handling is restored when the scope ends.
class InterruptionScope {
 public:
  explicit InterruptionScope(bool listen_to_console);
  ~InterruptionScope();
  InterruptionScope(const InterruptionScope&) = delete;
  InterruptionScope& operator=(const InterruptionScope&) = delete;
};

// True once an interruption was noted (it stays noted).
bool InterruptionRequested();

// True when the noted interruption came from the user at the keyboard
// (Ctrl-C; Windows: Ctrl-C or Ctrl-Break), false when the system or another
// program asked the program to end (SIGTERM, SIGHUP; closing the console,
// logoff, shutdown, the end of the session) or nothing was noted.
bool InterruptedByUser();

// The name of what was noted, for messages: "SIGINT", "SIGTERM", "SIGHUP",
// "SIGQUIT", "SIGPIPE" and so on (Windows: "Ctrl-C", "Ctrl-Break", "the console was closed", "logoff",
// "shutdown", "the end of the session"); "" when nothing was noted.
const char* InterruptionName();

// Notes an interruption on behalf of the system (Windows: the session ends);
// the next check of the running work sees it.
void RequestInterruption();

// Notes that standard output or error lost its reader (POSIX: a write
// failed with EPIPE): an interruption by SIGPIPE, so the run ends as that
// signal would have ended it, once cleaned up. Nothing on Windows.
void NoteOutputClosed();

// Waits, at most timeout_ms, until EndIfInterrupted has been reached on
// another thread: a thread that must not return before the clean-up is done
// (the system ends the process when it returns) waits here.
void WaitUntilInterruptionHandled(unsigned timeout_ms);

// Does nothing without a noted interruption. Otherwise ends the process as
// the interruption would have: POSIX re-raises the signal with its default
// action (so the parent sees "killed by SIGINT" and so on; no core file is
// written for the signals that would write one); Windows exits with the
// status of a console interruption. Call it once everything that
// must be cleaned up is gone.
void EndIfInterrupted();

}  // namespace mv::platform
