#include "archive/entry_path.h"

#include <gtest/gtest.h>

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
    {"high-bit Windows-1252 name", "\xDC" "bersicht/", "\xDC" "bersicht.txt", false, kOk},
    {"name beginning with dots", "", "..hidden", false, kOk},
    {"folder without separator joins the name", "docs", "a.txt", false, kOk},
    {"parent in the name", "", "..", false, kUnsafeEntryPath},
    {"parent below a folder", "sub/../../", "x", false, kUnsafeEntryPath},
    {"folder and name joining to a parent", "sub/.", ".", false, kUnsafeEntryPath},
    {"absolute folder", "/etc/", "passwd", false, kUnsafeEntryPath},
    {"drive letter in the folder", "C:/", "x", false, kUnsafeEntryPath},
    {"alternate data stream", "", "a.txt:hidden", false, kUnsafeEntryPath},
    {"backslash in the folder", "a\\b/", "x", false, kUnsafeEntryPath},
    {"name holding a separator", "sub/", "deeper/x", false, kUnsafeEntryPath},
    {"empty component", "a//b/", "x", false, kUnsafeEntryPath},
    {"control character", "", "a\x01" "b", false, kUnsafeEntryPath},
    {"trailing dot Windows would drop", "", "x.", false, kUnsafeEntryPath},
    {"wildcard", "", "a*b", false, kUnsafeEntryPath},
    {"device name with extension in any case", "", "aux.txt", false, kUnsafeEntryPath},
    {"device split across folder and name", "CO", "N", false, kUnsafeEntryPath},
    {"name merely starting like a device", "", "CONSOLE.txt", false, kOk},
    {"file without a name", "sub/", "", false, kUnsafeEntryPath},
};

TEST(EntryPathTest, AcceptsOnlyPlainRelativeNames) {
  for (const PathCase& c : kCases) {
    EXPECT_EQ(CheckEntryPath(c.folder, c.name, c.is_folder), c.expected) << c.what;
  }
}

}  // namespace
}  // namespace mv
