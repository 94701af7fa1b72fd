// The editing of one line typed at a terminal, apart from the terminal
// itself: the line in the program's code page (one byte per character, and
// every Windows-1252 character takes one column), the cursor, and the keys
// of a shell prompt as a terminal sends them (UTF-8, escape sequences for
// cursor keys), fed one byte at a time. platform/posix/terminal.cpp reads
// the bytes and draws.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace mv::platform {

class LineEditor {
 public:
  // What a byte did.
  enum class Step {
    kNone,      // nothing to show yet (part of a sequence)
    kChanged,   // the line or the cursor changed
    kRefused,   // a key with nothing to do here, or a character that cannot be taken
    kAccept,    // Enter
    kEnd,       // Ctrl-D on an empty line
    kComplete,  // Tab: the caller completes the path before the cursor
  };

  explicit LineEditor(size_t max_length) : max_length_(max_length) {}

  Step Feed(unsigned char byte);

  const std::string& line() const { return line_; }
  size_t cursor() const { return cursor_; }
  // Inserts text (program code page) at the cursor; false, and nothing
  // inserted, when the line would grow past its longest length.
  bool Insert(const std::string& text);

 private:
  Step Key(unsigned char key);
  Step Character(unsigned char byte);
  Step Escape(unsigned char byte);
  Step Sequence(char final, const std::string& parameters);
  Step MoveTo(size_t position);
  Step Erase(size_t from, size_t to);
  size_t WordStartBefore(size_t position) const;
  size_t WordEndAfter(size_t position) const;

  size_t max_length_;
  std::string line_;
  size_t cursor_ = 0;
  // An unfinished UTF-8 sequence and how long it will be.
  std::string pending_;
  size_t pending_length_ = 0;
  // An unfinished escape sequence: ESC seen, then "[" (CSI) or "O" (SS3).
  enum class EscapeState { kNone, kEscape, kCsi, kSs3 } escape_ = EscapeState::kNone;
  std::string parameters_;
};

// The longest beginning that all names share ("" for none).
std::string CommonBeginning(const std::vector<std::string>& names);

}  // namespace mv::platform
