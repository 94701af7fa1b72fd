// POSIX side of platform/terminal.h. Every read waits in one loop
// (TerminalRead) that holds the job-control, resize and ending signals back
// except while ppoll waits, so a signal is either seen before the wait or
// ends it: none slips in between the check and the wait.
#include <dirent.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "base/text_encoding.h"
#include "platform/codepage.h"
#include "platform/interruption.h"
#include "platform/platform.h"
#include "platform/posix/line_editor.h"
#include "platform/posix/write_all.h"
#include "platform/terminal.h"

namespace mv::platform {
namespace {

// Signals a read from the terminal reacts to.
constexpr int kEndSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kHeldSignals[] = {SIGTSTP, SIGTTIN, SIGTTOU, SIGCONT, SIGWINCH, SIGINT, SIGTERM, SIGHUP};
constexpr int kHeldCount = sizeof kHeldSignals / sizeof kHeldSignals[0];
constexpr size_t kEndCount = sizeof kEndSignals / sizeof kEndSignals[0];

volatile sig_atomic_t g_stop = 0;       // a stop signal arrived: stop once the terminal is restored
volatile sig_atomic_t g_continued = 0;  // SIGCONT: take the read's settings again
volatile sig_atomic_t g_resized = 0;    // SIGWINCH
volatile sig_atomic_t g_end = 0;        // an ending signal no one else handles

void NoteSignal(int number) {
  if (number == SIGCONT) {
    g_continued = 1;
  } else if (number == SIGWINCH) {
    g_resized = 1;
  } else if (number == SIGTSTP || number == SIGTTIN || number == SIGTTOU) {
    g_stop = number;
  } else if (g_end == 0) {
    g_end = number;
  }
}

bool Contains(const int* list, size_t count, int number) {
  return std::find(list, list + count, number) != list + count;
}

void WriteOut(const std::string& text) { WriteStdout(text.c_str()); }

// The terminal's settings for one read.
enum class ReadMode {
  kSecret,  // lines as typed, without echo
  kKeys,    // every key at once, without echo (Ctrl-C and Ctrl-Z still act)
  kAsIs,    // the user's own settings
};

// What the next step of a read brought.
enum class ReadEvent { kByte, kResumed, kResized, kEnd };

// The terminal of standard input in the settings of one read, and the
// signals while it is: a stop gives the user's settings back and stops the
// process by the signal's default action; continuing takes the read's
// settings again (the caller shows its prompt anew). An ending signal that
// nobody else handles ends the process once the settings are back.
class TerminalRead {
 public:
  explicit TerminalRead(ReadMode mode) {
    have_settings_ = tcgetattr(STDIN_FILENO, &saved_) == 0;
    settings_ = saved_;
    if (mode != ReadMode::kAsIs) settings_.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    if (mode == ReadMode::kSecret) settings_.c_lflag |= ECHONL;
    if (mode == ReadMode::kKeys) {
      settings_.c_lflag &= ~static_cast<tcflag_t>(ICANON);
      settings_.c_cc[VMIN] = 1;
      settings_.c_cc[VTIME] = 0;
    }
    flush_ = mode == ReadMode::kSecret;
    sigset_t held;
    sigemptyset(&held);
    for (int i = 0; i < kHeldCount; ++i) {
      const int number = kHeldSignals[i];
      sigaddset(&held, number);
      struct sigaction noted {};
      noted.sa_handler = &NoteSignal;
      sigemptyset(&noted.sa_mask);
      installed_[i] = false;
      if (sigaction(number, nullptr, &previous_[i]) != 0) continue;
      // An ignored signal stays ignored; an ending signal that has a
      // handler (an InterruptionScope) is that handler's.
      if (previous_[i].sa_handler == SIG_IGN) continue;
      if (Contains(kEndSignals, kEndCount, number) && previous_[i].sa_handler != SIG_DFL) continue;
      installed_[i] = sigaction(number, &noted, nullptr) == 0;
    }
    g_stop = 0;
    g_continued = 0;
    g_resized = 0;
    g_end = 0;
    pthread_sigmask(SIG_BLOCK, &held, &mask_);
    Apply(flush_);
  }

  ~TerminalRead() {
    if (Foreground() && have_settings_) tcsetattr(STDIN_FILENO, flush_ ? TCSAFLUSH : TCSANOW, &saved_);
    for (int i = 0; i < kHeldCount; ++i) {
      if (installed_[i]) sigaction(kHeldSignals[i], &previous_[i], nullptr);
    }
    // Held back and now default: an ending signal ends the process as the
    // mask is restored.
    if (g_end != 0) raise(g_end);
    pthread_sigmask(SIG_SETMASK, &mask_, nullptr);
  }

  TerminalRead(const TerminalRead&) = delete;
  TerminalRead& operator=(const TerminalRead&) = delete;

