// The texts the dialogs build: the display form of a message, the save
// dialog's filter block and the disclaimer's read rule (the attachment row
// and the proposed folder, shared with the terminal, are tested in tests/app).
#ifdef _WIN32

#include <gtest/gtest.h>

#include <string>

#include "ui/dialog_helpers.h"
#include "ui/dialog_support.h"
#include "ui/disclaimer_dialog.h"

namespace mv::ui {
namespace {

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

TEST(UiDialogText, FilterBlockEndsEveryTextAndTheList) {
  StringArray filters;
  EXPECT_EQ(FilterBlock(filters), std::vector<wchar_t>({L'\0'}));
  filters.Add(String("Text (*.txt)"));
  filters.Add(String("Textdateien (*.txt) \x80"));  // the euro sign, by the program's own table
  filters.Add(String("*.txt"));
  const std::wstring nul(1, L'\0');
  const std::wstring expected = L"Text (*.txt)" + nul + L"Textdateien (*.txt) \u20AC" + nul + L"*.txt" + nul + nul;
  const std::vector<wchar_t> block = FilterBlock(filters);
  EXPECT_EQ(std::wstring(block.begin(), block.end()), expected);
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
