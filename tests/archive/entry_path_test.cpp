#include "archive/entry_path.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace mv {
namespace {

struct PathCase {
  const char* what;
  const char* folder;
  const char* name;
  bool is_folder;
  Result expected;
};

const PathCase kCases[] = {
    {"plain file at the top", "", "a.txt", false, kOk},
    {"folder as the walk reports it", "docs/sub/", "", true, kOk},
    {"folder given by name", "docs/", "sub", true, kOk},
    {"folder whose name carries the separator", "top/", "sub/", true, kOk},
    {"file whose name carries its folder", "sub/", "deeper/x", false, kOk},
    {"the base folder itself", "", "", true, kOk},
    {"high-bit Windows-1252 name", "\xDC" "bersicht/", "\xDC" "bersicht.txt", false, kOk},
    {"bytes Windows maps to control characters", "", "\x81\x8D\x8F\x90\x9D.txt", false, kOk},
    {"name beginning with dots", "", "..hidden", false, kOk},
    {"folder without separator joins the name", "docs", "a.txt", false, kOk},
    {"name merely starting like a device", "", "CONSOLE.txt", false, kOk},
    {"device name with a digit zero", "", "COM0", false, kOk},
    {"trailing dot", "", "x.", false, kUnsafeEntryPath},
    {"trailing blank", "dir /", "x", false, kUnsafeEntryPath},
    {"wildcard", "", "a*b", false, kUnsafeEntryPath},
    {"pipe in a folder name", "docs/no|es/", "", true, kUnsafeEntryPath},
    {"parent in the name", "", "..", false, kUnsafeEntryPath},
    {"parent below a folder", "sub/../../", "x", false, kUnsafeEntryPath},
    {"folder and name joining to a parent", "sub/.", ".", false, kUnsafeEntryPath},
    {"current folder as a folder entry", "./", "", true, kUnsafeEntryPath},
    {"absolute folder", "/etc/", "passwd", false, kUnsafeEntryPath},
    {"absolute name", "", "/x", false, kUnsafeEntryPath},
    {"drive letter in the folder", "C:/", "x", false, kUnsafeEntryPath},
    {"alternate data stream", "", "a.txt:hidden", false, kUnsafeEntryPath},
    {"backslash in the folder", "a\\b/", "x", false, kUnsafeEntryPath},
    {"empty component", "a//b/", "x", false, kUnsafeEntryPath},
    {"two separators ending a folder", "a//", "", true, kUnsafeEntryPath},
    {"control character", "", "a\x01" "b", false, kUnsafeEntryPath},
    {"device name with extension in any case", "", "aux.txt", false, kUnsafeEntryPath},
    {"device split across folder and name", "CO", "N", false, kUnsafeEntryPath},
    {"device with blanks before the extension", "", "COM1 .log", false, kUnsafeEntryPath},
    {"null device with a blank", "logs/", "NUL .txt", false, kUnsafeEntryPath},
    {"device with a superscript digit", "", "COM\xB9", false, kUnsafeEntryPath},
    {"printer with a superscript two", "", "lpt\xB2.txt", false, kUnsafeEntryPath},
    {"console input device", "", "CONIN$", false, kUnsafeEntryPath},
    {"device as a folder", "prn/", "x", false, kUnsafeEntryPath},
    {"file without a name", "sub/", "", false, kUnsafeEntryPath},
    {"null texts as a file", nullptr, nullptr, false, kUnsafeEntryPath},
};

TEST(EntryPathTest, JudgesTheResolvedPathWhereverItIsSplit) {
  for (const PathCase& c : kCases) {
    EXPECT_EQ(CheckEntryPath(c.folder, c.name, c.is_folder), c.expected) << c.what;
  }
}

TEST(EntryPathTest, LengthAndDepthAreBounded) {
  // The longest path, of names a file system holds.
  std::string longest;
  while (longest.size() < kMaxEntryPathBytes) {
    if (!longest.empty()) longest += '/';
    longest += std::string(std::min<size_t>(200, kMaxEntryPathBytes - longest.size()), 'a');
  }
  ASSERT_EQ(longest.size(), kMaxEntryPathBytes);
  EXPECT_EQ(CheckEntryPath("", longest.c_str(), false), kOk);
  EXPECT_EQ(CheckEntryPath("a", longest.c_str(), false), kPathTooLong) << "one byte more, split";
  // One name's limit: 255 bytes of the system's text.
  EXPECT_EQ(CheckEntryPath("", std::string(255, 'n').c_str(), false), kOk);
  EXPECT_EQ(CheckEntryPath("", std::string(256, 'n').c_str(), false), kPathTooLong);
  EXPECT_EQ(CheckEntryPath((std::string(256, 'f') + "/").c_str(), "x", false), kPathTooLong) << "a folder's name";
  // 128 letters with accents are 256 bytes of UTF-8: too long on Linux only.
  const std::string accents(128, '\xE4');
#ifdef _WIN32
  EXPECT_EQ(CheckEntryPath("", accents.c_str(), false), kOk);
#else
  EXPECT_EQ(CheckEntryPath("", accents.c_str(), false), kPathTooLong);
#endif
  std::string deepest;
  for (uint32_t i = 0; i < kMaxEntryPathDepth; ++i) deepest += "d/";
  EXPECT_EQ(CheckEntryPath(deepest.c_str(), "", true), kOk);
  EXPECT_EQ(CheckEntryPath(deepest.c_str(), "x", false), kPathTooLong) << "one level more";
}

}  // namespace
}  // namespace mv
