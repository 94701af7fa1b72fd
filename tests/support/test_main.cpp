// Entry of the test binary: the same tests run natively and under Wine.
#include <gtest/gtest.h>

#include "tests/support/test_env.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  mv::test::InitTestEnvironment(argc > 0 ? argv[0] : "");
  return RUN_ALL_TESTS();
}
