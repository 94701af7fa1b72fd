// POSIX side of platform/interruption.h: SIGINT, SIGTERM and SIGHUP set a
// flag. The handlers are installed without SA_RESTART, so a read waiting at
// a prompt returns at once and the program unwinds through its clean-up.
#include <signal.h>
#include <unistd.h>

#include "platform/interruption.h"

namespace mv::platform {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];

volatile sig_atomic_t g_signal = 0;
struct sigaction g_previous[kSignalCount];
bool g_installed[kSignalCount] = {};

void NoteSignal(int number) {
  if (g_signal == 0) g_signal = number;
}

}  // namespace

InterruptionScope::InterruptionScope(bool) {
  for (int i = 0; i < kSignalCount; ++i) {
    struct sigaction noted {};
    noted.sa_handler = &NoteSignal;
    sigemptyset(&noted.sa_mask);
    noted.sa_flags = 0;
    g_installed[i] = sigaction(kSignals[i], nullptr, &g_previous[i]) == 0 && g_previous[i].sa_handler != SIG_IGN &&
                     sigaction(kSignals[i], &noted, nullptr) == 0;
  }
}

InterruptionScope::~InterruptionScope() {
  for (int i = 0; i < kSignalCount; ++i) {
    if (g_installed[i]) sigaction(kSignals[i], &g_previous[i], nullptr);
    g_installed[i] = false;
  }
}

bool InterruptionRequested() { return g_signal != 0; }

bool InterruptedByUser() { return g_signal == SIGINT; }

const char* InterruptionName() {
  switch (g_signal) {
    case 0:
      return "";
    case SIGINT:
      return "SIGINT";
    case SIGHUP:
      return "SIGHUP";
    default:
      return "SIGTERM";
  }
}

void RequestInterruption() { NoteSignal(SIGTERM); }

// The thread that noted a signal never waits on POSIX: nothing to do.
void WaitUntilInterruptionHandled(unsigned) {}

void EndIfInterrupted() {
  const int number = g_signal;
  if (number == 0) return;
  signal(number, SIG_DFL);
  sigset_t unblock;
  sigemptyset(&unblock);
  sigaddset(&unblock, number);
  sigprocmask(SIG_UNBLOCK, &unblock, nullptr);
  raise(number);
  _exit(128 + number);  // only if the default action did not end the process
}

}  // namespace mv::platform
