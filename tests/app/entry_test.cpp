#include "app/entry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/process.h"
#include "tests/support/test_env.h"

namespace mv {
namespace {

int Interactive() { return 1001; }
int CommandLine() { return 1002; }

TEST(ModeSelection, OnlyAnEmptyTailIsInteractive) {
  struct Case {
    const char* tail;
    int expected;
  } cases[] = {
      {nullptr, 1001}, {"", 1001}, {"decrypt", 1002}, {"\"\"", 1002},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SelectMode(c.tail, &Interactive, &CommandLine), c.expected) << (c.tail ? c.tail : "(null)");
  }
}

// The stub as built has no package: the interactive mode and a decrypt
// report 1; the command line is parsed before the package is looked at.
// (On Windows the interactive mode and the debug switch report through
// message boxes, which the dialog tests drive; here nothing may wait for a
// user.)
TEST(ModeSelection, StubWithoutPayload) {
  const std::string stub = test::ProgramPath("morvalis-sfx");
  struct Case {
    std::vector<std::string> arguments;
    int exit_code;
  } cases[] = {
#ifndef _WIN32
      {{}, 1},
      {{"decrypt", "/debug"}, 1},
#endif
      {{"DECRYPT", "-pwd=x"}, 1},
      {{"unknown-command"}, 32},
      {{"-debug", "decrypt"}, 30},
      {{"decrypt", "-PWD=x"}, 32},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(test::RunProgramAndWait(stub, c.arguments), c.exit_code) << testing::PrintToString(c.arguments);
  }
}

}  // namespace
}  // namespace mv
