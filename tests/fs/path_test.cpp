// The rules of the internal path form, one table row per tricky case.
#include "fs/path.h"

#include <gtest/gtest.h>

namespace mv {
namespace {

using Builder = String (*)(const String&);

struct BuilderCase {
  const char* function;
  Builder builder;
  const char* input;
  const char* expected;
};

// The same pure function names in both columns keep the table readable.
#define B(fn) #fn, &fn

const BuilderCase kBuilderCases[] = {
    {B(ToInternalPath), "D:\\x\\\\a.txt", "D:/x//a.txt"},  // no collapsing
    {B(ToNativePath), "D:/x/./a", "D:\\x\\.\\a"},
    {B(StripTrailingSlash), "D:/", "D:/"},
    {B(StripTrailingSlash), "D:\\x\\", "D:/x"},
    {B(StripTrailingSlash), "ab/", "ab"},  // three characters, but no drive
    {B(AddTrailingSlash), "D:", "D:/"},
    {B(GetFileName), "D:\\x\\a.txt", "a.txt"},  // converted first
    {B(GetFileTitle), "x.d/readme", "readme"},
    {B(GetFileExtension), "dir.old/readme", "old/readme"},
    {B(GetFileExtension), "A.TXT", "TXT"},  // no case folding anywhere
    {B(GetFolderPart), "D:/a.txt", "D:/"},
    {B(GetFolderPart), "D:\\x\\a.txt", ""},  // searched as given
    {B(GetDriveSpec), "a:b:c", "a:"},
    {B(GetParentFolder), "D:/", ""},
    {B(GetParentFolder), "D:\\x\\", ""},
};

TEST(PathTest, BuildersFollowTheRules) {
  for (const BuilderCase& c : kBuilderCases) {
    String out = c.builder(c.input);
    ASSERT_NE(out.c_str(), nullptr) << c.function << "(\"" << c.input << "\") gave no text";
    EXPECT_STREQ(out.c_str(), c.expected) << c.function << "(\"" << c.input << "\")";
    String none = c.builder(String());
    ASSERT_NE(none.c_str(), nullptr) << c.function << " of no text";
    EXPECT_STREQ(none.c_str(), "") << c.function << " of no text";
  }
}

struct PredicateCase {
  const char* input;
  bool valid;
  bool file;
  bool folder;
  bool drive;
};

const PredicateCase kPredicateCases[] = {
    // input          valid  file   folder drive
    {"", false, false, false, false},
    {"D:", true, false, false, true},
    {"D:/", true, false, true, false},
    {":", true, false, false, false},  // too short for a drive
    {"a:b:", true, false, false, true},
    {"D:\\x\\a.txt", false, false, false, false},
    {"x/*/", false, false, false, false},
    {"/", true, false, true, false},
    {"\xDC" "bersicht.txt", true, true, false, false},  // bytes above 127 are plain
};

TEST(PathTest, PredicatesFollowTheRules) {
  for (const PredicateCase& c : kPredicateCases) {
    EXPECT_EQ(IsValidPath(c.input), c.valid) << "IsValidPath(\"" << c.input << "\")";
    EXPECT_EQ(IsFilePath(c.input), c.file) << "IsFilePath(\"" << c.input << "\")";
    EXPECT_EQ(IsFolderPath(c.input), c.folder) << "IsFolderPath(\"" << c.input << "\")";
    EXPECT_EQ(IsDriveSpec(c.input), c.drive) << "IsDriveSpec(\"" << c.input << "\")";
  }
}

}  // namespace
}  // namespace mv
