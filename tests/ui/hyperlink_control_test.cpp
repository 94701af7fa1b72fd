// The link control as its parent sees it: its text and the clicks it
// reports.
#ifdef _WIN32

#include "ui/hyperlink_control.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/ui_windows.h"

namespace mv::ui {
namespace {

constexpr int kLinkId = 1021;

class UiHyperlink : public testing::Test {
 protected:
  void SetUp() override {
    MV_REQUIRE_WINDOWS();
    RegisterHyperlinkClass();  // 0 when an earlier test registered it already
  }

  HWND CreateLink(const char* text) {
    HWND link = CreateWindowExA(0, kHyperlinkClassName, text, WS_CHILD | WS_VISIBLE, 0, 0, 300, 20,
                                parent_.window(), reinterpret_cast<HMENU>(kLinkId), ::GetModuleHandleA(nullptr),
                                nullptr);
    EXPECT_NE(link, nullptr);
    return link;
  }

  static std::string TextOf(HWND link, int size = 2000) {
    std::string buffer(static_cast<size_t>(size), '\0');
    const LRESULT n = SendMessageA(link, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer.data()));
    EXPECT_EQ(static_cast<size_t>(n), std::string(buffer.c_str()).size());
    return buffer.c_str();
  }

  test::CommandRecorder parent_;
};

// Creation text cut at 999 characters, replacement, clearing, and copies
// that never run past the caller's buffer.
TEST_F(UiHyperlink, TextIsCutReplacedAndCopiedWithinTheBuffer) {
  HWND link = CreateLink(std::string(1500, 'w').c_str());
  EXPECT_EQ(TextOf(link), std::string(999, 'w'));
  EXPECT_EQ(SendMessageA(link, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("abcdef")), 1);
  EXPECT_EQ(TextOf(link, 4), "abc");
  EXPECT_EQ(SendMessageA(link, WM_GETTEXT, 0, 0), 0);
  char buffer[8] = "zzzzzzz";
  EXPECT_EQ(SendMessageA(link, WM_GETTEXT, 0, reinterpret_cast<LPARAM>(buffer)), 0);
  EXPECT_STREQ(buffer, "zzzzzzz");
  EXPECT_EQ(SendMessageA(link, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("")), 1);
  EXPECT_EQ(GetPropA(link, "wndtxt"), nullptr);
  EXPECT_EQ(TextOf(link), "");
  DestroyWindow(link);
}

TEST_F(UiHyperlink, ReportsAClickOnceThePressedFlagIsSet) {
  HWND link = CreateLink("click me");
  // A release without an earlier press on the link is no click.
  SendMessageA(link, WM_LBUTTONUP, 0, 0);
  EXPECT_TRUE(parent_.commands().empty());

  SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  SendMessageA(link, WM_LBUTTONUP, 0, 0);
  ASSERT_EQ(parent_.commands().size(), 1u);
  EXPECT_EQ(parent_.commands()[0].first, MAKEWPARAM(kLinkId, BN_CLICKED));
  EXPECT_EQ(parent_.commands()[0].second, reinterpret_cast<LPARAM>(link));

  // The flag stays: a press elsewhere released over the link clicks too.
  SendMessageA(link, WM_LBUTTONUP, 0, 0);
  EXPECT_EQ(parent_.commands().size(), 2u);
  DestroyWindow(link);
}

}  // namespace
}  // namespace mv::ui

#endif  // _WIN32
