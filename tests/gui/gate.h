// The names the dialog-test driver and its gate DLL meet by: the registered
// message that closes the gate, and the events "held" (set by the gate) and
// "open" (set by the driver).
#ifndef MV_TESTS_GUI_GATE_H_
#define MV_TESTS_GUI_GATE_H_

#define GATE_MESSAGE L"gui_driver gate"
#define GATE_HELD L"gui_driver gate held"
#define GATE_OPEN L"gui_driver gate open"

#endif  // MV_TESTS_GUI_GATE_H_
