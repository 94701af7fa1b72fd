// The built stub itself: one self-contained executable whose payload section
// ends the image, as the packer needs it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "tests/support/test_env.h"
#include "tools/executable_image.h"

namespace mv {
namespace {

TEST(StubImage, SelfContainedWithThePayloadSectionLastAndAsBuilt) {
  tools::Bytes image;
  ASSERT_TRUE(tools::ReadWholeFile(test::ProgramPath("morvalis-sfx"), &image));
  tools::ImageInfo info = tools::DescribeImage(image);
  ASSERT_TRUE(info.error.empty()) << info.error;
#ifdef _WIN32
  EXPECT_EQ(info.kind, tools::ImageKind::kPe);
  EXPECT_TRUE(info.gui_subsystem);
  EXPECT_FALSE(info.has_symbol_table);
  // Only system libraries: the program runs without anything beside it.
  const char* system_dlls[] = {"kernel32.dll", "user32.dll",  "gdi32.dll",   "advapi32.dll", "shell32.dll",
                               "ole32.dll",    "comdlg32.dll", "comctl32.dll", "msvcrt.dll",   "ws2_32.dll",
                               "bcrypt.dll",   "shlwapi.dll"};
  ASSERT_FALSE(info.imported_dlls.empty());
  for (std::string dll : info.imported_dlls) {
    std::transform(dll.begin(), dll.end(), dll.begin(), [](unsigned char c) { return std::tolower(c); });
    EXPECT_TRUE(std::find(std::begin(system_dlls), std::end(system_dlls), dll) != std::end(system_dlls))
        << dll << " is not a system library";
  }
#else
  EXPECT_EQ(info.kind, tools::ImageKind::kElf);
#endif
  EXPECT_TRUE(info.payload_is_last);
  tools::Bytes section;
  std::string error;
  ASSERT_TRUE(tools::ReadPayloadSection(image, &section, &error)) << error;
  ASSERT_EQ(section.size(), 4096u);
  EXPECT_EQ(section[0], 1);
  EXPECT_TRUE(std::all_of(section.begin() + 1, section.end(), [](uint8_t b) { return b == 0; }));
}

}  // namespace
}  // namespace mv