  ReadEvent Next(unsigned char* byte) {
    for (;;) {
      if (g_end != 0 || InterruptionRequested()) return ReadEvent::kEnd;
      if (g_stop != 0) {
        const int number = g_stop;
        g_stop = 0;
        Stop(number);
        return ReadEvent::kResumed;
      }
      if (g_continued != 0) {
        // Continued after a stop the program did not see (SIGSTOP).
        g_continued = 0;
        Apply(true);
        return ReadEvent::kResumed;
      }
      if (g_resized != 0) {
        g_resized = 0;
        return ReadEvent::kResized;
      }
      if (!Foreground()) {
        // A read from the background stops the process until it is brought
        // to the foreground.
        Stop(SIGTTIN);
        return ReadEvent::kResumed;
      }
      pollfd wait{STDIN_FILENO, POLLIN, 0};
      if (ppoll(&wait, 1, nullptr, &mask_) < 0) {
        if (errno == EINTR) continue;
        return ReadEvent::kEnd;
      }
      const ssize_t n = read(STDIN_FILENO, byte, 1);
      if (n == 1) return ReadEvent::kByte;
      if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      return ReadEvent::kEnd;
    }
  }

 private:
  static bool Foreground() { return tcgetpgrp(STDIN_FILENO) == getpgrp(); }

  // The read's settings, only from the foreground: with SIGTTOU held back a
  // background process would change the shell's terminal.
  void Apply(bool flush) {
    if (have_settings_ && Foreground()) tcsetattr(STDIN_FILENO, flush ? TCSAFLUSH : TCSANOW, &settings_);
  }

  void Stop(int number) {
    if (have_settings_ && Foreground()) tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
    struct sigaction stop {};
    stop.sa_handler = SIG_DFL;
    sigemptyset(&stop.sa_mask);
    struct sigaction ours {};
    sigaction(number, &stop, &ours);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, number);
    raise(number);
    // Stops here until continued.
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    pthread_sigmask(SIG_BLOCK, &only, nullptr);
    sigaction(number, &ours, nullptr);
    // The SIGCONT that continued the process was held back: this stop's own.
    sigset_t cont;
    sigemptyset(&cont);
    sigaddset(&cont, SIGCONT);
    const timespec now{0, 0};
    sigtimedwait(&cont, nullptr, &now);
    g_continued = 0;
    Apply(true);
  }

  termios saved_{};
  termios settings_{};
  bool have_settings_ = false;
  bool flush_ = false;
  sigset_t mask_{};
  struct sigaction previous_[kHeldCount] {};
  bool installed_[kHeldCount] = {};
};

int Columns() {
  int rows = 0;
  int columns = 0;
  return GetTerminalSize(&rows, &columns) ? columns : 80;
}

int Rows() {
  int rows = 0;
  int columns = 0;
  return GetTerminalSize(&rows, &columns) ? rows : 24;
}

std::string Csi(size_t count, char command) { return "\x1B[" + std::to_string(count) + command; }

// The prompt and the line as they stand on the screen, over as many rows as
// they need. Every character takes one column.
class LineView {
 public:
  explicit LineView(const char* prompt) : prompt_(prompt) {}

  void Draw(const LineEditor& editor) {
    const size_t columns = static_cast<size_t>(Columns());
    std::string out;
    if (cursor_row_ > 0) out += Csi(cursor_row_, 'A');
    out += "\r\x1B[J" + prompt_ + editor.line();
    const size_t end = prompt_.size() + editor.line().size();
    // A line that fills its last row exactly leaves the cursor waiting at
    // the right margin; a line feed puts it on the next row for certain.
    if (end > 0 && end % columns == 0) out += "\r\n";
    const size_t position = prompt_.size() + editor.cursor();
    const size_t end_row = end / columns;
    const size_t row = position / columns;
    if (end_row > row) out += Csi(end_row - row, 'A');
    out += "\r";
    if (position % columns > 0) out += Csi(position % columns, 'C');
    cursor_row_ = row;
    WriteOut(out);
  }

  // The cursor to the line after the text.
  void Leave(const LineEditor& editor) {
    const size_t columns = static_cast<size_t>(Columns());
    const size_t end_row = (prompt_.size() + editor.line().size()) / columns;
    std::string out;
    if (end_row > cursor_row_) out += Csi(end_row - cursor_row_, 'B');
    WriteOut(out + "\r\n");
    cursor_row_ = 0;
  }

  // The next Draw starts on the row the cursor is on (after a stop, or
  // after a list was shown below the line).
  void StartAfresh() { cursor_row_ = 0; }

