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

  HWND CreateLink(const std::wstring& text) {
    HWND link = CreateWindowExW(0, kHyperlinkClassName, text.c_str(), WS_CHILD | WS_VISIBLE, 0, 0, 300, 20,
                                parent_.window(), reinterpret_cast<HMENU>(kLinkId), ::GetModuleHandleW(nullptr),
                                nullptr);
    EXPECT_NE(link, nullptr);
    return link;
  }

  static std::wstring TextOf(HWND link, int size = 2000) {
    std::wstring buffer(static_cast<size_t>(size), L'\0');
    const LRESULT n = SendMessageW(link, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer.data()));
    EXPECT_EQ(static_cast<size_t>(n), std::wstring(buffer.c_str()).size());
    return buffer.c_str();
  }

  test::CommandRecorder parent_;
};

// Creation text cut at 999 characters, replacement, clearing, and copies
// that never run past the caller's buffer.
TEST_F(UiHyperlink, TextIsCutReplacedAndCopiedWithinTheBuffer) {
  HWND link = CreateLink(std::wstring(1500, L'w'));
  EXPECT_EQ(TextOf(link), std::wstring(999, L'w'));
  EXPECT_EQ(SendMessageW(link, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"abcdef")), 1);
  EXPECT_EQ(TextOf(link, 4), L"abc");
  EXPECT_EQ(SendMessageW(link, WM_GETTEXT, 0, 0), 0);
  wchar_t buffer[8] = L"zzzzzzz";
  EXPECT_EQ(SendMessageW(link, WM_GETTEXT, 0, reinterpret_cast<LPARAM>(buffer)), 0);
  EXPECT_STREQ(buffer, L"zzzzzzz");
  // Every character is kept as it is, whatever the system's code page.
  EXPECT_EQ(SendMessageW(link, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"www.\u00FCbersicht.example/\u20AC")), 1);
  EXPECT_EQ(TextOf(link), L"www.\u00FCbersicht.example/\u20AC");
  EXPECT_EQ(SendMessageW(link, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"")), 1);
  EXPECT_EQ(GetPropW(link, L"wndtxt"), nullptr);
  EXPECT_EQ(TextOf(link), L"");
  DestroyWindow(link);
}

TEST_F(UiHyperlink, ReportsAClickOnceThePressedFlagIsSet) {
  HWND link = CreateLink(L"click me");
  // A release without an earlier press on the link is no click.
  SendMessageW(link, WM_LBUTTONUP, 0, 0);
  EXPECT_TRUE(parent_.commands().empty());

  SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  SendMessageW(link, WM_LBUTTONUP, 0, 0);
  ASSERT_EQ(parent_.commands().size(), 1u);
  EXPECT_EQ(parent_.commands()[0].first, MAKEWPARAM(kLinkId, BN_CLICKED));
  EXPECT_EQ(parent_.commands()[0].second, reinterpret_cast<LPARAM>(link));

  // The flag stays: a press elsewhere released over the link clicks too.
  SendMessageW(link, WM_LBUTTONUP, 0, 0);
  EXPECT_EQ(parent_.commands().size(), 2u);
  DestroyWindow(link);
}

}  // namespace
}  // namespace mv::ui

#endif  // _WIN32
