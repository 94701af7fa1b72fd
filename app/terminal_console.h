// The terminal's side of the interactive flow and of the Linux stub's own
// options: the language, text written so that a package cannot command the
// terminal, questions, a pager, lists that fit the screen, the progress
// line, and the lines that say why something failed and where.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <utility>

#include "app/self_extractor.h"
#include "base/progress.h"
#include "base/progress_tracker.h"
#include "base/result.h"
#include "base/string.h"
#include "base/text_id.h"

namespace mv {

// The text in the user's language.
const char* Say(TextId text);
// The text with its one "%s" (or "%i") filled in.
String SayWith(TextId text, const String& value);
String SayWith(TextId text, int number);

// The text with "%1$s" replaced by the program as the user started it
// (its first argument), for texts that show commands.
String CommandText(TextId text);

// text with every control character but line feed and tab as ^X (DEL as
// ^?), and the code page's five bytes that stand for control characters as
// '?': what a package or a user typed is shown, never obeyed.
String Visible(const String& text);

// Writes text (program code page) to standard output as Visible shows it.
void Write(const String& text);
void WriteLine(const String& text);

// The most a typed line may hold.
inline constexpr size_t kLongestTypedLine = 65535;

// A line typed at the prompt, with line editing. False at the end of input
// and when interrupted.
bool Ask(const String& prompt, String* answer);
// A yes-or-no question; only an answer beginning with y or j (any case) is
// yes.
bool AskYes(const String& question);

// How a paged text ended: shown to its end, the rest skipped with q, or
// input ended (or the program was interrupted) at a page break.
enum class Paging { kShown, kSkipped, kEnded };

// Shows text a screen at a time; after each screenful but the last it waits
// for Enter or space, or q for skipping the rest. The screen's size is
// asked at every page, so a resize counts from the next one.
Paging ShowPaged(const String& text);

// Shows lines (each indented by two blanks) up to a screenful less
// reserved_rows, and then how many more there are.
void ShowList(const StringArray& lines, int reserved_rows);

// "312 B", "1.5 KB", "191.0 MB".
String FormatBytes(double bytes);

// What the user typed as a path: a leading "~" alone or before '/' is the
// home folder (home: internal form, ending in '/'; "" when there is none).
// False, with the reason in refusal, for "~name" (another user's home, which
// is not looked up), for "~" without a home folder, and for text holding
// control characters (typed as escape sequences of keys, say).
bool ExpandTypedPath(const String& typed, const String& home, String* path, String* refusal);

// The progress line of a long read: percent, a bar, bytes done and in all,
// the rate of the last seconds and the time left, as much as fits in
// columns - 1 cells (the last column is never written, so the line never
// wraps). rate and seconds_left below 0: not known yet.
String ProgressText(int percent, double done, double total, double rate, double seconds_left, int columns);

// Draws ProgressText in place while a read reports progress: when the
// percentage changes and at least twice a second, fitted to the terminal's
// width at that moment, the rest of the row cleared.
class ProgressLine {
 public:
  explicit ProgressLine(uint64_t total_bytes);
  ~ProgressLine();
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  const ProgressCallback* callback() const { return &callback_; }

 private:
  static Result OnProgress(int32_t code, int32_t value, uintptr_t self, uintptr_t);
  void Draw();

  uint64_t total_;
  std::chrono::steady_clock::time_point start_;
  // Seconds since the start and bytes done then, for the last few seconds.
  std::deque<std::pair<double, double>> samples_;
  int shown_percent_ = -1;
  double shown_at_ = -1;
  ProgressTracker tracker_;
  ProgressCallback callback_;
};

// The line that says what stood in the way of writing path, found now
// (platform/write_problem.h), or the description of code where nothing is
// found. needed: the bytes that were to be written there.
String WriteFailureCause(const String& path, uint64_t needed, Result code);

// The report of a failed decryption on the terminal: the dialogs' text, then, for a failure it gives only a code for, its cause and the
// entry it came with. An interruption by the system rather
// than the user is said as such.
void ShowDecryptFailure(Result result, const SelfExtractor& extractor);

}  // namespace mv
