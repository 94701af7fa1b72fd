#include "app/entry.h"

#include <gtest/gtest.h>

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
      {nullptr, 1001}, {"", 1001}, {"decrypt", 1002}, {"x", 1002}, {"\"\"", 1002}, {"-pwd=a", 1002},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SelectMode(c.tail, &Interactive, &CommandLine), c.expected) << (c.tail ? c.tail : "(null)");
  }
}

// The stub as built has no package: both modes report 1 as the exit code.
TEST(ModeSelection, StubWithoutPayloadExitsWithOne) {
  const std::string stub = test::ProgramPath("morvalis-sfx");
  EXPECT_EQ(test::RunProgramAndWait(stub, {}), 1);
  EXPECT_EQ(test::RunProgramAndWait(stub, {"decrypt"}), 1);
  EXPECT_EQ(test::RunProgramAndWait(stub, {"unknown-command"}), 1);
}

}  // namespace
}  // namespace mv
