#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line_mode.h"
#include "app/command_line_parser.h"
#include "app/entry.h"
#include "tests/support/file_tree.h"
#include "tests/support/temp_folder.h"
#include "tests/fs/fs_test_files.h"

namespace mv {
namespace {

StringArray ArgumentsOf(const std::vector<std::string>& arguments) {
  StringArray array;
  for (const std::string& a : arguments) array.Add(String(a.c_str()));
  return array;
}

using test::Text;

TEST(CommandLine, DecryptOptions) {
  struct Case {
    std::vector<std::string> arguments;
    Result result;
    std::string command, password, target, message;
    int replace;
    bool debug;
  } cases[] = {
      {{}, kOk, "", "", "", "", 0, false},
      {{"DECRYPT", "-pwd=a=b"}, kOk, "decrypt", "a=b", "", "", 0, false},
      {{"decrypt", "/pwd= Mixed Case "}, kOk, "decrypt", " Mixed Case ", "", "", 0, false},
      {{"decrypt", "-pwd="}, kOk, "decrypt", "", "", "", 0, false},
      {{"decrypt", "-PWD=x"}, kUnknownSwitch, "decrypt", "", "", "", 0, false},
      {{"-debug", "decrypt"}, kBadArgument, "", "", "", "", 0, false},
      {{"decrypt", "-DEBUG", "/Replace"}, kOk, "decrypt", "", "", "", 1, true},
      {{"decrypt", "--debug"}, kUnknownSwitch, "decrypt", "", "", "", 0, false},
      {{"decrypt", "-replace=1"}, kUnknownSwitch, "decrypt", "", "", "", 0, false},
      {{"decrypt", "-targetdir=C:\\out\\", "-messagefile=C:\\m.txt"}, kOk, "decrypt", "", "C:/out/", "C:/m.txt", 0,
       false},
      {{"decrypt", "-targetdir=a", "-targetdir=b"}, kOk, "decrypt", "", "b", "", 0, false},
      {{"decrypt", "-TargetDir=x"}, kUnknownSwitch, "decrypt", "", "", "", 0, false},
      {{"decrypt", "-unknown", "-debug"}, kUnknownSwitch, "decrypt", "", "", "", 0, false},
      {{"decrypt", "-", "/", "-booting", "/SETUPINSTALL"}, kOk, "decrypt", "", "", "", 0, false},
      {{"unknown", "-pwd=x"}, kOk, "unknown", "x", "", "", 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.arguments));
    DecryptOptions options;
    EXPECT_EQ(options.DispatchArguments(ArgumentsOf(c.arguments)), c.result);
    EXPECT_EQ(Text(options.command), c.command);
    EXPECT_EQ(Text(options.password.Utf8()), c.password);
    EXPECT_EQ(Text(options.target_folder), c.target);
    EXPECT_EQ(Text(options.message_file), c.message);
    EXPECT_EQ(options.replace, c.replace);
    EXPECT_EQ(options.debug(), c.debug);
  }
}

TEST(CommandLine, PasswordFileGivesItsFirstLine) {
  test::TempFolder folder;
  struct Case {
    const char* content;
    const char* password;
  } cases[] = {
      {"secret\nsecond line\n", "secret"},
      {"with blanks  \r\nx", "with blanks  "},
      {"no line end", "no line end"},
      {"\nafter an empty first line", ""},
  };
  for (const Case& c : cases) {
    std::string path = folder.Join("pw.txt");
    test::WriteFileText(path, c.content);
    Password password;
    ASSERT_EQ(ReadPasswordFile(String(path.c_str()), &password), kOk) << c.content;
    EXPECT_EQ(Text(password.Utf8()), c.password);
  }
  Password password;
  EXPECT_EQ(ReadPasswordFile(String(folder.Join("missing.txt").c_str()), &password), kCannotOpen);

  // Files as editors and Windows PowerShell write them: the same password,
  // as typed, whatever the encoding. Without a mark, bytes that are UTF-8
  // are UTF-8 (Notepad's default), anything else Windows-1252.
  const std::string w("W\0\xF6\0r\0t\0", 8);  // "Wört" in UTF-16LE
  const std::string pile = "\x3D\xD8\xA9\xDC";  // U+1F4A9 as a surrogate pair
  struct Marked {
    std::string content;
    Result result;
    const char* password;  // UTF-8
  } marked[] = {
      {"\xEF\xBB\xBFW\xC3\xB6rt\r\nnext", kOk, "W\xC3\xB6rt"},
      {"\xFF\xFE" + w + std::string("\r\0\n\0n\0", 6), kOk, "W\xC3\xB6rt"},
      {"\xFF\xFE" + w, kOk, "W\xC3\xB6rt"},
      {std::string("\xFE\xFF\0W\0\xF6\0r\0t", 10), kOk, "W\xC3\xB6rt"},  // UTF-16BE
      {"\xFF\xFE" + std::string("\xAC\x20", 2), kOk, "\xE2\x82\xAC"},  // the euro sign
      {"\xFF\xFE", kOk, ""},
      {"\xFF\xFE" + pile, kOk, "\xF0\x9F\x92\xA9"},
      {"\xFF\xFE" + std::string("\x3D\xD8x\0", 4), kBadArgument, ""},  // a lone surrogate
      {"\xEF\xBB\xBF\xE6\x97\xA5", kOk, "\xE6\x97\xA5"},  // 日
      {"\xEF\xBB\xBF\xC3", kBadArgument, ""},  // marked UTF-8 that is none
      {"Stra\xC3\x9F" "e 5\n", kOk, "Stra\xC3\x9F" "e 5"},  // UTF-8 without a mark
      {"Stra\xDF" "e 5\n", kOk, "Stra\xC3\x9F" "e 5"},  // Windows-1252
      {"\xD0\x9F\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C" "1", kOk,
       "\xD0\x9F\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C" "1"},  // Пароль1
  };
  for (const Marked& c : marked) {
    const std::string path = folder.Join("marked.txt");
    test::WriteFileText(path, c.content);
    Password read;
    EXPECT_EQ(ReadPasswordFile(String(path.c_str()), &read), c.result) << c.password;
    if (c.result == kOk) {
      EXPECT_EQ(Text(read.Utf8()), c.password);
    }
  }

  DecryptOptions options;
  test::WriteFileText(folder.Join("pw.txt"), "from file\n");
  ASSERT_EQ(options.DispatchArguments(ArgumentsOf({"decrypt", "-pwd=first", "-pwdfile=" + folder.Join("pw.txt")})),
            kOk);
  EXPECT_EQ(Text(options.password.Utf8()), "from file");
}

int Interactive() { return 1001; }
int CommandLine() { return 1002; }

TEST(ModeSelection, OnlyAnEmptyTailIsInteractive) {
  const std::pair<const char*, int> cases[] = {{nullptr, 1001}, {"", 1001}, {"decrypt", 1002}, {"\"\"", 1002}};
  for (const auto& [tail, expected] : cases) {
    EXPECT_EQ(SelectMode(tail, &Interactive, &CommandLine), expected) << (tail ? tail : "(null)");
  }
}

}  // namespace
}  // namespace mv