 private:
  std::string prompt_;
  size_t cursor_row_ = 0;
};

// The most names Tab looks at in one folder, and shows at once.
constexpr size_t kMostCandidates = 10000;
constexpr size_t kMostShown = 100;

struct Candidate {
  std::string name;  // program code page
  bool folder;
};

// The entries of folder (program code page, "" for the current one) whose
// names begin with stem. Names that cannot be typed (no Windows-1252 form,
// control characters) are left out, and so are hidden ones unless the stem
// asks for them.
std::vector<Candidate> FindCandidates(const std::string& folder, const std::string& stem) {
  std::vector<Candidate> found;
  String system_folder;
  if (!ToSystemText(folder.empty() ? "." : folder.c_str(), &system_folder)) return found;
  DIR* listing = opendir(system_folder.c_str());
  if (listing == nullptr) return found;
  size_t looked_at = 0;
  while (const dirent* item = readdir(listing)) {
    if (++looked_at > kMostCandidates) break;
    String name;
    if (!FromSystemText(item->d_name, &name) || HasControlCharacter(name)) continue;
    const std::string text = name.c_str();
    if (text == "." || text == ".." || text.compare(0, stem.size(), stem) != 0) continue;
    if (text[0] == '.' && (stem.empty() || stem[0] != '.')) continue;
    struct stat st;
    const bool folder_kind = item->d_type == DT_DIR || ((item->d_type == DT_LNK || item->d_type == DT_UNKNOWN) &&
                                                        fstatat(dirfd(listing), item->d_name, &st, 0) == 0 &&
                                                        S_ISDIR(st.st_mode));
    found.push_back({text, folder_kind});
  }
  closedir(listing);
  std::sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) { return a.name < b.name; });
  return found;
}

// The folder part of the text before the cursor, with a leading "~" as the
// home folder, for the lookup only (the line keeps what was typed).
std::string LookupFolder(const std::string& typed_folder) {
  if (typed_folder.compare(0, 2, "~/") != 0) return typed_folder;
  const char* home = std::getenv("HOME");
  String program_home;
  if (home == nullptr || !FromSystemText(home, &program_home)) return typed_folder;
  return std::string(program_home.c_str()) + typed_folder.substr(1);
}

// Lists the candidates below the line, in columns, the first screenful.
void ShowCandidates(const std::vector<Candidate>& candidates) {
  size_t widest = 0;
  for (const Candidate& c : candidates) widest = std::max(widest, c.name.size() + (c.folder ? 1 : 0));
  const size_t columns = static_cast<size_t>(Columns());
  const size_t per_row = std::max<size_t>(1, (columns - 1) / (widest + 2));
  const size_t most_rows = static_cast<size_t>(std::max(1, Rows() - 3));
  const size_t shown = std::min({candidates.size(), kMostShown, per_row * most_rows});
  std::string out;
  for (size_t i = 0; i < shown; ++i) {
    std::string cell = candidates[i].name + (candidates[i].folder ? "/" : "");
    const bool row_end = (i + 1) % per_row == 0 || i + 1 == shown;
    if (!row_end) cell.resize(widest + 2, ' ');
    out += cell + (row_end ? "\r\n" : "");
  }
  if (shown < candidates.size()) out += "... (" + std::to_string(candidates.size() - shown) + ")\r\n";
  WriteOut(out);
}

// Tab: completes the path before the cursor as far as the names in its
// folder agree, or lists them when they agree no further.
void Complete(LineEditor* editor, LineView* view) {
  const std::string before = editor->line().substr(0, editor->cursor());
  if (before == "~") {
    editor->Insert("/");
    view->Draw(*editor);
    return;
  }
  const size_t slash = before.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : before.substr(0, slash + 1);
  const std::string stem = before.substr(folder.size());
  const std::vector<Candidate> candidates = FindCandidates(LookupFolder(folder), stem);
  if (candidates.empty()) {
    WriteOut("\a");
    return;
  }
  std::vector<std::string> names;
  for (const Candidate& c : candidates) names.push_back(c.name);
  std::string addition = CommonBeginning(names).substr(stem.size());
  if (candidates.size() == 1 && candidates[0].folder) addition += "/";
  if (!addition.empty()) {
    if (!editor->Insert(addition)) WriteOut("\a");
    view->Draw(*editor);
    return;
  }
  if (candidates.size() == 1) return;
  view->Leave(*editor);
  ShowCandidates(candidates);
  view->Draw(*editor);
}

bool CanMoveCursor() {
  const char* term = std::getenv("TERM");
  return isatty(STDOUT_FILENO) && term != nullptr && *term != '\0' && std::strcmp(term, "dumb") != 0;
}

