#include "app/terminal_flow.h"

#include <chrono>
#include <cstdio>
#include <string>

#include "app/decrypt_attempt.h"
#include "app/payload.h"
#include "base/progress_tracker.h"
#include "fs/disk_query.h"
#include "fs/folder_walk.h"
#include "fs/path.h"
#include "fs/system_helpers.h"
#include "platform/interruption.h"
#include "platform/platform.h"
#include "platform/terminal.h"
#include "stream/file_stream.h"

namespace mv {
namespace {

// Strings of the string table.
constexpr uint32_t kTextSaveFailedString = 14;
constexpr uint32_t kTextSavedString = 17;

// Texts of the terminal that the string table has no entry for, in the
// program's code page: English, German.
struct Text {
  const char* english;
  const char* german;
};
constexpr Text kNoLayoutText = {
    "This file is a self decrypting file. It contains encrypted and compressed data.",
    "Diese Datei ist eine selbstentschl\xFCsselnde Datei. Sie enth\xE4lt verschl\xFCsselte und komprimierte Daten."};
constexpr Text kMoreText = {"-- more (Enter or space) --", "-- weiter (Eingabe oder Leertaste) --"};
constexpr Text kAcceptText = {"Do you accept these terms?", "Akzeptieren Sie diese Bedingungen?"};
constexpr Text kYesNoText = {" [y/N] ", " [j/N] "};
constexpr Text kPasswordText = {"Password: ", "Passwort: "};
constexpr Text kFilesText = {"The self decrypting package contains these files:",
                             "Im selbstentschl\xFCsselnden Paket enthaltene Dateien:"};
constexpr Text kSaveFilesText = {"Save the files to [%s]: ", "Dateien speichern in [%s]: "};
constexpr Text kMessageText = {"Decrypted email text:", "Entschl\xFCsselter E-Mail-Text:"};
constexpr Text kAttachmentsText = {"Attachments: %s", "Anlagen: %s"};
constexpr Text kSaveAttachmentsText = {"Save the attachments to [%s] (Ctrl-D: do not save): ",
                                       "Anlagen speichern in [%s] (Strg-D: nicht speichern): "};
constexpr Text kSaveTextQuestion = {"Save the email text to a file?", "E-Mail-Text in einer Datei speichern?"};
constexpr Text kSaveTextText = {"Save the text to [%s]: ", "Text speichern in [%s]: "};
constexpr Text kReplaceFileText = {"The file \"%s\" already exists. Replace it?",
                                   "Die Datei \"%s\" existiert bereits. Ersetzen?"};

// Without a size from the terminal.
constexpr int kDefaultRows = 24;
constexpr int kDefaultColumns = 80;
constexpr size_t kMaxInputLine = 65535;
constexpr int kWidestBar = 30;

bool German() { return LoadResString(18) == "Bitte warten..."; }

const char* Say(const Text& text) { return German() ? text.german : text.english; }

String SayWith(const Text& text, const String& value) {
  String out;
  String::Format(out, Say(text), value.c_str() == nullptr ? "" : value.c_str());
  return out;
}

void Write(const String& text) {
  if (text.c_str() != nullptr) platform::WriteStdout(text.c_str());
}

void WriteLine(const String& text) {
  Write(text);
  platform::WriteStdout("\n");
}

// A line typed at the terminal (with echo). False at the end of input and
// when interrupted.
bool Ask(const String& prompt, String* answer) {
  Write(prompt);
  const bool read = platform::ReadStdinLine(answer, kMaxInputLine);
  if (!read) platform::WriteStdout("\n");
  return read && !platform::InterruptionRequested();
}

bool AskYes(const String& question) {
  String answer;
  if (!Ask(question + Say(kYesNoText), &answer)) return false;
  const char first = answer.IsEmpty() ? '\0' : answer.c_str()[0];
  return first == 'y' || first == 'Y' || first == 'j' || first == 'J';
}

void TerminalSize(int* rows, int* columns) {
  if (!platform::GetTerminalSize(rows, columns)) {
    *rows = kDefaultRows;
    *columns = kDefaultColumns;
  }
}

// Shows text a screen at a time: after each screenful but the last it waits
// for Enter or space. False when input ended or the wait was interrupted
// before the end was shown.
bool ShowPaged(const String& text) {
  int rows = 0;
  int columns = 0;
  TerminalSize(&rows, &columns);
  const char* all = text.c_str() == nullptr ? "" : text.c_str();
  const int32_t total = text.GetLength();
  int used = 0;
  for (int32_t start = 0; start < total;) {
    int32_t end = start;
    while (end < total && all[end] != '\n') ++end;
    int32_t length = end - start;
    if (length > 0 && all[start + length - 1] == '\r') --length;
    // A long line wraps: it takes one row per terminal width.
    const int needed = length == 0 ? 1 : (length + columns - 1) / columns;
    if (used > 0 && used + needed > rows - 1) {
      Write(Say(kMoreText));
      int key = 0;
      do {
        key = platform::ReadKey();
      } while (key != -1 && key != '\n' && key != '\r' && key != ' ' && !platform::InterruptionRequested());
      platform::WriteStdout("\r\n");
      if (key == -1 || platform::InterruptionRequested()) return false;
      used = 0;
    }
    WriteLine(length == 0 ? String("") : text.Mid(start, length));
    used += needed;
    start = end + 1;
  }
  return true;
}

String FormatBytes(double bytes) {
  static const char* const kUnits[] = {"B", "KB", "MB", "GB"};
  int unit = 0;
  while (bytes >= 1024.0 && unit < 3) {
    bytes /= 1024.0;
    ++unit;
  }
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, unit == 0 ? "%.0f %s" : "%.1f %s", bytes, kUnits[unit]);
  return String(buffer);
}

// The progress line of a decryption: percent, a bar, bytes and rate,
// redrawn in place when the percentage changes.
class ProgressLine {
 public:
  explicit ProgressLine(uint64_t total_bytes) : total_(total_bytes), start_(std::chrono::steady_clock::now()) {
    callback_.function = &OnProgress;
    callback_.word1 = reinterpret_cast<uintptr_t>(this);
  }
  ~ProgressLine() {
    if (shown_ >= 0) platform::WriteStdout("\n");
  }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  const ProgressCallback* callback() const { return &callback_; }

