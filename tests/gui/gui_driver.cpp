// Drives the self-extractor's dialogs for the GUI tests: starts the program,
// finds its dialogs by class (#32770) and caption, reads and sets control
// texts, presses buttons and checks what the program leaves on the disk.
//
// Usage: gui_driver SCRIPT. The script (UTF-8) holds one command per line;
// '#' starts a comment; words are separated by blanks, and a word in double
// quotes may hold blanks. {CR}, {LF} and {Q} stand for carriage return, line
// feed and a double quote; backslashes are ordinary characters (Windows
// paths). Control ids may be given as "1148|1152": the first one the window
// has is used. The commands (ID: a control of the current dialog):
//   env NAME VALUE; start PROGRAM [ARG...] (its folder as current folder)
//   window CAPTION [ID]     wait for a dialog of the program with this caption
//                           (and control); it becomes the current one
//   message|front CAPTION TEXT  the same for a dialog (a message box) that
//                           shows TEXT; front: it is, and stays, the
//                           foreground window without the driver's help
//   gone; count CAPTION N   the current dialog is destroyed; N such dialogs
//   text ID TEXT; text-in ID TEXT...; list ID ITEM...; enabled|visible ID 0|1;
//   focus ID; default ID; above|top ID1 ID2 (ID1 starts above / level with ID2)
//   await ID TEXT           wait until the control shows TEXT
//   set ID TEXT; click|press ID (go on at once / when handled);
//   keys WORD...            real key strokes to the current dialog, made
//                           its foreground window: {TAB} {ENTER} {ESC}
//                           {SPACE} {DOWN} {UP}, ALT+X, or text to type
//   mouse ID                a real left click at the control's centre
//   scroll ID pagedown|bottom|top; close|escape (close box / Escape key);
//   endsession (WM_ENDSESSION, posted); hold CAPTION ID (wait for a dialog
//   as window does, then hold the program's main thread, which decrypts
//   while this dialog shows the progress, at its next step); resume (let
//   it go on); exit CODE
//   absent|present PATTERN  no / some file or folder matches
//   file PATH CONTENT       the file holds CONTENT in the ANSI code page
//   clipboard TEXT; appears CLASS; close-class CLASS (any process)
//   shotdir FOLDER; shot NAME  ask the test script for a screenshot of the
//                           current dialog once it is shown and drawn:
//                           writes FOLDER\NAME.request, waits for NAME.done
//                           (holding the picture's number of colours); fails
//                           when the dialog is not shown, not drawn, gone
//                           before the picture, or the picture is empty
// Every check prints "ok: ..." or "FAIL: ..."; the first failure ends the
// program under test and the driver with exit code 1. Waits give up after
// a minute, so a missing dialog ends the test instead of hanging it.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "gate.h"

namespace {

constexpr DWORD kWaitLimitMs = 60000;
constexpr DWORD kPollMs = 10;
constexpr UINT kMessageTimeoutMs = 10000;
constexpr DWORD kFrontLimitMs = 1000;
constexpr DWORD kFrontSettleMs = 150;

std::wstring Wide(const std::string& utf8) {
  std::wstring out(utf8.size(), L'\0');
  out.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                                     out.data(), static_cast<int>(out.size()))));
  return out;
}

std::string Narrow(const std::wstring& wide, UINT code_page = CP_UTF8) {
  std::string out(wide.size() * 3, '\0');
  out.resize(static_cast<size_t>(WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()),
                                                     out.data(), static_cast<int>(out.size()), nullptr, nullptr)));
  return out;
}

void ReplaceAll(std::string* text, const std::string& from, const std::string& to) {
  for (size_t at = text->find(from); at != std::string::npos; at = text->find(from, at + to.size())) {
    text->replace(at, from.size(), to);
  }
}

// Shows control characters so that a failing comparison can be read.
std::string Visible(std::string text) {
  ReplaceAll(&text, "\n", "\\n");
  ReplaceAll(&text, "\r", "\\r");
  ReplaceAll(&text, "\t", "\\t");
  return text;
}

std::string Joined(const std::vector<std::string>& items, size_t from = 0) {
  std::string out;
  for (size_t i = from; i < items.size(); ++i) out += (i > from ? ", " : "") + items[i];
  return out;
}

