// The packer's commands run for a window: messages and progress reach the
// reporter, and a cancel leaves nothing behind.
#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

#include "tests/support/file_tree.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_env.h"
#include "tools/executable_image.h"
#include "tools/pack_commands.h"
#include "tools/pack_console.h"
#include "tools/pack_options.h"

namespace mv::tools {
namespace {

class RecordingReporter : public PackReporter {
 public:
  explicit RecordingReporter(int cancel_at) : cancel_at_(cancel_at) {}
  void Message(const std::string& text, bool, bool error) override { (error ? errors : output) += text; }
  Result Progress(int percent) override {
    percents.push_back(percent);
    return cancel_at_ >= 0 && static_cast<int>(percents.size()) > cancel_at_ ? kCancelled : kOk;
  }
  std::string output;
  std::string errors;
  std::vector<int> percents;

 private:
  int cancel_at_;
};

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names = test::ListNames(folder);
  std::sort(names.begin(), names.end());
  return names;
}

int RunCommand(const std::vector<std::string>& arguments, const Password& password, PackReporter* reporter) {
  PackOptions options;
  std::string error;
  EXPECT_TRUE(ParsePackOptions(arguments, &options, &error)) << error;
  options.given_password = &password;
  SetPackReporter(reporter);
  const int code = RunPackCommand(options);
  SetPackReporter(nullptr);
  return code;
}

TEST(PackReporter, TakesTheMessagesAndTheProgressToTheEnd) {
  test::TempFolder temp;
  ASSERT_TRUE(WriteWholeFile(temp.Join("a.txt"), Bytes(200000, 'a')));
  const Password password("Kennwort 7");
  for (const std::string command : {"create", "sfx"}) {
    SCOPED_TRACE(command);
    RecordingReporter reporter(-1);
    const std::string out = temp.Join(command + ".out");
    std::vector<std::string> arguments = {command, out, "--compression", "2", temp.Join("a.txt")};
    if (command == "sfx") arguments.insert(arguments.end(), {"--stub", test::ProgramPath("morvalis-sfx")});
    ASSERT_EQ(RunCommand(arguments, password, &reporter), kExitOk) << reporter.errors;
    EXPECT_EQ(reporter.output.rfind("Wrote " + out, 0), 0u) << reporter.output;
    EXPECT_EQ(reporter.errors, "");
    ASSERT_FALSE(reporter.percents.empty());
    EXPECT_EQ(reporter.percents.back(), 100);
  }
  // The package opens with the password given in memory.
  RecordingReporter reporter(-1);
  EXPECT_EQ(RunCommand({"test", temp.Join("sfx.out")}, password, &reporter), kExitOk) << reporter.errors;
}

TEST(PackReporter, ACancelLeavesNothingBehind) {
  test::TempFolder temp;
  ASSERT_TRUE(WriteWholeFile(temp.Join("a.txt"), Bytes(3 << 20, 'a')));
  for (const std::string command : {"create", "sfx"}) {
    SCOPED_TRACE(command);
    RecordingReporter reporter(2);
    std::vector<std::string> arguments = {command, temp.Join("out"), "--compression", "0", temp.Join("a.txt")};
    if (command == "sfx") arguments.insert(arguments.end(), {"--stub", test::ProgramPath("morvalis-sfx")});
    EXPECT_EQ(RunCommand(arguments, Password("x"), &reporter), kExitFailure);
    EXPECT_NE(reporter.errors.find("cancelled"), std::string::npos) << reporter.errors;
    EXPECT_EQ(Names(temp.path()), std::vector<std::string>{"a.txt"});
  }
}

}  // namespace
}  // namespace mv::tools
