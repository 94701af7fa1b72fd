// The texts the dialogs build: the display form of a message, the
// attachment row, the proposed folder name, the save dialog's filter block
// and the disclaimer's read rule.
#ifdef _WIN32

#include <gtest/gtest.h>

#include <string>

#include "base/system_helpers.h"
#include "fs/folder_walk.h"
#include "fs/path.h"
#include "tests/support/file_tree.h"
#include "tests/support/temp_folder.h"
#include "ui/dialog_helpers.h"
#include "ui/dialog_support.h"
#include "ui/disclaimer_dialog.h"
#include "ui/folder_dialog.h"
#include "ui/message_view.h"

namespace mv::ui {
namespace {

bool UsesGerman() { return LoadResString(18) == "Bitte warten..."; }

TEST(UiDialogText, DisplayFormEndsEveryLineWithCarriageReturnAndLineFeed) {
  struct Case {
    const char* text;
    const char* shown;
  } cases[] = {
      {"", ""},
      {"one line", "one line"},
      {"a\nb", "a\r\nb"},
      {"a\n\nb\n", "a\r\n\r\nb\r\n"},
      {"\n", "\r\n"},
      {"windows\r\nline", "windows\r\r\nline"},  // a CR before the LF stays
      {"lone\rreturn", "lone\rreturn"},
  };
  for (const Case& c : cases) EXPECT_STREQ(DisplayForm(String(c.text)).c_str(), c.shown) << c.text;
  EXPECT_STREQ(DisplayForm(String()).c_str(), "");
}

TEST(UiDialogText, DisplayFormOfALongMessage) {
  std::string text;
  std::string shown;
  for (int i = 0; i < 20000; ++i) {
    text += "line " + std::to_string(i) + "\n";
    shown += "line " + std::to_string(i) + "\r\n";
  }
  EXPECT_EQ(std::string(DisplayForm(String(text.c_str())).c_str()), shown);
}

TEST(UiDialogText, AttachmentLineNamesTheFilesInListingOrder) {
  test::TempFolder folder;
  test::MakeTree(folder.path(), {{"a.txt", "a"}, {"sub/", ""}, {"sub/b.txt", "b"}, {"empty/", ""}});
  StringArray entries;
  ASSERT_EQ(ListFolder(String(folder.path().c_str()), &entries), kOk);
  // Whatever order the system lists them in, the line follows it.
  std::string expected;
  for (int32_t i = 0; i < entries.GetCount(); ++i) {
    const std::string entry = entries[i].c_str();
    if (entry.back() == '/') continue;
    if (!expected.empty()) expected += "; ";
    expected += entry.substr(entry.find_last_of('/') + 1);
  }
  EXPECT_EQ(std::string(AttachmentLine(entries).c_str()), expected);
  EXPECT_TRUE(expected == "a.txt; b.txt" || expected == "b.txt; a.txt") << expected;
}

TEST(UiDialogText, AttachmentLineOfFoldersOnlyIsEmpty) {
  test::TempFolder folder;
  test::MakeTree(folder.path(), {{"x/", ""}, {"x/y/", ""}});
  StringArray entries;
  ASSERT_EQ(ListFolder(String(folder.path().c_str()), &entries), kOk);
  EXPECT_EQ(entries.GetCount(), 2);
  EXPECT_STREQ(AttachmentLine(entries).c_str(), "");
  EXPECT_STREQ(AttachmentLine(StringArray()).c_str(), "");
}

TEST(UiDialogText, ProposedFolderName) {
  const std::string program_title = GetFileTitle(GetProgramFileName()).c_str();
  const bool german = UsesGerman();
  const std::string more = german ? " und 2 weitere Datei(en)" : " and 2 more file(s)";
  const std::string one_more = german ? " und 1 weitere Datei(en)" : " and 1 more file(s)";
  struct Case {
    std::vector<const char*> names;
    std::string proposed;
  } cases[] = {
      {{}, program_title},
      {{"report.doc"}, "report.doc"},
      {{"b.doc", "A.txt", "c.pdf"}, "A.txt" + more},
      {{"b.doc", "a.txt"}, "a.txt" + one_more},
      {{"_x", "Z"}, "_x" + one_more},  // '_' sorts before letters without case
  };
  for (const Case& c : cases) {
    StringArray names;
    for (const char* name : c.names) names.Add(String(name));
    EXPECT_EQ(std::string(ProposedFolderName(&names).c_str()), c.proposed) << c.proposed;
  }
  EXPECT_EQ(std::string(ProposedFolderName(nullptr).c_str()), program_title);
}

TEST(UiDialogText, DefaultTargetFolderLiesBesideTheProgram) {
  StringArray names;
  names.Add(String("only-in-this-test.txt"));
  const String proposed = DefaultTargetFolder(&names);
  EXPECT_EQ(std::string(proposed.c_str()),
            std::string(GetProgramFolder().c_str()) + "only-in-this-test.txt/");
}

TEST(UiDialogText, FilterBlockEndsEveryTextAndTheList) {
  StringArray filters;
  EXPECT_EQ(FilterBlock(filters), std::vector<char>({'\0'}));
  filters.Add(String("Text (*.txt)"));
  filters.Add(String("*.txt"));
  const std::string expected("Text (*.txt)\0*.txt\0\0", 20);
  const std::vector<char> block = FilterBlock(filters);
  EXPECT_EQ(std::string(block.begin(), block.end()), expected);
}

TEST(UiDialogText, DisclaimerCountsAsReadWithinFifteenLinesOfTheEnd) {
  struct Case {
    int position;
    int maximum;
    bool read;
  } cases[] = {
      {0, 0, true},   {0, 15, true},   {0, 16, false}, {84, 99, true},
      {83, 99, false}, {99, 99, true}, {90, 99, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsScrolledToEnd(c.position, c.maximum), c.read) << c.position << "/" << c.maximum;
  }
}

}  // namespace
}  // namespace mv::ui

#endif  // _WIN32