std::vector<std::string> SplitWords(const std::string& line) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size() || line[i] == '#') break;
    std::string word;
    if (line[i] == '"') {
      for (++i; i < line.size() && line[i] != '"'; ++i) word += line[i];
      ++i;
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t') word += line[i++];
    }
    ReplaceAll(&word, "{CR}", "\r");
    ReplaceAll(&word, "{LF}", "\n");
    ReplaceAll(&word, "{Q}", "\"");
    words.push_back(word);
  }
  return words;
}

bool Check(bool ok, const std::string& what, const std::string& found = "") {
  std::printf(ok ? "ok: %s\n" : "FAIL: %s; found %s\n", what.c_str(), found.c_str());
  std::fflush(stdout);
  return ok;
}

// Polls until done() holds or limit has passed; done()'s last answer.
bool WaitUntil(const std::function<bool()>& done, DWORD limit = kWaitLimitMs) {
  for (const DWORD start = GetTickCount(); !done(); Sleep(kPollMs)) {
    if (GetTickCount() - start >= limit) return done();
  }
  return true;
}

DWORD_PTR Send(HWND window, UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(window, message, wparam, lparam, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &result);
  return result;
}

// A window's caption without a message to its thread (the driver is
// another process), so that a busy or held thread cannot delay it.
std::string CaptionOf(HWND window) {
  std::vector<wchar_t> buffer(1000, L'\0');
  GetWindowTextW(window, buffer.data(), static_cast<int>(buffer.size()));
  return Narrow(buffer.data());
}

std::string TextOf(HWND window) {
  std::vector<wchar_t> buffer(70000, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                           SMTO_ABORTIFHUNG, kMessageTimeoutMs, &copied)) {
    return "<no answer>";
  }
  return Narrow(buffer.data());
}

HWND ControlOf(HWND dialog, const std::string& ids) {
  std::stringstream list(ids);
  HWND control = nullptr;
  for (std::string id; control == nullptr && std::getline(list, id, '|');) {
    control = GetDlgItem(dialog, std::atoi(id.c_str()));
  }
  return control;
}

// The window becomes the foreground window within a second of appearing
// and is still it a little later (activation that comes late would take
// the front away again).
bool StaysInFront(HWND window) {
  WaitUntil([window] { return GetForegroundWindow() == window; }, kFrontLimitMs);
  Sleep(kFrontSettleMs);
  return GetForegroundWindow() == window;
}

// Real input, as a person gives it, to the foreground window: the key
// strokes of a word of a "keys" command ({TAB}, {ENTER}, {ESC}, {SPACE},
// {DOWN}, ALT+X, or text typed character by character).
void PressKey(WORD key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &input, sizeof input);
}

void TypeKeys(const std::string& word) {
  static const struct {
    const char* name;
    WORD key;
  } kNamed[] = {{"{TAB}", VK_TAB},     {"{ENTER}", VK_RETURN}, {"{ESC}", VK_ESCAPE},
                {"{SPACE}", VK_SPACE}, {"{DOWN}", VK_DOWN},    {"{UP}", VK_UP}};
  for (const auto& named : kNamed) {
    if (word == named.name) {
      PressKey(named.key, false);
      PressKey(named.key, true);
      return;
    }
  }
  if (word.size() == 5 && word.compare(0, 4, "ALT+") == 0) {
    PressKey(VK_MENU, false);
    PressKey(static_cast<WORD>(toupper(static_cast<unsigned char>(word[4]))), false);
    PressKey(static_cast<WORD>(toupper(static_cast<unsigned char>(word[4]))), true);
    PressKey(VK_MENU, true);
    return;
  }
  for (wchar_t c : Wide(word)) {
    INPUT input[2] = {};
    for (int i = 0; i < 2; ++i) {
      input[i].type = INPUT_KEYBOARD;
      input[i].ki.wScan = c;
      input[i].ki.dwFlags = KEYEVENTF_UNICODE | (i == 1 ? KEYEVENTF_KEYUP : 0);
    }
    SendInput(2, input, sizeof input[0]);
  }
}

// A click of the left mouse button at the centre of the window.
void ClickAtCentre(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  const int x = (rect.left + rect.right) / 2;
  const int y = (rect.top + rect.bottom) / 2;
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  // The pointer first goes there and rests, as a hand's does; the button
  // goes down and up where the system then sees it.
  const DWORD steps[] = {MOUSEEVENTF_MOVE, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
  for (DWORD step : steps) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = static_cast<LONG>((x * 65535LL) / (width - 1));
    input.mi.dy = static_cast<LONG>((y * 65535LL) / (height - 1));
    input.mi.dwFlags = step | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof input);
    Sleep(50);
  }
}

