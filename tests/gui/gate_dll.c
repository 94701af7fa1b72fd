// The gate with which the dialog tests hold the program's main thread: the
// driver hooks the messages sent to that thread's windows with GateProc, and
// the thread, when it handles the driver's gate message, waits in the hook
// until the driver opens the gate again. The main thread handles sent
// messages only while it waits for an answer (at every step of the
// progress), so it is held there, in a plain wait, holding no lock that
// the progress window's thread could need.
#include <windows.h>

#include "gate.h"

// Longer than the driver waits for anything, so that a driver that has gone
// cannot keep the program held for good.
#define GATE_LIMIT_MS 120000

__declspec(dllexport) LRESULT CALLBACK GateProc(int code, WPARAM wparam, LPARAM lparam) {
  const CWPSTRUCT* sent = (const CWPSTRUCT*)lparam;
  if (code == HC_ACTION && sent != NULL && sent->message == RegisterWindowMessageW(GATE_MESSAGE)) {
    HANDLE held = OpenEventW(EVENT_MODIFY_STATE, FALSE, GATE_HELD);
    HANDLE open = OpenEventW(SYNCHRONIZE, FALSE, GATE_OPEN);
    if (held != NULL && open != NULL) {
      SetEvent(held);
      WaitForSingleObject(open, GATE_LIMIT_MS);
    }
    if (held != NULL) CloseHandle(held);
    if (open != NULL) CloseHandle(open);
  }
  return CallNextHookEx(NULL, code, wparam, lparam);
}
