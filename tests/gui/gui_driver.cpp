// Drives the self-extractor's dialogs for the GUI tests: starts the program,
// finds its dialogs by class (#32770) and caption, reads and sets control
// texts, presses buttons and checks what the program leaves on the disk.
//
// Usage: gui_driver SCRIPT. The script (UTF-8) holds one command per line;
// '#' starts a comment; words are separated by blanks, and a word in double
// quotes may hold blanks. {CR}, {LF} and {Q} stand for carriage return, line
// feed and a double quote; backslashes are ordinary characters (Windows
// paths). Control ids may be given as "1148|1152": the first one the window
// has is used.
//
//   env NAME VALUE          set an environment variable for the program
//   start PROGRAM [ARG...]  start the program (its folder as current folder)
//   window CAPTION [ID]     wait for a dialog of the program with this caption
//                           (and a control ID); it becomes the current one
//   message CAPTION TEXT    wait for a dialog with this caption that shows
//                           TEXT in one of its controls (a message box)
//   front CAPTION TEXT      the same, and that dialog must be (and stay) the
//                           foreground window without the driver's help
//   gone                    wait until the current dialog has been destroyed
//   none CAPTION [ID]       no such dialog is open now
//   text ID EXPECTED        the control's text is EXPECTED
//   text-in ID TEXT...      the control's text is one of the TEXTs
//   list ID ITEM...         the list box holds exactly these items
//   count CAPTION N         exactly N dialogs with this caption are open
//   enabled ID 0|1          the control is disabled / enabled
//   focus ID                the control has the keyboard focus
//   default ID              the control is the dialog's default button
//   visible ID 0|1          the control is hidden / visible
//   above ID1 ID2           control ID1 starts above control ID2
//   top ID1 ID2             control ID1 starts at the top of control ID2
//   set ID TEXT             put TEXT into the control (WM_SETTEXT)
//   click ID                press the button and go on at once
//   press ID                press the button and wait until it is handled
//   scroll ID pagedown|bottom|top
//                           scroll the control as its scroll bar would
//   close                   close the current dialog with its close box and
//                           wait until the dialog has handled that
//   escape                  the same with the Escape key (IDCANCEL)
//   endsession              tell the current dialog that the session ends
//                           (WM_ENDSESSION, posted) and go on at once
//   suspend / resume        hold / release the program's main thread (the
//                           one that decrypts while the progress window runs)
//   exit CODE               wait for the program to end with this exit code
//   absent PATTERN          no file or folder matches PATTERN
//   present PATTERN         some file or folder matches PATTERN
//   exists PATH             the file or folder exists
//   file PATH CONTENT       the file holds exactly CONTENT in the ANSI code page
//   clipboard TEXT          the clipboard holds TEXT
//   shotdir FOLDER          where screenshots are asked for
//   shot NAME               ask the test script for a screenshot: writes
//                           FOLDER\NAME.request and waits until the script
//                           has renamed it to NAME.done
//   appears CLASS           wait for a window of that class (any process)
//   close-class CLASS       close every window of that class (any process)
//
// Every check prints "ok: ..." or "FAIL: ..."; the first failure ends the
// program under test and the driver with exit code 1. Waits give up after
// a minute, so a missing dialog ends the test instead of hanging it.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr DWORD kWaitLimitMs = 60000;
constexpr DWORD kPollMs = 10;
constexpr UINT kMessageTimeoutMs = 10000;
constexpr DWORD kFrontLimitMs = 1000;
constexpr DWORD kFrontSettleMs = 150;

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string Utf8(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

// Shows control characters so that a failing comparison can be read.
std::string Visible(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else out += c;
  }
  return out;
}

