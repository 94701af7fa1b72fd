// The lines of a package listing: the times of the last change as calendar
// dates, and the columns of files and folders.
#include "app/entry_listing.h"
#include "fs/path.h"

#include <gtest/gtest.h>

#include <string>

namespace mv {
namespace {

TEST(EntryListing, FileTimesAsCalendarDates) {
  constexpr uint64_t kSecond = 10000000;
  constexpr uint64_t kUnixEpoch = 116444736000000000;
  struct Case {
    uint64_t file_time;
    const char* text;
  } cases[] = {
      {kUnixEpoch, "1970-01-01 00:00:00"},
      {0, "1601-01-01 00:00:00"},
      {kUnixEpoch + 1706933106 * kSecond, "2024-02-03 04:05:06"},
      {kUnixEpoch + 951782400 * kSecond, "2000-02-29 00:00:00"},
      {kUnixEpoch + 4102444799 * kSecond + 9999999, "2099-12-31 23:59:59"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatFileTime(c.file_time), c.text);
}

TEST(EntryListing, FilesAndFoldersInColumns) {
  ListedEntry file;
  file.path = "docs/B.txt";
  file.size = 312;
  file.time = 116444736000000000;
  ListedEntry folder;
  folder.folder = true;
  folder.path = "docs/";
  // The path column is what a person reads on this system: backslashes on Windows.
  const String file_path = ToDisplayPath("docs/B.txt");
  const String folder_path = ToDisplayPath("docs/");
  EXPECT_EQ(FormatEntryLine(file), "file            312  1970-01-01 00:00:00  " + file_path);
  EXPECT_EQ(FormatEntryLine(folder), "folder            -  -                    " + folder_path);
  file.time = 0;
  EXPECT_EQ(FormatEntryLine(file), "file            312  -                    " + file_path);
}

}  // namespace
}  // namespace mv