 private:
  static Result OnProgress(int32_t code, int32_t value, uintptr_t self, uintptr_t) {
    auto* line = reinterpret_cast<ProgressLine*>(self);
    line->tracker_.Notify(code, value);
    if (code == kProgressStatusText) WriteLine(LoadResString(static_cast<uint32_t>(value)));
    if (code == kProgressPosition) line->Draw();
    return kOk;
  }

  void Draw() {
    int percent = tracker_.GetPosition();
    percent = percent < 0 ? 0 : (percent > 100 ? 100 : percent);
    if (percent == shown_) return;
    shown_ = percent;
    int rows = 0;
    int columns = 0;
    TerminalSize(&rows, &columns);
    const int width = columns - 50 < kWidestBar ? (columns > 60 ? columns - 50 : 10) : kWidestBar;
    const int filled = percent * width / 100;
    const double done = static_cast<double>(total_) * percent / 100.0;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    String text;
    String::Format(text, "\r%3d%% [%s%s] %s / %s", percent, std::string(filled, '#').c_str(),
                   std::string(width - filled, ' ').c_str(), FormatBytes(done).c_str(),
                   FormatBytes(static_cast<double>(total_)).c_str());
    if (seconds > 0.05) text += " " + FormatBytes(done / seconds) + "/s   ";
    Write(text);
  }

  uint64_t total_;
  std::chrono::steady_clock::time_point start_;
  int shown_ = -1;
  ProgressTracker tracker_;
  ProgressCallback callback_;
};

class TerminalFrontEnd : public AttemptFrontEnd {
 public:
  String AskPassword() override {
    String password;
    if (!platform::ReadSecretLine(Say(kPasswordText), &password, kMaxInputLine) ||
        platform::InterruptionRequested()) {
      return String("");
    }
    return password;
  }

  Result WithProgress(const std::function<Result(const ProgressCallback*)>& run) override {
    ProgressLine line(FindPayloadHeader().data_size);
    return run(line.callback());
  }

  void ShowError(const String& text) override { WriteLine(text); }
  void ShowInfo(const String& text) override { WriteLine(text); }
  bool AskYesNo(const String& text) override { return AskYes(text); }

  void OfferFiles(SelfExtractor* extractor) override {
    const StringArray names = FileNamesOf(extractor->GetWorkFolder());
    WriteLine(String(Say(kFilesText)));
    for (int32_t i = 0; i < names.GetCount(); ++i) WriteLine("  " + names[i]);
    SaveFiles(*extractor, names, kSaveFilesText);
  }

