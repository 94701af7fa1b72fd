#include "tools/pack_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/package_content.h"

namespace mv::tools {
namespace {

TEST(PackOptions, ParsesCommandsPositionalsAndOptions) {
  struct Case {
    std::vector<std::string> arguments;
    bool ok;
    std::string command;
    std::vector<std::string> positional;
    std::string compression;
    bool help;
    bool version = false;
  } cases[] = {
      {{"create", "out.mef", "--compression", "2", "a", "b"}, true, "create", {"out.mef", "a", "b"}, "2", false},
      {{"create", "out.mef", "--compression=0", "a"}, true, "create", {"out.mef", "a"}, "0", false},
      {{"create", "out.mef", "--", "--compression=0"}, true, "create", {"out.mef", "--compression=0"}, "", false},
      {{"create", "--compression"}, false, "create", {}, "", false},
      {{"list", "p.exe", "--compression", "1"}, false, "list", {"p.exe"}, "", false},
      {{"extract", "-", "dir"}, true, "extract", {"-", "dir"}, "", false},
      {{"--help"}, true, "", {}, "", true},
      {{"-h"}, true, "", {}, "", true},
      {{"/?"}, true, "", {}, "", true},
      {{"sfx", "/?"}, true, "sfx", {}, "", true},
      {{"sfx", "out.exe", "-h", "a"}, true, "sfx", {"out.exe", "a"}, "", true},
      {{"sfx", "out.exe", "--", "-h"}, true, "sfx", {"out.exe", "-h"}, "", false},
      {{"--version"}, true, "", {}, "", false, true},
      {{"sfx", "out.exe", "--system", "linux", "--force", "a"}, true, "sfx", {"out.exe", "a"}, "", false},
      {{"list", "p.exe", "--force"}, false, "list", {"p.exe"}, "", false},
      {{"bogus"}, false, "bogus", {}, "", false},
      {{}, false, "", {}, "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.arguments));
    PackOptions options;
    std::string error;
    ASSERT_EQ(ParsePackOptions(c.arguments, &options, &error), c.ok) << error;
    EXPECT_EQ(options.command, c.command);
    if (!c.ok) {
      EXPECT_FALSE(error.empty());
      continue;
    }
    EXPECT_EQ(options.positional, c.positional);
    EXPECT_EQ(options.Get("compression"), c.compression);
    EXPECT_EQ(options.help, c.help);
    EXPECT_EQ(options.version, c.version);
  }
}

}  // namespace
}  // namespace mv::tools
