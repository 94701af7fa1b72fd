#include "app/terminal_console.h"

#include <cstdio>
#include <string>

#include "app/decrypt_attempt.h"
#include "app/payload.h"
#include "base/text_catalogue.h"
#include "fs/path.h"
#include "fs/system_helpers.h"
#include "platform/arguments.h"
#include "platform/codepage.h"
#include "platform/interruption.h"
#include "platform/language.h"
#include "platform/platform.h"
#include "platform/terminal.h"
#include "platform/write_problem.h"

namespace mv {
namespace {

// Without a size from the terminal.
constexpr int kDefaultRows = 24;
constexpr int kDefaultColumns = 80;
constexpr int kWidestBar = 30;
constexpr size_t kNarrowestBar = 10;
// The rate is measured over this many recent seconds, and shown once at
// least one of them has passed.
constexpr double kRateWindowSeconds = 5.0;
constexpr double kRateFirstSeconds = 0.2;
constexpr double kRedrawSeconds = 0.5;

void TerminalSize(int* rows, int* columns) {
  if (!platform::GetTerminalSize(rows, columns)) {
    *rows = kDefaultRows;
    *columns = kDefaultColumns;
  }
}

// "0:42", "12:05", "1:02:03".
std::string FormatDuration(double seconds) {
  const long total = static_cast<long>(seconds + 0.5);
  char text[32];
  if (total >= 3600) {
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
  } else {
    std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
  }
  return text;
}

// A path as the user reads it: native separators, no trailing one.
String Shown(const String& path) { return ToDisplayPath(StripTrailingSlash(path)); }

}  // namespace

const char* Say(TextId text) { return TextOf(text, platform::UserLanguage()); }

String SayWith(TextId text, const String& value) {
  String out;
  String::Format(out, Say(text), value.c_str() == nullptr ? "" : value.c_str());
  return out;
}

String SayWith(TextId text, int number) {
  String out;
  String::Format(out, Say(text), number);
  return out;
}

String CommandText(TextId text) {
  String program;
  if (!platform::GetArgument(0, &program) || program.IsEmpty()) program = GetProgramFileName();
  return String(Say(text)).Replace("%1$s", program.c_str());
}

String Visible(const String& text) {
  if (!platform::HasControlCharacter(text)) return text;
  std::string shown;
  for (int32_t i = 0; i < text.GetLength(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text.GetAt(i));
    if (c == '\n' || c == '\t') {
      shown += static_cast<char>(c);
    } else if (c < 0x20) {
      shown += '^';
      shown += static_cast<char>(c + '@');
    } else if (c == 0x7F) {
      shown += "^?";
    } else if (platform::IsControlCharacter(c)) {
      shown += '?';
    } else {
      shown += static_cast<char>(c);
    }
  }
  return String(shown.c_str());
}

void Write(const String& text) {
  if (text.c_str() != nullptr) platform::WriteStdout(Visible(text).c_str());
}

void WriteLine(const String& text) { platform::WriteStdout((Visible(text) + "\n").c_str()); }

bool Ask(const String& prompt, String* answer) {
  for (;;) {
    const platform::LineStatus status = platform::EditLine(Visible(prompt).c_str(), answer, kLongestTypedLine);
    if (platform::InterruptionRequested()) return false;
    if (status == platform::LineStatus::kLine) return true;
    if (status == platform::LineStatus::kEnd) return false;
    // Only a terminal without cursor keys hands such a line over.
    WriteLine(UserText(TextId::kInvalidFolder));
  }
}

bool AskYes(const String& question) {
  String answer;
  if (!Ask(question + Say(TextId::kYesNo), &answer)) return false;
  const char first = answer.IsEmpty() ? '\0' : answer.c_str()[0];
  return first == 'y' || first == 'Y' || first == 'j' || first == 'J';
}

Paging ShowPaged(const String& text) {
  int rows = 0;
  int columns = 0;
  TerminalSize(&rows, &columns);
  const String shown = Visible(text);
  const char* all = shown.c_str() == nullptr ? "" : shown.c_str();
  const int32_t total = shown.GetLength();
  int used = 0;
  for (int32_t start = 0; start < total;) {
    int32_t end = start;
    while (end < total && all[end] != '\n') ++end;
    int32_t length = end - start;
    if (length > 0 && all[start + length - 1] == '\r') --length;
    // A long line wraps: it takes one row per terminal width.
    const int needed = length == 0 ? 1 : (length + columns - 1) / columns;
    if (used > 0 && used + needed > rows - 1) {
      // The prompt never wraps, so that it can be taken back.
      const String more = String(Say(TextId::kMore)).Left(columns - 1);
      int key = 0;
      do {
        key = platform::ReadKey(more.c_str());
        platform::WriteStdout("\r\x1B[K");
      } while (key != -1 && key != '\n' && key != '\r' && key != ' ' && key != 'q' && key != 'Q' &&
               !platform::InterruptionRequested());
      if (key == -1 || platform::InterruptionRequested()) return Paging::kEnded;
      if (key == 'q' || key == 'Q') return Paging::kSkipped;
      used = 0;
      TerminalSize(&rows, &columns);
    }
    platform::WriteStdout((std::string(all + start, static_cast<size_t>(length)) + "\n").c_str());
    used += needed;
    start = end + 1;
  }
  return Paging::kShown;
}

void ShowList(const StringArray& lines, int reserved_rows) {
  int rows = 0;
  int columns = 0;
  TerminalSize(&rows, &columns);
  const int32_t room = rows - reserved_rows < 2 ? 2 : rows - reserved_rows;
  const int32_t count = lines.GetCount();
  const int32_t shown = count <= room ? count : room - 1;
  for (int32_t i = 0; i < shown; ++i) WriteLine("  " + lines[i]);
  if (shown < count) WriteLine(SayWith(TextId::kAndMore, static_cast<int>(count - shown)));
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

bool ExpandTypedPath(const String& typed, const String& home, String* path, String* refusal) {
  refusal->Empty();
  if (platform::HasControlCharacter(typed)) {
    *refusal = SayWith(TextId::kControlCharacters, Visible(typed));
    return false;
  }
  if (typed.GetLength() == 0 || typed.GetAt(0) != '~') {
    *path = typed;
    return true;
  }
  if (typed.GetLength() > 1 && typed.GetAt(1) != '/') {
    *refusal = SayWith(TextId::kTildeUser, typed);
    return false;
  }
  if (home.IsEmpty()) {
    *refusal = Say(TextId::kNoHome);
    return false;
  }
  // home ends in '/'; "~/" and "~" both become it.
  const int32_t rest = typed.GetLength() > 1 ? 2 : 1;
  *path = home + typed.Right(typed.GetLength() - rest);
  return true;
}

String ProgressText(int percent, double done, double total, double rate, double seconds_left, int columns) {
  const size_t width = columns > 1 ? static_cast<size_t>(columns - 1) : 0;
  char number[16];
  std::snprintf(number, sizeof number, "%3d%%", percent);
  const std::string head = number;
  const std::string bytes = std::string(FormatBytes(done).c_str()) + " / " + FormatBytes(total).c_str();
  const std::string speed = rate < 0 ? "" : std::string(FormatBytes(rate).c_str()) + "/s";
  const std::string left =
      seconds_left < 0 ? "" : SayWith(TextId::kTimeLeft, String(FormatDuration(seconds_left).c_str())).c_str();
  // What fits, the percentage always: then the time left, the bytes, a bar
  // of at least kNarrowestBar cells, the rate; a bar takes what is left.
  size_t length = head.size();
  auto fits = [&](const std::string& part, size_t reserved) {
    if (part.empty() || length + reserved + 1 + part.size() > width) return false;
    length += 1 + part.size();
    return true;
  };
  const bool keep_left = fits(left, 0);
  const bool keep_bytes = fits(bytes, 0);
  const size_t bar_frame = 3;  // " [" and "]"
  const bool keep_bar = length + bar_frame + kNarrowestBar <= width;
  const bool keep_speed = fits(speed, keep_bar ? bar_frame + kNarrowestBar : 0);
  std::string line = head;
  if (keep_bar) {
    const size_t room = width - length - bar_frame;
    const size_t bar = room < static_cast<size_t>(kWidestBar) ? room : static_cast<size_t>(kWidestBar);
    const size_t filled = bar * static_cast<size_t>(percent < 0 ? 0 : percent > 100 ? 100 : percent) / 100;
    line += " [" + std::string(filled, '#') + std::string(bar - filled, ' ') + "]";
  }
  if (keep_bytes) line += " " + bytes;
  if (keep_speed) line += " " + speed;
  if (keep_left) line += " " + left;
  if (line.size() > width) line.resize(width);
  return String(line.c_str());
}

ProgressLine::ProgressLine(uint64_t total_bytes) : total_(total_bytes), start_(std::chrono::steady_clock::now()) {
  callback_.function = &OnProgress;
  callback_.word1 = reinterpret_cast<uintptr_t>(this);
}

ProgressLine::~ProgressLine() {
  if (shown_percent_ >= 0) platform::WriteStdout("\n");
}

Result ProgressLine::OnProgress(int32_t code, int32_t value, uintptr_t self, uintptr_t) {
  auto* line = reinterpret_cast<ProgressLine*>(self);
  line->tracker_.Notify(code, value);
  if (code == kProgressStatusText) {
    // A text during the work goes below the line, which starts anew.
    if (line->shown_percent_ >= 0) platform::WriteStdout("\n");
    line->shown_percent_ = -1;
    WriteLine(UserText(static_cast<TextId>(value)));
  }
  if (code == kProgressPosition) line->Draw();
  return kOk;
}

void ProgressLine::Draw() {
  int percent = tracker_.GetPosition();
  percent = percent < 0 ? 0 : (percent > 100 ? 100 : percent);
  const double now = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  if (percent == shown_percent_ && now - shown_at_ < kRedrawSeconds) return;
  const double done = static_cast<double>(total_) * percent / 100.0;
  samples_.emplace_back(now, done);
  while (samples_.size() > 2 && now - samples_[1].first >= kRateWindowSeconds) samples_.pop_front();
  double rate = -1;
  double left = -1;
  const double span = now - samples_.front().first;
  if (now >= kRateFirstSeconds && span > 0) {
    rate = (done - samples_.front().second) / span;
    if (rate > 0) left = (static_cast<double>(total_) - done) / rate;
  }
  int rows = 0;
  int columns = 0;
  TerminalSize(&rows, &columns);
  const String text = ProgressText(percent, done, static_cast<double>(total_), rate, left, columns);
  platform::WriteStdout(("\r" + text + "\x1B[K").c_str());
  shown_percent_ = percent;
  shown_at_ = now;
}

String WriteFailureCause(const String& path, uint64_t needed, Result code) {
  const platform::WriteDiagnosis found = platform::DiagnoseWrite(path.c_str(), needed);
  const String where = Shown(found.where);
  switch (found.problem) {
    case platform::WriteProblem::kNotAFolder:
      return SayWith(TextId::kCauseNotAFolder, where);
    case platform::WriteProblem::kIsFolder:
      return SayWith(TextId::kCauseIsFolder, where);
    case platform::WriteProblem::kReadOnlyFile:
      return SayWith(TextId::kCauseReadOnlyFile, where);
    case platform::WriteProblem::kNoPermission:
      return SayWith(TextId::kCauseNoPermission, where);
    case platform::WriteProblem::kReadOnlyDevice:
      return SayWith(TextId::kCauseReadOnlyDevice, where);
    case platform::WriteProblem::kNoSpace: {
      String text;
      String::Format(text, Say(TextId::kCauseNoSpace), where.c_str(),
                     FormatBytes(static_cast<double>(found.free_bytes)).c_str());
      return text;
    }
    case platform::WriteProblem::kNone:
      break;
  }
  return SayWith(TextId::kCause, String(DescribeResult(code, platform::UserLanguage())));
}

void ShowDecryptFailure(Result result, const SelfExtractor& extractor) {
  if (result == kCancelled && platform::InterruptionRequested() && !platform::InterruptedByUser()) {
    WriteLine(SayWith(TextId::kStopped, String(platform::InterruptionName())));
    return;
  }
  WriteLine(AttemptFailureText(result, extractor.GetFailedChunk()));
  // The others have only a code: their cause follows.
  if (HasOwnFailureText(result)) return;
  if (HasResultProperty(result, result_property::kFileProblem)) {
    const String temp = extractor.GetTempPlace().IsEmpty() ? GetSystemTempFolder() : extractor.GetTempPlace();
    WriteLine(WriteFailureCause(temp, FindPayloadHeader().data_size, result));
    WriteLine(SayWith(TextId::kTempFolder, Shown(temp)));
  } else {
    WriteLine(SayWith(TextId::kCause, String(DescribeResult(result, platform::UserLanguage()))));
  }
  if (!extractor.GetFailedEntry().IsEmpty()) WriteLine(SayWith(TextId::kFailedEntry, extractor.GetFailedEntry()));
}

}  // namespace mv