// Whether the window or one of its controls still has a part to paint.
bool NeedsPaint(HWND window) {
  if (GetUpdateRect(window, nullptr, FALSE)) return true;
  bool pending = false;
  EnumChildWindows(
      window,
      [](HWND child, LPARAM found) {
        if (!GetUpdateRect(child, nullptr, FALSE)) return TRUE;
        *reinterpret_cast<bool*>(found) = true;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&pending));
  return pending;
}

class Driver {
 public:
  int Run(const std::string& script_path);

 private:
  bool Execute(const std::vector<std::string>& words);
  // Dialogs of the program: visible top-level windows of class #32770.
  std::vector<HWND> Dialogs() const;
  HWND FindDialog(const std::string& caption, const std::string& ids, const std::string& shows) const;
  // Holds the main thread while the dialog (of another thread of the
  // program) is on the screen; false with the reason if it cannot.
  bool HoldMainThread(HWND dialog, std::string* why);
  // What the program shows, for a failed wait: its dialogs with their
  // captions and texts, or how it ended.
  std::string Showing() const;

  PROCESS_INFORMATION process_{};
  HHOOK gate_hook_ = nullptr;
  HANDLE gate_held_ = CreateEventW(nullptr, TRUE, FALSE, GATE_HELD);
  HANDLE gate_open_ = CreateEventW(nullptr, TRUE, FALSE, GATE_OPEN);
  HWND current_ = nullptr;
  std::string shot_folder_;
};

std::vector<HWND> Driver::Dialogs() const {
  std::vector<HWND> found;
  for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, L"#32770", nullptr)) != nullptr;) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == process_.dwProcessId && IsWindowVisible(window)) found.push_back(window);
  }
  return found;
}

HWND Driver::FindDialog(const std::string& caption, const std::string& ids, const std::string& shows) const {
  for (HWND dialog : Dialogs()) {
    if (CaptionOf(dialog) != caption || (!ids.empty() && ControlOf(dialog, ids) == nullptr)) continue;
    bool showing = shows.empty();
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr && !showing;
         child = GetWindow(child, GW_HWNDNEXT)) {
      showing = TextOf(child) == shows;
    }
    if (showing) return dialog;
  }
  return nullptr;
}

std::string Driver::Showing() const {
  DWORD code = 0;
  if (GetExitCodeProcess(process_.hProcess, &code) && code != STILL_ACTIVE) {
    return "the program ended with " + std::to_string(code);
  }
  std::string shown;
  for (HWND dialog : Dialogs()) {
    shown += (shown.empty() ? "\"" : "; \"") + CaptionOf(dialog) + "\":";
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
      const std::string text = TextOf(child);
      if (!text.empty()) shown += " [" + Visible(text) + "]";
    }
  }
  return shown.empty() ? "no dialog" : shown;
}

// The main thread is held by the gate (gate_dll.dll, beside the driver): a
// hook on the messages sent to its windows that waits, at the driver's gate
// message, until the driver opens the gate. The thread handles that message
// at its next step of the progress, where it waits for the progress
// window's answer, so it is held in a plain wait that needs nothing of the
// window's thread. (Suspending the thread could stop it anywhere, even
// while it holds a lock that the window's thread then waits for.)
bool Driver::HoldMainThread(HWND dialog, std::string* why) {
  HWND main_window = nullptr;
  EnumThreadWindows(
      process_.dwThreadId,
      [](HWND window, LPARAM found) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&main_window));
  if (main_window == nullptr || GetWindowThreadProcessId(dialog, nullptr) == process_.dwThreadId) {
    *why = "the dialog is not run beside a main thread with a window";
    return false;
  }
  if (gate_hook_ == nullptr) {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring gate(path, length);
    gate = gate.substr(0, gate.find_last_of(L"\\/") + 1) + L"gate_dll.dll";
    HMODULE module = LoadLibraryW(gate.c_str());
    void* proc = module ? reinterpret_cast<void*>(GetProcAddress(module, "GateProc")) : nullptr;
    if (proc != nullptr) {
      gate_hook_ = SetWindowsHookExW(WH_CALLWNDPROC, reinterpret_cast<HOOKPROC>(proc), module, process_.dwThreadId);
    }
    if (gate_hook_ == nullptr) {
      *why = "no gate (gate_dll.dll)";
      return false;
    }
  }
  ResetEvent(gate_held_);
  ResetEvent(gate_open_);
  SendNotifyMessageW(main_window, RegisterWindowMessageW(GATE_MESSAGE), 0, 0);
  if (WaitForSingleObject(gate_held_, kWaitLimitMs) != WAIT_OBJECT_0) {
    *why = "the main thread did not come to the gate";
    return false;
  }
  // Held in a dialog of its own, the main thread was past the progress.
  if (!IsWindowVisible(dialog)) {
    SetEvent(gate_open_);
    *why = "the dialog went before the main thread could be held";
    return false;
  }
  return true;
}

