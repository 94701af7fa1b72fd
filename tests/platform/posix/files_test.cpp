// How the POSIX side maps the file-system seam, and its security
// properties: owner-only temporary files and folders, symbolic links never
// followed, names converted between Windows-1252 and UTF-8.
#ifndef _WIN32

#include "platform/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fs/file_operations.h"
#include "fs/folder_walk.h"
#include "fs/path.h"
#include "fs/temp_names.h"
#include "platform/codepage.h"
#include "stream/file_info.h"
#include "stream/tag_record.h"
#include "tests/fs/fs_test_files.h"
#include "tests/support/file_tree.h"
#include "tests/support/temp_folder.h"

namespace mv {
namespace {

namespace stdfs = std::filesystem;
using test::MakeTestFolder;
using test::ReadTestFile;
using test::S;
using test::WriteTestFile;

constexpr stdfs::perms kGroupOther = stdfs::perms::group_all | stdfs::perms::others_all;

stdfs::perms PermsOf(const std::string& path) { return stdfs::symlink_status(path).permissions(); }

TEST(PosixFilesTest, TempNamesAreOwnerOnlyAndNeverFollowALink) {
  test::TempFolder parent;
  String folder = MakeTempFolder(S(parent.path()), "QZDX_");
  ASSERT_FALSE(folder.IsEmpty());
  EXPECT_EQ(PermsOf(folder.c_str()) & (kGroupOther | stdfs::perms::owner_all), stdfs::perms::owner_all);
  platform::File file;
  String path;
  ASSERT_EQ(CreateUniqueFile(folder, "qzp_", "mef", &file, &path), kOk);
  EXPECT_EQ(PermsOf(path.c_str()), stdfs::perms::owner_read | stdfs::perms::owner_write);

  test::TempFolder links;
  test::TempFolder outside;
  // Every name a folder "t" + up to three digits can get, as links.
  for (int n = 0; n < 1000; ++n) {
    std::string digits = std::to_string(n);
    stdfs::create_directory_symlink(outside.path(), links.Join("t" + digits));
    if (n < 100) {
      stdfs::create_directory_symlink(outside.path(), links.Join("t" + std::string(3 - digits.size(), '0') + digits));
    }
  }
  String made;
  ASSERT_EQ(CreateTempFolder(S(links.path()), "t", &made), kOk) << "a longer name once the series is taken";
  EXPECT_FALSE(stdfs::is_symlink(StripTrailingSlash(made).c_str()));
  EXPECT_TRUE(stdfs::is_empty(outside.path()));
}

TEST(PosixFilesTest, WritesAndTreeDeletionNeverFollowALink) {
  test::TempFolder folder;
  test::TempFolder outside;
  std::string target = outside.Join("keep.txt");
  std::string link = folder.Join("tree/file_link");
  WriteTestFile(target, "keep");
  MakeTestFolder(folder.Join("tree/"));
  stdfs::create_symlink(target, link);
  stdfs::create_directory_symlink(outside.path(), folder.Join("tree/dir_link"));
  stdfs::create_symlink(folder.Join("nowhere.txt"), folder.Join("tree/dangling"));
  platform::File file;
  for (const char* mode : {"wb", "r+b"}) EXPECT_FALSE(file.Open(link.c_str(), mode)) << mode;
  EXPECT_FALSE(file.CreateNew(folder.Join("tree/dangling").c_str()));
  EXPECT_FALSE(stdfs::exists(folder.Join("nowhere.txt")));
  EXPECT_TRUE(file.Open(link.c_str(), "rb")) << "reading through a link is harmless";
  EXPECT_TRUE(file.Close());

  EXPECT_EQ(ClearFileInfo(S(link)), kOk);
  EXPECT_EQ(DeleteFolderTree(S(folder.Join("tree/"))), kOk);
  EXPECT_FALSE(stdfs::exists(folder.Join("tree")));
  EXPECT_EQ(ReadTestFile(target), "keep");
}

TEST(PosixFilesTest, ReadOnlyMapsToWriteBitsAndCreationTimeIsNeverFaked) {
  test::TempFolder folder;
  std::string file = folder.Join("f.txt");
  WriteTestFile(file, "x");
  ASSERT_TRUE(platform::WriteAttributes(file.c_str(), platform::kAttributeReadOnly));
  EXPECT_EQ(PermsOf(file) & (stdfs::perms::owner_write | stdfs::perms::group_write |
                             stdfs::perms::others_write),
            stdfs::perms::none);
  ASSERT_TRUE(platform::WriteAttributes(file.c_str(), platform::kAttributeHidden));
  EXPECT_EQ(platform::ReadAttributes(file.c_str()), platform::kAttributeHidden);
  stdfs::permissions(file, stdfs::perms::owner_read | stdfs::perms::group_write);
  EXPECT_EQ(platform::ReadAttributes(file.c_str()) & platform::kAttributeReadOnly, 0u)
      << "writable by someone is not read-only";

  stdfs::permissions(file, stdfs::perms::owner_read | stdfs::perms::owner_write);
  platform::FileTimes wanted;
  wanted.creation = 1;  // 1601, long before the file was made
  wanted.has_creation = true;
  ASSERT_TRUE(platform::WriteFileTimes(file.c_str(), wanted));
  platform::FileTimes got;
  ASSERT_TRUE(platform::ReadFileTimes(file.c_str(), &got));
  EXPECT_TRUE(!got.has_creation || got.creation > 1u);
}

// Whatever holds the new name stays as it was, and the renamed entry stays
// where it was: the kernel's no-replace rename, or its fall-backs where the
// kernel or the file system lacks it (test.sh runs this again with only
// Linux 3.2's system calls, and without hard links).
TEST(PosixFilesTest, RenameNeverReplaces) {
  test::TempFolder folder;
  const auto at = [&](const std::string& name) { return folder.Join(name); };
  WriteTestFile(at("file.txt"), "taken");
  MakeTestFolder(at("empty/"));
  MakeTestFolder(at("full/"));
  WriteTestFile(at("full/inside.txt"), "inside");
  stdfs::create_symlink(at("file.txt"), at("link"));
  stdfs::create_symlink(at("nowhere"), at("dangling"));
  WriteTestFile(at("source.txt"), "source");
  MakeTestFolder(at("source/"));
  const std::vector<std::string> before = test::ListNames(folder.path());
  for (const char* source : {"source.txt", "source"}) {
    for (const char* taken : {"file.txt", "empty", "full", "link", "dangling"}) {
      EXPECT_NE(platform::Rename(at(source).c_str(), at(taken).c_str()), platform::RenameResult::kOk)
          << source << " -> " << taken;
    }
  }
  EXPECT_EQ(test::ListNames(folder.path()), before) << "a name was lost or a placeholder left";
  EXPECT_EQ(ReadTestFile(at("file.txt")), "taken");
  EXPECT_TRUE(stdfs::is_empty(at("empty")));
  EXPECT_EQ(ReadTestFile(at("full/inside.txt")), "inside");
  EXPECT_EQ(stdfs::read_symlink(at("link")).string(), at("file.txt"));
  EXPECT_EQ(stdfs::read_symlink(at("dangling")).string(), at("nowhere"));
  EXPECT_EQ(ReadTestFile(at("source.txt")), "source");

  EXPECT_EQ(platform::Rename(at("source.txt").c_str(), at("moved.txt").c_str()), platform::RenameResult::kOk);
  EXPECT_EQ(platform::Rename(at("source").c_str(), at("moved").c_str()), platform::RenameResult::kOk);
  EXPECT_EQ(ReadTestFile(at("moved.txt")), "source");
  EXPECT_TRUE(stdfs::is_directory(at("moved")));
  EXPECT_FALSE(stdfs::exists(at("source.txt")) || stdfs::exists(at("source")));
}

Result CollectNames(const char*, const char* relative, const char* name, int, uintptr_t user1,
                    uintptr_t, uintptr_t) {
  reinterpret_cast<std::vector<std::string>*>(user1)->push_back(std::string(relative) + name);
  return kOk;
}

TEST(PosixFilesTest, NamesCrossAsWindows1252) {
  String out;
  ASSERT_TRUE(platform::ToSystemText("\x80", &out));  // the euro sign
  EXPECT_STREQ(out.c_str(), "\xE2\x82\xAC");
  ASSERT_TRUE(platform::FromSystemText("\xE2\x82\xAC", &out));
  EXPECT_STREQ(out.c_str(), "\x80");
  // The bytes without a letter stand for the control characters of their
  // number, as Windows maps them; other code points there have no form.
  ASSERT_TRUE(platform::ToSystemText("\x81\x8D\x8F\x90\x9D", &out));
  EXPECT_STREQ(out.c_str(), "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
  ASSERT_TRUE(platform::FromSystemText(out.c_str(), &out));
  EXPECT_STREQ(out.c_str(), "\x81\x8D\x8F\x90\x9D");
  for (const char* refused : {"\xC2\x80", "\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xC4\x81"}) {
    EXPECT_FALSE(platform::FromSystemText(refused, &out)) << "no Windows-1252 form, or no valid UTF-8";
    EXPECT_TRUE(out.IsEmpty());
  }

  test::TempFolder folder;
  // Written through the seam in Windows-1252, seen by the system in UTF-8.
  WriteTestFile(folder.Join("\xDC" "bersicht.txt"), "u");
  EXPECT_TRUE(stdfs::exists(folder.Join("\xC3\x9C" "bersicht.txt")));
  // Written by the system in UTF-8; one name has no Windows-1252 form.
  stdfs::create_directory(folder.Join("Gr\xC3\xB6\xC3\x9F" "e"));
  { std::ofstream(folder.Join("Gr\xC3\xB6\xC3\x9F" "e/a.txt")) << "a"; }
  { std::ofstream(folder.Join("\xC4\x81.txt")) << "x"; }
  std::vector<std::string> names;
  ASSERT_EQ(WalkFolder(S(folder.path()), "", &CollectNames, reinterpret_cast<uintptr_t>(&names), 0,
                       kWalkFilesOnly, 0),
            kOk);
  std::sort(names.begin(), names.end());
  std::vector<std::string> expected = {"Gr\xF6\xDF" "e/a.txt", "\xDC" "bersicht.txt"};
  EXPECT_EQ(names, expected);
  EXPECT_TRUE(platform::CreateFolder(folder.Join("\x81/").c_str(), platform::FolderAccess::kShared));
  EXPECT_TRUE(stdfs::is_directory(folder.Join("\xC2\x81")));
}

// A name without a code page form, for a message: as the terminal shows it,
// its control characters and stray bytes written out, and what it lacks.
TEST(SystemNames, ShownWithTheCharactersTheyLack) {
  const struct {
    const char* name;
    const char* shown;
    const char* lacking;
  } cases[] = {
      {"Gr\xC3\xBC\xC3\x9F" "e.txt", "Gr\xC3\xBC\xC3\x9F" "e.txt", ""},
      {"\xE6\x97\xA5\xE6\x9C\xAC.txt", "\xE6\x97\xA5\xE6\x9C\xAC.txt",
       "\xE6\x97\xA5 (U+65E5), \xE6\x9C\xAC (U+672C)"},
      {"\xC4\x81\xC4\x81", "\xC4\x81\xC4\x81", "\xC4\x81 (U+0101)"},
      {"bad\xE9name", "bad\\xE9name", "the byte \\xE9"},
      {"esc\x1B[31m", "esc\\x1B[31m", ""},
      {"csi\xC2\x9B" "1m", "csi\\xC2\\x9B1m", "U+009B"},
  };
  for (const auto& c : cases) {
    String shown;
    String lacking;
    platform::ShowSystemName(c.name, &shown, &lacking);
    EXPECT_STREQ(shown.c_str(), c.shown) << c.name;
    EXPECT_EQ(test::Text(lacking), c.lacking) << c.name;
  }
}

}  // namespace
}  // namespace mv

#endif  // _WIN32
