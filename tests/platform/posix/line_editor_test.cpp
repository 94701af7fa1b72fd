// The keys of the prompt's line editor as terminals send them, and what they
// leave: the line (program code page), the cursor and the last key's step.
#ifndef _WIN32

#include "platform/posix/line_editor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mv::platform {
namespace {

using Step = LineEditor::Step;

TEST(LineEditor, KeysAsTerminalsSendThem) {
  const struct {
    const char* name;
    std::string keys;
    std::string line;
    size_t cursor;
    Step last;
  } cases[] = {
      {"typing", "abc", "abc", 3, Step::kChanged},
      {"left arrow, then a letter", "abc\x1b[DX", "abXc", 3, Step::kChanged},
      {"left arrow as SS3", "abc\x1bODX", "abXc", 3, Step::kChanged},
      {"right arrow at the end", "ab\x1b[C", "ab", 2, Step::kRefused},
      {"Home and End", "abc\x1b[H<\x1b[F>", "<abc>", 5, Step::kChanged},
      {"Home and End as 1~ and 4~", "abc\x1b[1~<\x1b[4~>", "<abc>", 5, Step::kChanged},
      {"Ctrl-A and Ctrl-E", "bc\x01" "a\x05" "d", "abcd", 4, Step::kChanged},
      {"Backspace", "abc\x7f", "ab", 2, Step::kChanged},
      {"Backspace at the start", "ab\x01\x7f", "ab", 0, Step::kRefused},
      {"Delete", "abc\x1b[D\x1b[D\x1b[3~", "ac", 1, Step::kChanged},
      {"Ctrl-D within the line deletes", "abc\x01\x04", "bc", 0, Step::kChanged},
      {"Ctrl-D on an empty line ends", "\x04", "", 0, Step::kEnd},
      {"Ctrl-D at the end of a line", "ab\x04", "ab", 2, Step::kRefused},
      {"Ctrl-K", "abcd\x1b[D\x1b[D\x0b", "ab", 2, Step::kChanged},
      {"Ctrl-U", "abcd\x1b[D\x15", "d", 0, Step::kChanged},
      {"Ctrl-W takes back a path component", "/home/anna/out\x17", "/home/anna/", 11, Step::kChanged},
      {"Ctrl-W twice", "/home/anna/out\x17\x17", "/home/", 6, Step::kChanged},
      {"Ctrl-Left a word back", "/home/anna\x1b[1;5DX", "/home/Xanna", 7, Step::kChanged},
      {"Alt-B a word back", "one two\x1b" "bX", "one Xtwo", 5, Step::kChanged},
      {"umlauts arrive as UTF-8, one column each", "gr\xC3\xBC\xC3\x9F" "e\x1b[D\x7f", "gr\xFC" "e", 3,
       Step::kChanged},
      {"the euro sign has a code page form", "\xE2\x82\xAC", "\x80", 1, Step::kChanged},
      {"a character without a Windows-1252 form", "a\xE6\x97\xA5", "a", 1, Step::kRefused},
      {"a C1 control character", "a\xC2\x9B", "a", 1, Step::kRefused},
      {"a code page byte standing for a control character", "a\xC2\x81", "a", 1, Step::kRefused},
      {"a control character", "a\x07", "a", 1, Step::kRefused},
      {"a broken UTF-8 sequence gives way to the next key", "a\xC3" "b", "ab", 2, Step::kChanged},
      {"an unknown key's sequence leaves nothing", "a\x1b[15~b", "ab", 2, Step::kChanged},
      {"no history: up arrow", "a\x1b[A", "a", 1, Step::kRefused},
      {"marks around pasted text", "\x1b[200~ab\x1b[201~", "ab", 2, Step::kNone},
      {"Enter", "ab\r", "ab", 2, Step::kAccept},
      {"Tab", "ab\t", "ab", 2, Step::kComplete},
  };
  for (const auto& c : cases) {
    LineEditor editor(100);
    Step last = Step::kNone;
    for (char key : c.keys) last = editor.Feed(static_cast<unsigned char>(key));
    EXPECT_EQ(editor.line(), c.line) << c.name;
    EXPECT_EQ(editor.cursor(), c.cursor) << c.name;
    EXPECT_EQ(last, c.last) << c.name;
  }
}

TEST(LineEditor, LongestLineAndCommonBeginning) {
  LineEditor editor(3);
  Step last = Step::kNone;
  for (char key : std::string("abcd")) last = editor.Feed(static_cast<unsigned char>(key));
  EXPECT_EQ(editor.line(), "abc");
  EXPECT_EQ(last, Step::kRefused);
  EXPECT_FALSE(editor.Insert("x"));

  EXPECT_EQ(CommonBeginning({"docs", "documents", "dog"}), "do");
  EXPECT_EQ(CommonBeginning({"alone"}), "alone");
  EXPECT_EQ(CommonBeginning({}), "");
}

}  // namespace
}  // namespace mv::platform

#endif  // _WIN32
