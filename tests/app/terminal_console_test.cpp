// The rules of the terminal's texts: typed paths ("~", control
// characters), what a package's text may send to the terminal, and the
// progress line at every width.
#include "app/terminal_console.h"
#include "tests/fs/fs_test_files.h"

#include <gtest/gtest.h>

#include <string>

namespace mv {
namespace {

TEST(TerminalConsole, TypedPaths) {
  const std::string home = "/home/anna/";
  const struct {
    const char* typed;
    std::string home;
    const char* path;  // null: refused
  } cases[] = {
      {"", home, ""},
      {"out", home, "out"},
      {"/srv/out", home, "/srv/out"},
      {"a~b", home, "a~b"},
      {"./~out", home, "./~out"},
      {"~", home, "/home/anna/"},
      {"~/", home, "/home/anna/"},
      {"~/tilde target", home, "/home/anna/tilde target"},
      {"~anna/out", home, nullptr},
      {"~", "", nullptr},
      {"bad\x1b[Dname", home, nullptr},
      {"tab\there", home, nullptr},
      {"del\x7f", home, nullptr},
      {"stand-in\x9D", home, nullptr},
  };
  for (const auto& c : cases) {
    String path;
    String refusal;
    const bool taken = ExpandTypedPath(String(c.typed), String(c.home.c_str()), &path, &refusal);
    EXPECT_EQ(taken, c.path != nullptr) << c.typed;
    if (c.path != nullptr) {
      EXPECT_EQ(test::Text(path), c.path) << c.typed;
    } else {
      EXPECT_FALSE(refusal.IsEmpty()) << c.typed;
    }
  }
  String path;
  String refusal;
  ASSERT_FALSE(ExpandTypedPath(String("bad\x1b[D"), String(home.c_str()), &path, &refusal));
  EXPECT_NE(std::string(refusal.c_str()).find("bad^[[D"), std::string::npos) << "shown, never sent to the terminal";
}

TEST(TerminalConsole, ControlCharactersAreShownNotSent) {
  const struct {
    const char* text;
    const char* shown;
  } cases[] = {
      {"plain Gr\xFC\xDF" "e", "plain Gr\xFC\xDF" "e"},
      {"lines\nand\ttabs", "lines\nand\ttabs"},
      {"red\x1b[31m", "red^[[31m"},
      {"bell\x07", "bell^G"},
      {"delete\x7f", "delete^?"},
      {"C1\x9D", "C1?"},
  };
  for (const auto& c : cases) EXPECT_STREQ(Visible(String(c.text)).c_str(), c.shown) << c.text;
}

TEST(TerminalConsole, TheProgressLineNeverReachesTheLastColumn) {
  for (int columns = 1; columns <= 200; ++columns) {
    const std::string line = ProgressText(57, 109.0 * 1048576, 191.0 * 1048576, 48.0 * 1048576, 42, columns).c_str();
    EXPECT_LE(line.size(), static_cast<size_t>(columns > 1 ? columns - 1 : 0)) << columns;
    if (columns >= 6) {
      EXPECT_EQ(line.compare(0, 4, " 57%"), 0) << columns;
    }
  }
  const std::string wide = ProgressText(57, 109.0 * 1048576, 191.0 * 1048576, 48.0 * 1048576, 42, 80).c_str();
  for (const char* part : {"[#################", "109.0 MB / 191.0 MB", "48.0 MB/s", "0:42"}) {
    EXPECT_NE(wide.find(part), std::string::npos) << part << " in " << wide;
  }
  // Narrower, the rate goes first, then the bar; the time left stays longest.
  const std::string narrow = ProgressText(57, 109.0 * 1048576, 191.0 * 1048576, 48.0 * 1048576, 42, 40).c_str();
  EXPECT_EQ(narrow.find("MB/s"), std::string::npos) << narrow;
  EXPECT_EQ(narrow.find('['), std::string::npos) << narrow;
  EXPECT_NE(narrow.find("0:42"), std::string::npos) << narrow;
  const std::string unknown = ProgressText(3, 0, 191.0 * 1048576, -1, -1, 80).c_str();
  EXPECT_EQ(unknown.find("/s"), std::string::npos) << "no rate before it is measured: " << unknown;
}

}  // namespace
}  // namespace mv