void ReplaceAll(std::string* text, const std::string& from, const std::string& to) {
  for (size_t at = text->find(from); at != std::string::npos; at = text->find(from, at + to.size())) {
    text->replace(at, from.size(), to);
  }
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

class Driver {
 public:
  int Run(const std::string& script_path);

 private:
  bool Execute(const std::vector<std::string>& words);
  bool Fail(const std::string& what) {
    std::printf("FAIL: %s\n", what.c_str());
    std::fflush(stdout);
    return false;
  }
  bool Pass(const std::string& what) {
    std::printf("ok: %s\n", what.c_str());
    std::fflush(stdout);
    return true;
  }

  // Dialogs of the program: visible top-level windows of class #32770.
  std::vector<HWND> Dialogs() const;
  HWND FindDialog(const std::string& caption, const std::string& ids, const std::string& shows) const;
  HWND Control(const std::string& ids) const;
  HWND ControlOf(HWND dialog, const std::string& ids) const;
  std::string TextOf(HWND window) const;
  bool StaysInFront(HWND window) const;
  bool WaitFor(HWND* found, const std::string& caption, const std::string& ids, const std::string& shows);

  PROCESS_INFORMATION process_{};
  HWND current_ = nullptr;
  std::string shot_folder_;
};

std::vector<HWND> Driver::Dialogs() const {
  struct Search {
    DWORD process;
    std::vector<HWND> found;
  } search{process_.dwProcessId, {}};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        if (owner == s->process && IsWindowVisible(window) && std::wstring(name) == L"#32770") {
          s->found.push_back(window);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string Driver::TextOf(HWND window) const {
  std::vector<wchar_t> buffer(70000, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                           SMTO_ABORTIFHUNG, kMessageTimeoutMs, &copied)) {
    return "<no answer>";
  }
  return Utf8(std::wstring(buffer.data()));
}

HWND Driver::ControlOf(HWND dialog, const std::string& ids) const {
  std::stringstream list(ids);
  std::string id;
  while (std::getline(list, id, '|')) {
    HWND control = GetDlgItem(dialog, std::atoi(id.c_str()));
    if (control != nullptr) return control;
  }
  return nullptr;
}

HWND Driver::Control(const std::string& ids) const { return current_ ? ControlOf(current_, ids) : nullptr; }

HWND Driver::FindDialog(const std::string& caption, const std::string& ids, const std::string& shows) const {
  for (HWND dialog : Dialogs()) {
    if (TextOf(dialog) != caption) continue;
    if (!ids.empty() && ControlOf(dialog, ids) == nullptr) continue;
    if (!shows.empty()) {
      bool showing = false;
      for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr && !showing;
           child = GetWindow(child, GW_HWNDNEXT)) {
        showing = TextOf(child) == shows;
      }
      if (!showing) continue;
    }
    return dialog;
  }
  return nullptr;
}

// The window becomes the foreground window within a second of appearing
// and is still it a little later (activation that comes late would take
// the front away again).
bool Driver::StaysInFront(HWND window) const {
  const DWORD start = GetTickCount();
  while (GetForegroundWindow() != window && GetTickCount() - start < kFrontLimitMs) Sleep(kPollMs);
  Sleep(kFrontSettleMs);
  return GetForegroundWindow() == window;
}

bool Driver::WaitFor(HWND* found, const std::string& caption, const std::string& ids, const std::string& shows) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < kWaitLimitMs) {
    *found = FindDialog(caption, ids, shows);
    if (*found != nullptr) return true;
    Sleep(kPollMs);
  }
  return false;
}

