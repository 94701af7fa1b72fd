// The Windows command line split as the C runtime splits it.
#include "platform/command_line_split.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mv::platform {
namespace {

TEST(CommandLineSplit, FollowsTheRuntimesRules) {
  struct Case {
    const char* line;
    std::vector<std::string> arguments;
  } cases[] = {
      {"prog", {"prog"}},
      {"\"C:\\Program Files\\x.exe\" a", {"C:\\Program Files\\x.exe", "a"}},
      {"C:\\dir\\\"x.exe a", {"C:\\dir\\\"x.exe", "a"}},  // the program's name takes no escapes
      {"p  a\tb ", {"p", "a", "b"}},
      {"p \"a b\" c", {"p", "a b", "c"}},
      {"p a\"b c\"d", {"p", "ab cd"}},
      {"p \"\"", {"p", ""}},
      {"p \\\\\\\"a", {"p", "\\\"a"}},                 // 2n+1 backslashes: n and a quote
      {"p \\\\\"a b\"", {"p", "\\a b"}},               // 2n backslashes: n, and the quote groups
      {"p a\\\\b\\c", {"p", "a\\\\b\\c"}},             // backslashes elsewhere stay
      {"p \"-targetdir=C:\\out dir\\\\\"", {"p", "-targetdir=C:\\out dir\\"}},
      {"p \"say \"\"hi\"\" now\"", {"p", "say \"hi\" now"}},
      {"p -pwd=\xD0\x9F\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C" "1", {"p", "-pwd=\xD0\x9F\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C" "1"}},
      {"", {""}},
  };
  for (const Case& c : cases) {
    const StringArray split = SplitCommandLine(c.line);
    std::vector<std::string> got;
    for (int32_t i = 0; i < split.GetCount(); ++i) got.emplace_back(split[i].c_str() == nullptr ? "" : split[i].c_str());
    EXPECT_EQ(got, c.arguments) << c.line;
  }
}

}  // namespace
}  // namespace mv::platform
