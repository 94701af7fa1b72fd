#include "platform/posix/line_editor.h"

#include "base/string.h"
#include "platform/codepage.h"

namespace mv::platform {
namespace {

constexpr unsigned char kEscape = 0x1B;
// An escape sequence longer than this is no key: it is dropped.
constexpr size_t kLongestSequence = 16;

unsigned char Control(char letter) { return static_cast<unsigned char>(letter - '@'); }

// Words end at a folder separator or a blank, so Ctrl-W and Alt-B take
// back one path component at a time.
bool IsWordBreak(char c) { return c == '/' || c == ' '; }

// Bytes of the UTF-8 sequence a lead byte starts; 0 for one that starts none.
size_t SequenceLength(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

}  // namespace

bool LineEditor::Insert(const std::string& text) {
  if (line_.size() + text.size() > max_length_) return false;
  line_.insert(cursor_, text);
  cursor_ += text.size();
  return true;
}

LineEditor::Step LineEditor::Feed(unsigned char byte) {
  if (escape_ != EscapeState::kNone) return Escape(byte);
  if (pending_length_ != 0 || byte >= 0x80) return Character(byte);
  return Key(byte);
}

LineEditor::Step LineEditor::Key(unsigned char key) {
  if (key >= 0x20 && key < 0x7F) return Insert(std::string(1, static_cast<char>(key))) ? Step::kChanged : Step::kRefused;
  if (key == '\r' || key == '\n') return Step::kAccept;
  if (key == '\t') return Step::kComplete;
  if (key == kEscape) {
    escape_ = EscapeState::kEscape;
    return Step::kNone;
  }
  if (key == 0x7F || key == Control('H')) return cursor_ == 0 ? Step::kRefused : Erase(cursor_ - 1, cursor_);
  if (key == Control('D')) {
    if (line_.empty()) return Step::kEnd;
    return cursor_ == line_.size() ? Step::kRefused : Erase(cursor_, cursor_ + 1);
  }
  if (key == Control('A')) return MoveTo(0);
  if (key == Control('E')) return MoveTo(line_.size());
  if (key == Control('B')) return cursor_ == 0 ? Step::kRefused : MoveTo(cursor_ - 1);
  if (key == Control('F')) return cursor_ == line_.size() ? Step::kRefused : MoveTo(cursor_ + 1);
  if (key == Control('K')) return Erase(cursor_, line_.size());
  if (key == Control('U')) return Erase(0, cursor_);
  if (key == Control('W')) return Erase(WordStartBefore(cursor_), cursor_);
  return Step::kRefused;
}

// A character beyond ASCII arrives as UTF-8; it enters the line in the
// program's code page or not at all.
LineEditor::Step LineEditor::Character(unsigned char byte) {
  if (pending_length_ == 0) {
    pending_length_ = SequenceLength(byte);
    if (pending_length_ == 0) return Step::kRefused;
    pending_.assign(1, static_cast<char>(byte));
    return Step::kNone;
  }
  if ((byte & 0xC0) != 0x80) {
    // The sequence broke off: the new byte starts afresh.
    pending_length_ = 0;
    pending_.clear();
    const Step next = Feed(byte);
    return next == Step::kNone ? Step::kRefused : next;
  }
  pending_ += static_cast<char>(byte);
  if (pending_.size() < pending_length_) return Step::kNone;
  String converted;
  const bool fits = FromSystemText(pending_.c_str(), &converted) && converted.GetLength() == 1;
  pending_length_ = 0;
  pending_.clear();
  const unsigned char c = fits ? static_cast<unsigned char>(converted.c_str()[0]) : 0;
  if (!fits || IsControlCharacter(c)) return Step::kRefused;
  return Insert(std::string(1, static_cast<char>(c))) ? Step::kChanged : Step::kRefused;
}

LineEditor::Step LineEditor::Escape(unsigned char byte) {
  switch (escape_) {
    case EscapeState::kEscape:
      parameters_.clear();
      escape_ = EscapeState::kNone;
      if (byte == '[') escape_ = EscapeState::kCsi;
      if (byte == 'O') escape_ = EscapeState::kSs3;
      if (escape_ != EscapeState::kNone) return Step::kNone;
      // Alt with a key.
      if (byte == 'b' || byte == 'B') return MoveTo(WordStartBefore(cursor_));
      if (byte == 'f' || byte == 'F') return MoveTo(WordEndAfter(cursor_));
      if (byte == 0x7F || byte == Control('H')) return Erase(WordStartBefore(cursor_), cursor_);
      return Step::kRefused;
    case EscapeState::kSs3:
      escape_ = EscapeState::kNone;
      return Sequence(static_cast<char>(byte), "");
    case EscapeState::kCsi:
      if (byte >= 0x40 && byte <= 0x7E) {
        escape_ = EscapeState::kNone;
        return Sequence(static_cast<char>(byte), parameters_);
      }
      if (byte < 0x20 || byte > 0x3F || parameters_.size() >= kLongestSequence) {
        escape_ = EscapeState::kNone;
        return Step::kRefused;
      }
      parameters_ += static_cast<char>(byte);
      return Step::kNone;
    case EscapeState::kNone:
      break;
  }
  return Step::kRefused;
}

// The keys of xterm, the Linux console and their kin: arrows "ESC [ C" or
// "ESC O C" (with ";5" for Ctrl: a word), Home and End as H and F or as
// "1~", "7~", "4~", "8~", Delete "3~".
LineEditor::Step LineEditor::Sequence(char final, const std::string& parameters) {
  const bool with_control = parameters == "1;5" || parameters == "5";
  switch (final) {
    case 'C':
      if (with_control) return MoveTo(WordEndAfter(cursor_));
      return cursor_ == line_.size() ? Step::kRefused : MoveTo(cursor_ + 1);
    case 'D':
      if (with_control) return MoveTo(WordStartBefore(cursor_));
      return cursor_ == 0 ? Step::kRefused : MoveTo(cursor_ - 1);
    case 'H':
      return MoveTo(0);
    case 'F':
      return MoveTo(line_.size());
    case '~':
      if (parameters == "1" || parameters == "7") return MoveTo(0);
      if (parameters == "4" || parameters == "8") return MoveTo(line_.size());
      if (parameters == "3") return cursor_ == line_.size() ? Step::kRefused : Erase(cursor_, cursor_ + 1);
      // The marks around pasted text (bracketed paste) carry nothing.
      if (parameters == "200" || parameters == "201") return Step::kNone;
      return Step::kRefused;
    default:
      return Step::kRefused;
  }
}

LineEditor::Step LineEditor::MoveTo(size_t position) {
  cursor_ = position;
  return Step::kChanged;
}

LineEditor::Step LineEditor::Erase(size_t from, size_t to) {
  if (from >= to) return Step::kRefused;
  line_.erase(from, to - from);
  cursor_ = from;
  return Step::kChanged;
}

size_t LineEditor::WordStartBefore(size_t position) const {
  while (position > 0 && IsWordBreak(line_[position - 1])) --position;
  while (position > 0 && !IsWordBreak(line_[position - 1])) --position;
  return position;
}

size_t LineEditor::WordEndAfter(size_t position) const {
  while (position < line_.size() && IsWordBreak(line_[position])) ++position;
  while (position < line_.size() && !IsWordBreak(line_[position])) ++position;
  return position;
}

std::string CommonBeginning(const std::vector<std::string>& names) {
  if (names.empty()) return "";
  std::string common = names[0];
  for (const std::string& name : names) {
    size_t n = 0;
    while (n < common.size() && n < name.size() && common[n] == name[n]) ++n;
    common.resize(n);
  }
  return common;
}

}  // namespace mv::platform
