// POSIX side of platform/interruption.h: every signal that would end the
// process at once and can be caught sets a flag instead (SIGINT, SIGTERM,
// SIGHUP, SIGQUIT, the alarm, profiling, resource-limit, user, power and
// I/O signals and the real-time signals). SIGPIPE is ignored, so that a
// write to a reader that went away fails with EPIPE, which ends the run in
// the same way (NoteOutputClosed). The handlers are installed without
// SA_RESTART, so a read waiting at a prompt returns at once and the program
// unwinds through its clean-up. Signals raised by a fault of the program
// itself (SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGSYS, SIGTRAP) keep
// their default action: the program cannot go on from them. SIGKILL and
// SIGSTOP cannot be caught at all.
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/interruption.h"

namespace mv::platform {
namespace {

constexpr int kFixedSignals[] = {SIGINT,  SIGTERM, SIGHUP,    SIGQUIT,   SIGALRM,  SIGUSR1, SIGUSR2,
                                 SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF,   SIGPOLL,  SIGPWR,  SIGSTKFLT};

volatile sig_atomic_t g_signal = 0;
struct sigaction g_previous[NSIG];
bool g_installed[NSIG] = {};

void NoteSignal(int number) {
  if (g_signal == 0) g_signal = number;
}

// Takes over number as the scope's own: a flag for handled, ignored for
// SIGPIPE. A signal ignored when the scope began stays ignored.
void TakeOver(int number, void (*handler)(int)) {
  if (number <= 0 || number >= NSIG || g_installed[number]) return;
  struct sigaction noted {};
  noted.sa_handler = handler;
  sigemptyset(&noted.sa_mask);
  noted.sa_flags = 0;
  g_installed[number] = sigaction(number, nullptr, &g_previous[number]) == 0 &&
                        g_previous[number].sa_handler != SIG_IGN && sigaction(number, &noted, nullptr) == 0;
}

}  // namespace

InterruptionScope::InterruptionScope(bool) {
  for (int number : kFixedSignals) TakeOver(number, &NoteSignal);
  for (int number = SIGRTMIN; number <= SIGRTMAX; ++number) TakeOver(number, &NoteSignal);
  TakeOver(SIGPIPE, SIG_IGN);
}

InterruptionScope::~InterruptionScope() {
  for (int number = 1; number < NSIG; ++number) {
    if (g_installed[number]) sigaction(number, &g_previous[number], nullptr);
    g_installed[number] = false;
  }
}

bool InterruptionRequested() { return g_signal != 0; }

bool InterruptedByUser() { return g_signal == SIGINT; }

const char* InterruptionName() {
  const int number = g_signal;
  if (number == 0) return "";
  // "SIG" + the system's abbreviation ("QUIT", "RTMIN+3"), kept once.
  static char name[32];
  const char* abbreviation = sigabbrev_np(number);
  if (abbreviation == nullptr) return "a signal";
  std::snprintf(name, sizeof name, "SIG%s", abbreviation);
  return name;
}

void RequestInterruption() { NoteSignal(SIGTERM); }

void NoteOutputClosed() { NoteSignal(SIGPIPE); }

// The thread that noted a signal never waits on POSIX: nothing to do.
void WaitUntilInterruptionHandled(unsigned) {}

void EndIfInterrupted() {
  const int number = g_signal;
  if (number == 0) return;
  // Signals whose default action writes a core file (SIGQUIT, SIGXCPU,
  // SIGXFSZ) must not write one: the process held decrypted data.
  struct rlimit no_core = {0, 0};
  setrlimit(RLIMIT_CORE, &no_core);
  prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
  signal(number, SIG_DFL);
  sigset_t unblock;
  sigemptyset(&unblock);
  sigaddset(&unblock, number);
  sigprocmask(SIG_UNBLOCK, &unblock, nullptr);
  raise(number);
  _exit(128 + number);  // only if the default action did not end the process
}

}  // namespace mv::platform
