#include "fs/system_helpers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/temp_folder.h"
#include "tests/support/test_env.h"

namespace mv {
namespace {

TEST(SystemHelpers, VersionCodes) {
  struct Case {
    OsVersionRecord version;
    uint32_t code;
  } cases[] = {
      {{1, 4, 0, " C"}, 0x10033}, {{1, 4, 0, ""}, 0x10032},    {{1, 4, 10, " A"}, 0x10051},
      {{1, 4, 90, ""}, 0x1005A},  {{1, 4, 3, ""}, 0},          {{2, 3, 51, ""}, 0x20003},
      {{2, 5, 1, ""}, 0x207D1},   {{2, 5, 2, ""}, 0},          {{3, 4, 0, ""}, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(OsVersionCode(c.version), c.code)
        << c.version.platform_id << " " << c.version.major << "." << c.version.minor;
  }
  EXPECT_FALSE(IsWindowsNT4());
}

TEST(SystemHelpers, LinksWithoutAColonOpenAsWebAddresses) {
  struct Case {
    const char* text;
    const char* opened;
  } cases[] = {
      {"www.example.org/x", "http://www.example.org/x"},
      {"https://example.org", "https://example.org"},
      {"mailto:someone@example.org", "mailto:someone@example.org"},
      {"C:/docs/readme.txt", "C:/docs/readme.txt"},
      {"example.org/a?b=c:d", "example.org/a?b=c:d"},
      {"", "http://"},
  };
  for (const Case& c : cases) EXPECT_STREQ(UrlForLink(c.text).c_str(), c.opened) << c.text;
}

TEST(SystemHelpers, RunProgramReportsExitCodesAndMissingPrograms) {
  uint32_t code = 12345;
  EXPECT_EQ(RunProgram((test::BuildFolder() + "no-such-program").c_str(), "", true, true, &code), kProgramNotFound);
  EXPECT_EQ(code, 12345u);  // untouched: the platform was never asked
  // The stub without a package exits with 1 in either mode.
  ASSERT_EQ(RunProgram(test::ProgramPath("morvalis-sfx").c_str(), "decrypt", true, true, &code), kOk);
  EXPECT_EQ(code, 1u);
  EXPECT_EQ(OpenFolderInExplorer((test::BuildFolder() + "no-such-folder/").c_str()), kFolderNotFound);
}

// A program in a path with blanks is started as named, never a program at
// the part before a blank: the stub lies at "a b/morvalis sfx(.exe)"
// (exit 1 for "decrypt" without a package) and at "a b/morvalis(.exe)",
// where it would be given "sfx.exe decrypt" (exit 32, an unknown option).
TEST(SystemHelpers, RunProgramStartsTheNamedProgramAlsoWithBlanksInItsPath) {
  test::TempFolder temp;
  const std::string folder = temp.path() + "a b/";
  std::filesystem::create_directories(folder);
  const std::string suffix = test::ProgramPath("").substr(test::BuildFolder().size());  // ".exe" or ""
  std::filesystem::copy_file(test::ProgramPath("morvalis-sfx"), folder + "morvalis" + suffix);
  std::filesystem::copy_file(test::ProgramPath("morvalis-sfx"), folder + "morvalis sfx" + suffix);
  uint32_t code = 12345;
  ASSERT_EQ(RunProgram((folder + "morvalis sfx" + suffix).c_str(), "decrypt", true, true, &code), kOk);
  EXPECT_EQ(code, 1u);
}

}  // namespace
}  // namespace mv
