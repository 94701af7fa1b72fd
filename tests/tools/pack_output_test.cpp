#include "tools/pack_output.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "fs/disk_query.h"
#include "fs/path.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_env.h"
#include "tools/executable_image.h"

namespace mv::tools {
namespace {

TEST(PackOutput, RefusesAMissingFolderAFolderAndAnExistingFileUnlessReplacing) {
  test::TempFolder temp;
  ASSERT_TRUE(WriteWholeFile(temp.Join("there.exe"), Bytes{1, 2, 3}));
  std::filesystem::create_directory(temp.Join("folder.exe"));
  struct Case {
    std::string out;
    bool replace;
    Result expected;
    std::string cause;  // in the message
  } cases[] = {
      {temp.Join("new.exe"), false, kOk, ""},
      {temp.Join("there.exe"), true, kOk, ""},
      {temp.Join("there.exe"), false, kOutputExists, "(code 213)"},
      {temp.Join("nowhere/x.exe"), true, kFolderNotFound, "the folder '" + temp.Join("nowhere/") + "' does not exist"},
      {temp.Join("folder.exe"), true, kBadFolder, "it is a folder"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.out + (c.replace ? " (replace)" : ""));
    EXPECT_EQ(CheckOutput(String(c.out.c_str()), c.replace), c.expected);
    const std::string problem = OutputProblem(c.out, c.replace);
    if (c.expected == kOk) {
      EXPECT_EQ(problem, "");
    } else {
      EXPECT_EQ(problem.rfind("cannot write '" + c.out + "': ", 0), 0u) << problem;
      EXPECT_NE(problem.find(c.cause), std::string::npos) << problem;
    }
  }
}

TEST(PackOutput, FindsTheStubTheBuildPutsBesideThePacker) {
  // The tests are built beside the programs, as the packer is.
  EXPECT_TRUE(FileExists(StubBesideProgram(OwnSystem())));
  EXPECT_EQ(std::string(GetFileName(StubBesideProgram(OwnSystem())).c_str()), StubFileName(OwnSystem()));
  StubSystem system = OwnSystem();
  ASSERT_TRUE(ParseStubSystem("windows", &system));
  EXPECT_EQ(system, StubSystem::kWindows);
  ASSERT_TRUE(ParseStubSystem("linux", &system));
  EXPECT_EQ(system, StubSystem::kLinux);
  EXPECT_FALSE(ParseStubSystem("Windows", &system));
}

}  // namespace
}  // namespace mv::tools