bool Driver::Execute(const std::vector<std::string>& words) {
  const std::string& command = words[0];
  auto arg = [&words](size_t i) { return i < words.size() ? words[i] : std::string(); };

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
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process_)) {
      return Fail("start " + arg(1));
    }
    return Pass("started " + arg(1));
  }
  if (command == "window" || command == "message" || command == "front") {
    const bool message = command != "window";
    HWND found = nullptr;
    if (!WaitFor(&found, arg(1), message ? "" : arg(2), message ? arg(2) : "")) {
      return Fail(command + " \"" + arg(1) + "\" " + Visible(arg(2)) + " did not appear");
    }
    current_ = found;
    if (command == "front") {
      if (!StaysInFront(found)) return Fail(command + " \"" + arg(1) + "\" " + Visible(arg(2)) + " is not in front");
    } else {
      SetForegroundWindow(found);
    }
    return Pass(command + " \"" + arg(1) + "\" " + Visible(arg(2)));
  }
  if (command == "gone") {
    const DWORD start = GetTickCount();
    while (IsWindow(current_) && GetTickCount() - start < kWaitLimitMs) Sleep(kPollMs);
    return IsWindow(current_) ? Fail("dialog still open") : Pass("dialog gone");
  }
  if (command == "none") {
    return FindDialog(arg(1), arg(2), "") == nullptr ? Pass("no dialog \"" + arg(1) + "\" " + arg(2))
                                                     : Fail("unexpected dialog \"" + arg(1) + "\" " + arg(2));
  }
  if (command == "text" || command == "text-in") {
    HWND control = Control(arg(1));
    if (control == nullptr) return Fail("no control " + arg(1));
    const std::string text = TextOf(control);
    for (size_t i = 2; i < words.size(); ++i) {
      if (text == words[i]) return Pass("text of " + arg(1) + " is \"" + Visible(text) + "\"");
    }
    return Fail("text of " + arg(1) + " is \"" + Visible(text) + "\", expected \"" + Visible(arg(2)) + "\"");
  }
  if (command == "list") {
    HWND control = Control(arg(1));
    if (control == nullptr) return Fail("no control " + arg(1));
    DWORD_PTR count = 0;
    SendMessageTimeoutW(control, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &count);
    std::string items;
    bool same = count == words.size() - 2;
    for (DWORD_PTR i = 0; i < count; ++i) {
      std::vector<wchar_t> item(1000, L'\0');
      DWORD_PTR length = 0;
      SendMessageTimeoutW(control, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item.data()), SMTO_ABORTIFHUNG,
                          kMessageTimeoutMs, &length);
      const std::string text = Utf8(item.data());
      items += (i ? ", " : "") + text;
      same = same && text == words[2 + i];
    }
    return same ? Pass("list " + arg(1) + ": " + items) : Fail("list " + arg(1) + " holds " + items);
  }
  if (command == "count") {
    int found = 0;
    for (HWND dialog : Dialogs()) found += TextOf(dialog) == arg(1) ? 1 : 0;
    return std::to_string(found) == arg(2) ? Pass(arg(2) + " dialog(s) \"" + arg(1) + "\"")
                                           : Fail(std::to_string(found) + " dialog(s) \"" + arg(1) + "\"");
  }
  if (command == "endsession") {
    // Posted: the program may hold the message until it has cleaned up.
    return PostMessageW(current_, WM_ENDSESSION, TRUE, 0) ? Pass(command) : Fail("cannot post WM_ENDSESSION");
  }
  if (command == "suspend" || command == "resume") {
    if (command == "suspend") SuspendThread(process_.hThread);
    else ResumeThread(process_.hThread);
    return Pass(command);
  }
  if (command == "enabled" || command == "visible") {
    HWND control = Control(arg(1));
    if (control == nullptr) return Fail("no control " + arg(1));
    const bool state = command == "enabled" ? IsWindowEnabled(control) != FALSE : IsWindowVisible(control) != FALSE;
    const bool wanted = arg(2) == "1";
    return state == wanted ? Pass(command + " " + arg(1) + " = " + arg(2))
                           : Fail(command + " " + arg(1) + " is " + (state ? "1" : "0"));
  }
  if (command == "focus") {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const DWORD thread = GetWindowThreadProcessId(current_, nullptr);
    HWND control = Control(arg(1));
    if (control == nullptr) return Fail("no control " + arg(1));
    if (!GetGUIThreadInfo(thread, &info)) return Fail("no focus information");
    return info.hwndFocus == control ? Pass("focus on " + arg(1))
                                     : Fail("focus on " + std::to_string(GetDlgCtrlID(info.hwndFocus)));
  }
  if (command == "default") {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(current_, DM_GETDEFID, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &result);
    const bool has = HIWORD(result) == DC_HASDEFID;
    return has && std::to_string(LOWORD(result)) == arg(1)
               ? Pass("default button " + arg(1))
               : Fail("default button " + (has ? std::to_string(LOWORD(result)) : std::string("none")));
  }
  if (command == "above" || command == "top") {
    HWND first = Control(arg(1));
    HWND second = Control(arg(2));
    if (first == nullptr || second == nullptr) return Fail("no control " + arg(1) + " or " + arg(2));
    RECT a, b;
    GetWindowRect(first, &a);
    GetWindowRect(second, &b);
    const bool holds = command == "above" ? a.top < b.top : a.top == b.top;
    return holds ? Pass(command + " " + arg(1) + " " + arg(2))
                 : Fail(command + " " + arg(1) + " " + arg(2) + ": tops " + std::to_string(a.top) + ", " +
                        std::to_string(b.top));
  }
  if (command == "set") {
    HWND control = Control(arg(1));
    if (control == nullptr) return Fail("no control " + arg(1));
    std::wstring text = Wide(arg(2));
    DWORD_PTR result = 0;
    SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                        kMessageTimeoutMs, &result);
    return Pass("set " + arg(1) + " to \"" + Visible(arg(2)) + "\"");
  }
  if (command == "click" || command == "press") {
    HWND control = Control(arg(1));
    if (control == nullptr) return Fail("no control " + arg(1));
    if (command == "click") {
      PostMessageW(control, BM_CLICK, 0, 0);
    } else {
      DWORD_PTR result = 0;
      SendMessageTimeoutW(control, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &result);
    }
    return Pass(command + " " + arg(1));
  }
  if (command == "scroll") {
    HWND control = Control(arg(1));
    if (control == nullptr) return Fail("no control " + arg(1));
    const WPARAM how = arg(2) == "bottom" ? SB_BOTTOM : arg(2) == "top" ? SB_TOP : SB_PAGEDOWN;
    DWORD_PTR result = 0;
    SendMessageTimeoutW(control, WM_VSCROLL, how, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &result);
    SendMessageTimeoutW(control, WM_VSCROLL, SB_ENDSCROLL, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &result);
    return Pass("scrolled " + arg(1) + " " + arg(2));
  }
  if (command == "close" || command == "escape") {
    DWORD_PTR result = 0;
    if (command == "close") {
      SendMessageTimeoutW(current_, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &result);
    } else {
      SendMessageTimeoutW(current_, WM_COMMAND, IDCANCEL, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &result);
    }
    return Pass(command);
  }
  if (command == "exit") {
    if (WaitForSingleObject(process_.hProcess, kWaitLimitMs) != WAIT_OBJECT_0) return Fail("program still running");
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return std::to_string(code) == arg(1) ? Pass("exit code " + arg(1))
                                          : Fail("exit code " + std::to_string(code) + ", expected " + arg(1));
  }
  if (command == "absent" || command == "present") {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(Wide(arg(1)).c_str(), &data);
    const bool found = find != INVALID_HANDLE_VALUE;
    if (found) FindClose(find);
    const std::string what = found ? arg(1) + " matches " + Utf8(data.cFileName) : "nothing matches " + arg(1);
    return found == (command == "present") ? Pass(what) : Fail(what);
  }
  if (command == "exists") {
    return GetFileAttributesW(Wide(arg(1)).c_str()) != INVALID_FILE_ATTRIBUTES ? Pass("exists " + arg(1))
                                                                              : Fail("missing " + arg(1));
  }
  if (command == "file") {
    std::ifstream in(Wide(arg(1)).c_str(), std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    const std::wstring wanted_wide = Wide(arg(2));
    std::string wanted(wanted_wide.size() * 2 + 1, '\0');
    const int n = WideCharToMultiByte(CP_ACP, 0, wanted_wide.data(), static_cast<int>(wanted_wide.size()),
                                      wanted.data(), static_cast<int>(wanted.size()), nullptr, nullptr);
    wanted.resize(static_cast<size_t>(n > 0 ? n : 0));
    return in && content.str() == wanted ? Pass("content of " + arg(1))
                                         : Fail("content of " + arg(1) + " is \"" + Visible(content.str()) + "\"");
  }
  if (command == "clipboard") {
    std::string text = "<no clipboard>";
    if (OpenClipboard(nullptr)) {
      HANDLE data = GetClipboardData(CF_UNICODETEXT);
      const auto* chars = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr;
      text = chars ? Utf8(chars) : "<no text>";
      if (chars) GlobalUnlock(data);
      CloseClipboard();
    }
    return text == arg(1) ? Pass("clipboard \"" + Visible(text) + "\"")
                          : Fail("clipboard holds \"" + Visible(text) + "\"");
  }
  if (command == "shotdir") {
    shot_folder_ = arg(1);
    return true;
  }
  if (command == "shot") {
    // Let the dialog finish drawing before the picture is taken.
    DWORD_PTR result = 0;
    if (current_) SendMessageTimeoutW(current_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &result);
    Sleep(400);
    // A file, not standard output: programs that the program under test
    // starts (the file manager) would keep a pipe open after the driver ends.
    const std::wstring request = Wide(shot_folder_ + "\\" + arg(1) + ".request");
    const std::wstring done = Wide(shot_folder_ + "\\" + arg(1) + ".done");
    HANDLE file = CreateFileW(request.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Fail("cannot ask for screenshot " + arg(1));
    CloseHandle(file);
    const DWORD start = GetTickCount();
    while (GetFileAttributesW(done.c_str()) == INVALID_FILE_ATTRIBUTES && GetTickCount() - start < kWaitLimitMs) {
      Sleep(kPollMs);
    }
    return Pass("screenshot " + arg(1));
  }
  if (command == "appears") {
    const std::wstring name = Wide(arg(1));
    const DWORD start = GetTickCount();
    while (FindWindowExW(nullptr, nullptr, name.c_str(), nullptr) == nullptr && GetTickCount() - start < kWaitLimitMs) {
      Sleep(kPollMs);
    }
    return FindWindowExW(nullptr, nullptr, name.c_str(), nullptr) != nullptr ? Pass("window of class " + arg(1))
                                                                            : Fail("no window of class " + arg(1));
  }
  if (command == "close-class") {
    std::wstring name = Wide(arg(1));
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, name.c_str(), nullptr)) != nullptr) {
      PostMessageW(window, WM_CLOSE, 0, 0);
    }
    return true;
  }
  return Fail("unknown command " + command);
}

int Driver::Run(const std::string& script_path) {
  std::ifstream script(script_path);
  if (!script) {
    std::printf("FAIL: cannot read %s\n", script_path.c_str());
    return 1;
  }
  std::string line;
  bool ok = true;
  while (ok && std::getline(script, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> words = SplitWords(line);
    if (!words.empty()) ok = Execute(words);
  }
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
  Driver driver;
  return driver.Run(argv[1]);
}