bool Driver::Execute(const std::vector<std::string>& words) {
  const std::string& command = words[0];
  auto arg = [&words](size_t i) { return i < words.size() ? words[i] : std::string(); };
  // The commands that work a control of the current dialog name it first.
  static const std::set<std::string> kOnControl = {"text", "text-in", "list",  "enabled", "visible", "focus", "above",
                                                   "top",  "set",     "click", "press",   "scroll",  "await", "mouse"};
  HWND control = nullptr;
  if (kOnControl.count(command) != 0) {
    control = current_ != nullptr ? ControlOf(current_, arg(1)) : nullptr;
    if (control == nullptr) return Check(false, command + " " + arg(1), "no such control");
  }

  if (command == "env") {
    SetEnvironmentVariableW(Wide(arg(1)).c_str(), Wide(arg(2)).c_str());
    return true;
  }
  if (command == "start") {
    std::wstring line = L"\"" + Wide(arg(1)) + L"\"";
    for (size_t i = 2; i < words.size(); ++i) line += L" " + Wide(words[i]);
    std::wstring folder = Wide(arg(1));
    folder = folder.substr(0, folder.find_last_of(L"\\/") + 1);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    // Wine now and then refuses a start just after another program ended;
    // the causes are named, and a refusal is tried again twice.
    std::string refusals;
    for (int attempt = 0; attempt < 3; ++attempt) {
      if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                         folder.empty() ? nullptr : folder.c_str(), &startup, &process_)) {
        return Check(true, "started " + arg(1) + refusals, "");
      }
      refusals += " (refused: error " + std::to_string(GetLastError()) + ")";
      Sleep(500);
    }
    return Check(false, "started " + arg(1), "no process" + refusals);
  }
  if (command == "window" || command == "hold" || command == "message" || command == "front") {
    const bool by_text = command == "message" || command == "front";
    const std::string what = command + " \"" + arg(1) + "\" " + Visible(arg(2));
    const std::string ids = by_text ? "" : arg(2), shows = by_text ? arg(2) : "";
    HWND found = nullptr;
    if (!WaitUntil([&] { return (found = FindDialog(arg(1), ids, shows)) != nullptr; })) {
      return Check(false, what, "no such dialog; showing " + Showing());
    }
    current_ = found;
    if (command != "front") SetForegroundWindow(found);
    if (command == "hold") {
      // In front before the hold, while the main thread still answers the
      // change of the active window.
      WaitUntil([found] { return GetForegroundWindow() == found; }, kFrontLimitMs);
      std::string why;
      return Check(HoldMainThread(found, &why), what, why);
    }
    return Check(command != "front" || StaysInFront(found), what, "another window in front");
  }
  if (command == "gone") {
    HWND dialog = current_;
    return Check(WaitUntil([dialog] { return !IsWindow(dialog); }), "dialog gone", "it open");
  }
  if (command == "text" || command == "text-in") {
    const std::string text = TextOf(control);
    return Check(std::find(words.begin() + 2, words.end(), text) != words.end(),
                 "text of " + arg(1) + " is \"" + Visible(arg(2)) + "\"", "\"" + Visible(text) + "\"");
  }
  if (command == "list") {
    std::vector<std::string> items;
    for (DWORD_PTR i = 0, count = Send(control, LB_GETCOUNT); i < count; ++i) {
      std::vector<wchar_t> item(1000, L'\0');
      Send(control, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item.data()));
      items.push_back(Narrow(item.data()));
    }
    return Check(items == std::vector<std::string>(words.begin() + 2, words.end()),
                 "list " + arg(1) + ": " + Joined(words, 2), Joined(items));
  }
  if (command == "count") {
    const std::vector<HWND> dialogs = Dialogs();
    const auto found = std::count_if(dialogs.begin(), dialogs.end(), [&](HWND d) { return CaptionOf(d) == arg(1); });
    return Check(std::to_string(found) == arg(2), arg(2) + " dialog(s) \"" + arg(1) + "\"", std::to_string(found));
  }
  if (command == "endsession") return Check(PostMessageW(current_, WM_ENDSESSION, TRUE, 0), command);
  if (command == "resume") return Check(SetEvent(gate_open_) != 0, command);
  if (command == "enabled" || command == "visible") {
    const bool state = command == "enabled" ? IsWindowEnabled(control) : IsWindowVisible(control);
    return Check(state == (arg(2) == "1"), command + " " + arg(1) + " = " + arg(2), state ? "1" : "0");
  }
  if (command == "focus") {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(current_, nullptr), &info);
    return Check(info.hwndFocus == control, "focus on " + arg(1), std::to_string(GetDlgCtrlID(info.hwndFocus)));
  }
  if (command == "default") {
    const DWORD_PTR result = Send(current_, DM_GETDEFID);
    const std::string id = HIWORD(result) == DC_HASDEFID ? std::to_string(LOWORD(result)) : "none";
    return Check(id == arg(1), "default button " + arg(1), id);
  }
  if (command == "above" || command == "top") {
    HWND second = ControlOf(current_, arg(2));
    RECT a{}, b{};
    GetWindowRect(control, &a);
    if (second == nullptr || !GetWindowRect(second, &b)) return Check(false, command + " " + arg(2), "no such control");
    return Check(command == "above" ? a.top < b.top : a.top == b.top, command + " " + arg(1) + " " + arg(2),
                 "tops " + std::to_string(a.top) + ", " + std::to_string(b.top));
  }
  if (command == "set") {
    const std::wstring text = Wide(arg(2));
    Send(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    return Check(true, "set " + arg(1) + " to \"" + Visible(arg(2)) + "\"");
  }
  if (command == "click") return Check(PostMessageW(control, BM_CLICK, 0, 0), command + " " + arg(1));
  if (command == "await") {
    const bool shown = WaitUntil([&] { return TextOf(control) == arg(2); });
    return Check(shown, "text of " + arg(1) + " becomes \"" + Visible(arg(2)) + "\"",
                 "\"" + Visible(TextOf(control)) + "\"");
  }
  if (command == "mouse") {
    SetForegroundWindow(current_);
    WaitUntil([this] { return GetForegroundWindow() == current_; }, kFrontLimitMs);
    ClickAtCentre(control);
    return Check(true, command + " " + arg(1));
  }
  if (command == "keys") {
    if (current_ != nullptr) {
      SetForegroundWindow(current_);
      WaitUntil([this] { return GetForegroundWindow() == current_; }, kFrontLimitMs);
    }
    for (size_t i = 1; i < words.size(); ++i) {
      TypeKeys(words[i]);
      Sleep(30);
    }
    return Check(true, "keys " + Joined(words, 1));
  }
  if (command == "press") {
    Send(control, BM_CLICK);
    return Check(true, command + " " + arg(1));
  }
  if (command == "scroll") {
    Send(control, WM_VSCROLL, arg(2) == "bottom" ? SB_BOTTOM : arg(2) == "top" ? SB_TOP : SB_PAGEDOWN);
    Send(control, WM_VSCROLL, SB_ENDSCROLL);
    return Check(true, "scrolled " + arg(1) + " " + arg(2));
  }
  if (command == "close" || command == "escape") {
    DWORD_PTR result = 0;
    const bool answered = SendMessageTimeoutW(current_, command == "close" ? WM_CLOSE : WM_COMMAND,
                                              command == "close" ? 0 : IDCANCEL, 0, SMTO_NORMAL,
                                              kMessageTimeoutMs, &result) != 0;
    return Check(answered, command, "no answer");
  }
  if (command == "exit") {
    DWORD code = 0;
    if (WaitForSingleObject(process_.hProcess, kWaitLimitMs) != WAIT_OBJECT_0) {
      return Check(false, "exit code " + arg(1), "the program still running");
    }
    GetExitCodeProcess(process_.hProcess, &code);
    return Check(std::to_string(code) == arg(1), "exit code " + arg(1), std::to_string(code));
  }
  if (command == "absent" || command == "present") {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(Wide(arg(1)).c_str(), &data);
    const bool found = find != INVALID_HANDLE_VALUE;
    if (found) FindClose(find);
    return Check(found == (command == "present"), command + " " + arg(1), found ? Narrow(data.cFileName) : "nothing");
  }
  if (command == "file") {
    std::ifstream in(Wide(arg(1)).c_str(), std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return Check(in && content.str() == Narrow(Wide(arg(2)), CP_ACP), "content of " + arg(1),
                 "\"" + Visible(content.str()) + "\"");
  }
  if (command == "clipboard") {
    std::string text = "<no clipboard>";
    if (OpenClipboard(nullptr)) {
      HANDLE data = GetClipboardData(CF_UNICODETEXT);
      const auto* chars = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr;
      text = chars ? Narrow(chars) : "<no text>";
      if (chars) GlobalUnlock(data);
      CloseClipboard();
    }
    return Check(text == arg(1), "clipboard \"" + Visible(arg(1)) + "\"", "\"" + Visible(text) + "\"");
  }
  if (command == "shotdir") {
    shot_folder_ = arg(1);
    return true;
  }
  if (command == "shot") {
    // The picture is of the current dialog: it is asked for once the dialog
    // is shown, in front and drawn (nothing left to paint in it or its
    // controls), and it must still be shown when the picture has been
    // taken, which must show more than an empty desktop.
    const std::string what = "screenshot " + arg(1);
    HWND dialog = current_;
    if (dialog == nullptr || !IsWindow(dialog) || !IsWindowVisible(dialog)) {
      return Check(false, what, "no dialog shown; showing " + Showing());
    }
    SetForegroundWindow(dialog);
    WaitUntil([dialog] { return GetForegroundWindow() == dialog; }, kFrontLimitMs);
    const bool drawn = WaitUntil([dialog] {
      Send(dialog, WM_NULL);
      return !NeedsPaint(dialog);
    });
    if (!drawn) return Check(false, what, "the dialog not drawn");
    // A file, not standard output: programs that the program under test
    // starts (the file manager) would keep a pipe open after the driver ends.
    const std::wstring request = Wide(shot_folder_ + "\\" + arg(1) + ".request");
    const std::wstring done = Wide(shot_folder_ + "\\" + arg(1) + ".done");
    DeleteFileW(done.c_str());  // one of an earlier run must not count
    HANDLE file = CreateFileW(request.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Check(false, what, "no request file");
    CloseHandle(file);
    if (!WaitUntil([&done] { return GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES; })) {
      return Check(false, what, "no picture taken");
    }
    // The test script writes the number of colours in the picture.
    std::ifstream answer(done.c_str());
    int colours = 0;
    answer >> colours;
    if (!IsWindow(dialog) || !IsWindowVisible(dialog)) return Check(false, what, "the dialog gone before the picture");
    return Check(colours > 2, what, std::to_string(colours) + " colour(s): an empty desktop");
  }
  if (command == "appears" || command == "close-class") {
    const std::wstring name = Wide(arg(1));
    if (command == "appears") {
      return Check(WaitUntil([&name] { return FindWindowExW(nullptr, nullptr, name.c_str(), nullptr) != nullptr; }),
                   "window of class " + arg(1), "none");
    }
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, name.c_str(), nullptr)) != nullptr;) {
      PostMessageW(w, WM_CLOSE, 0, 0);
    }
    return true;
  }
  return Check(false, "a known command", command);
}

int Driver::Run(const std::string& script_path) {
  std::ifstream script(script_path);
  if (!script) return Check(false, "read " + script_path, "no such file") ? 0 : 1;
  bool ok = true;
  for (std::string line; ok && std::getline(script, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> words = SplitWords(line);
    if (!words.empty()) ok = Execute(words);
  }
  SetEvent(gate_open_);
  if (gate_hook_ != nullptr) UnhookWindowsHookEx(gate_hook_);
  if (process_.hProcess != nullptr) {
    if (!ok) TerminateProcess(process_.hProcess, 99);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::printf("usage: gui_driver SCRIPT\n");
    return 2;
  }
  return Driver().Run(argv[1]);
}