  void ShowMessageText(SelfExtractor* extractor) override {
    String text;
    extractor->GetMessageText(text);
    WriteLine(String(Say(kMessageText)));
    if (!ShowPaged(text)) return;
    StringArray entries;
    ListFolder(extractor->GetWorkFolder(), &entries);
    const String attachments = AttachmentLine(entries);
    if (!attachments.IsEmpty()) {
      WriteLine(SayWith(kAttachmentsText, attachments));
      SaveFiles(*extractor, FileNamesOf(extractor->GetWorkFolder()), kSaveAttachmentsText);
    }
    if (!platform::InterruptionRequested() && AskYes(String(Say(kSaveTextQuestion)))) SaveText(text);
  }

 private:
  // Asks for the folder until the files are saved there; Enter takes the
  // proposal, the end of input gives up.
  void SaveFiles(const SelfExtractor& extractor, const StringArray& names, const Text& prompt) {
    const String proposal = ToDisplayPath(StripTrailingSlash(DefaultTargetFolder(&names)));
    for (;;) {
      String typed;
      if (!Ask(SayWith(prompt, proposal), &typed)) return;
      if (SaveFilesTo(this, extractor, typed.IsEmpty() ? proposal : typed)) return;
    }
  }

  // The message text to a file: proposed on the desktop (else beside the
  // program) under the program's name; an existing file only when the user
  // agrees.
  void SaveText(const String& text) {
    String folder = GetDesktopFolder();
    if (folder.IsEmpty()) folder = GetProgramFolder();
    const String proposal = ToDisplayPath(folder + GetFileTitle(GetProgramFileName()) + ".txt");
    String typed;
    if (!Ask(SayWith(kSaveTextText, proposal), &typed)) return;
    const String path = ToInternalPath(typed.IsEmpty() ? proposal : typed);
    if (FileExists(path) && !AskYes(SayWith(kReplaceFileText, ToDisplayPath(path)))) return;
    const Result saved = SaveTextFile(path, text);
    WriteLine(saved == kOk ? FormatResString(kTextSavedString, ToDisplayPath(path))
                           : FormatResString(kTextSaveFailedString, saved));
  }
};

void ShowPackage(const PayloadLayout& layout) {
  if (layout.hasLayout != 1) {
    WriteLine(String(Say(kNoLayoutText)));
    return;
  }
  ShowPaged(layout.infoText);
  if (!layout.linkText.IsEmpty()) WriteLine(layout.linkText);
}

// The disclaimer must be shown to its end before it can be accepted.
bool AcceptDisclaimer(const String& text) {
  if (text.IsEmpty()) return true;
  return ShowPaged(text) && AskYes(String(Say(kAcceptText)));
}

void ShowUsage() {
  String usage("There are no dialogs on this platform. Decrypt the package with the decrypt command:\n  ");
  usage += GetProgramFileName();
  usage += " decrypt -pwd=PASSWORD -targetdir=FOLDER [-messagefile=FILE]\n";
  platform::WriteStdout(usage.c_str());
}

}  // namespace

int RunTerminalFlow() {
  PayloadLayout layout;
  const Result loaded = LoadLayout(&layout);
  if (!platform::IsTerminal(platform::StandardStream::kInput) ||
      !platform::IsTerminal(platform::StandardStream::kOutput)) {
    ShowUsage();
    return static_cast<int>(loaded);
  }
  if (loaded != kOk) {
    String text;
    String::Format(text, "Morvalis SelfExtractor layout context initialization failed.\nError = %i",
                   static_cast<int>(loaded));
    WriteLine(text);
    return static_cast<int>(loaded);
  }
  platform::InterruptionScope interruption(false);
  if (!AcceptDisclaimer(layout.disclaimerText)) {
    platform::EndIfInterrupted();
    return static_cast<int>(kCancelled);
  }
  ShowPackage(layout);
  TerminalFrontEnd front_end;
  // A wrong password or a failure asks again; no password ends the program,
  // as closing the main dialog does.
  for (;;) {
    const Result result = RunDecryptAttempt(&front_end);
    if (result == kOk || result == kCancelled) break;
  }
  platform::EndIfInterrupted();
  return static_cast<int>(kOk);
}

}  // namespace mv