// A line as the terminal's own line discipline reads it in mode, the
// prompt shown with write (again after a stop, with what was typed before
// it gone with the terminal's queue); at most max_length bytes are kept,
// without the line's end, as the terminal sent them. Secrets pass only
// through a String, whose buffer is wiped.
LineStatus ReadRawLine(ReadMode mode, void (*write)(const char*), const char* prompt, String* raw_out,
                       size_t max_length) {
  String raw;
  char* buffer = raw.GetBuffer(static_cast<int32_t>(max_length));
  if (buffer == nullptr) return LineStatus::kEnd;
  size_t used = 0;
  bool ended = false;
  {
    TerminalRead read(mode);
    write(prompt);
    unsigned char c = 0;
    for (;;) {
      const ReadEvent event = read.Next(&c);
      if (event == ReadEvent::kResumed) {
        used = 0;
        write(prompt);
        continue;
      }
      if (event == ReadEvent::kResized) continue;
      if (event == ReadEvent::kEnd) {
        write("\n");
        ended = used == 0 || InterruptionRequested();
        break;
      }
      if (c == '\n') break;
      if (used < max_length) buffer[used++] = static_cast<char>(c);
    }
  }
  if (used > 0 && buffer[used - 1] == '\r') --used;
  buffer[used] = '\0';
  raw.ReleaseBuffer();
  if (ended) return LineStatus::kEnd;
  *raw_out = std::move(raw);
  return LineStatus::kLine;
}

}  // namespace

bool IsTerminal(StandardStream stream) {
  const int fd = stream == StandardStream::kInput    ? STDIN_FILENO
                 : stream == StandardStream::kOutput ? STDOUT_FILENO
                                                     : STDERR_FILENO;
  return isatty(fd) == 1;
}

bool ConsoleIsOwn() { return false; }

LineStatus ReadSecretLine(const char* prompt, Password* out, size_t max_length) {
  if (!isatty(STDIN_FILENO)) return LineStatus::kEnd;
  String raw;
  const LineStatus status = ReadRawLine(ReadMode::kSecret, &WriteStderr, prompt, &raw, max_length);
  if (status != LineStatus::kLine) return status;
  if (!IsValidUtf8(raw.c_str() == nullptr ? "" : raw.c_str(), static_cast<size_t>(raw.GetLength()))) {
    return LineStatus::kNotText;
  }
  *out = Password(std::move(raw));
  return LineStatus::kLine;
}

LineStatus EditLine(const char* prompt, String* line, size_t max_length) {
  if (!isatty(STDIN_FILENO)) return LineStatus::kEnd;
  if (!CanMoveCursor()) {
    String raw;
    const LineStatus status = ReadRawLine(ReadMode::kAsIs, &WriteStdout, prompt, &raw, max_length);
    if (status != LineStatus::kLine) return status;
    return FromSystemText(raw.c_str(), line) ? LineStatus::kLine : LineStatus::kNoCodePageForm;
  }
  TerminalRead read(ReadMode::kKeys);
  LineEditor editor(max_length);
  LineView view(prompt);
  view.Draw(editor);
  unsigned char c = 0;
  for (;;) {
    const ReadEvent event = read.Next(&c);
    if (event == ReadEvent::kEnd) {
      view.Leave(editor);
      return LineStatus::kEnd;
    }
    if (event == ReadEvent::kResumed || event == ReadEvent::kResized) {
      if (event == ReadEvent::kResumed) view.StartAfresh();
      view.Draw(editor);
      continue;
    }
    switch (editor.Feed(c)) {
      case LineEditor::Step::kNone:
        break;
      case LineEditor::Step::kChanged:
        view.Draw(editor);
        break;
      case LineEditor::Step::kRefused:
        WriteOut("\a");
        break;
      case LineEditor::Step::kComplete:
        Complete(&editor, &view);
        break;
      case LineEditor::Step::kEnd:
        view.Leave(editor);
        return LineStatus::kEnd;
      case LineEditor::Step::kAccept:
        view.Leave(editor);
        *line = editor.line().c_str();
        return LineStatus::kLine;
    }
  }
}

bool GetTerminalSize(int* rows, int* columns) {
  winsize size{};
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_row == 0 || size.ws_col == 0) return false;
  *rows = size.ws_row;
  *columns = size.ws_col;
  return true;
}

int ReadKey(const char* prompt) {
  if (!isatty(STDIN_FILENO)) return -1;
  TerminalRead read(ReadMode::kKeys);
  WriteStdout(prompt);
  unsigned char key = 0;
  for (;;) {
    const ReadEvent event = read.Next(&key);
    if (event == ReadEvent::kByte) return key;
    if (event == ReadEvent::kEnd) return -1;
    if (event == ReadEvent::kResumed) WriteStdout(prompt);
  }
}

void WriteStderrSystemText(const char* text) {
  if (text != nullptr) posix::WriteAll(STDERR_FILENO, text, std::strlen(text));
}

}  // namespace mv::platform
