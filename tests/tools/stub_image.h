// The built stub's image and a byte pattern to grow it with, for the tests
// of the packer's image handling.
#pragma once

#include <cstddef>
#include <cstdint>

#include <gtest/gtest.h>

#include "tests/support/test_env.h"
#include "tools/executable_image.h"

namespace mv::tools::test_stub {

inline Bytes LoadStub() {
  Bytes image;
  EXPECT_TRUE(ReadWholeFile(test::ProgramPath("morvalis-sfx"), &image));
  return image;
}

inline Bytes Pattern(size_t size) {
  Bytes b(size);
  for (size_t i = 0; i < size; ++i) b[i] = static_cast<uint8_t>(i * 7 + (i >> 9));
  return b;
}

}  // namespace mv::tools::test_stub
