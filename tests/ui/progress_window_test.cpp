// The progress window from the decrypting thread's side: what it shows, and
// how a cancel request comes back as the result of position reports.
#ifdef _WIN32

#include "ui/progress_window.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <string>

#include "base/progress.h"
#include "tests/support/ui_windows.h"
#include "ui/resource_ids.h"

namespace mv::ui {
namespace {

std::string StatusText(HWND window) {
  char text[256] = {};
  GetDlgItemTextA(window, IDC_PROGRESS_TEXT, text, sizeof text);
  return text;
}

int BarPosition(HWND window) {
  return static_cast<int>(SendDlgItemMessageA(window, IDC_PROGRESS_BAR, PBM_GETPOS, 0, 0));
}

class UiProgressWindow : public testing::Test {
 protected:
  void SetUp() override {
    MV_REQUIRE_WINDOWS();
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
  }
  ProgressWindowSettings settings_;
};

TEST_F(UiProgressWindow, CancelAnswersEveryLaterPositionReport) {
  ProgressDialog dialog(settings_);
  HWND window = dialog.GetWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(dialog.OnProgress(kProgressBegin, 100), kOk);
  EXPECT_EQ(dialog.OnProgress(kProgressPosition, 10), kOk);

  SendMessageA(window, WM_CLOSE, 0, 0);  // the close box
  EXPECT_EQ(GetPropA(window, "CancelRequest"), reinterpret_cast<HANDLE>(1));
  EXPECT_TRUE(IsWindow(window));  // the window waits for its owner

  // Texts still show; only position reports answer the request.
  EXPECT_EQ(dialog.OnProgress(kProgressStatusText, reinterpret_cast<intptr_t>("still shown")), kOk);
  EXPECT_EQ(StatusText(window), "still shown");
  EXPECT_EQ(dialog.OnProgress(kProgressPosition, 20), kCancelled);
  EXPECT_EQ(dialog.OnProgress(kProgressPosition, 30), kCancelled);
  EXPECT_EQ(BarPosition(window), 30);
  EXPECT_EQ(dialog.OnProgress(kProgressBegin, 100), kOk);
  EXPECT_EQ(dialog.OnProgress(kProgressEnd, 0), kOk);

  // Asking twice changes nothing.
  SendMessageA(window, WM_COMMAND, IDCANCEL, 0);  // the Escape key
  EXPECT_EQ(GetPropA(window, "CancelRequest"), reinterpret_cast<HANDLE>(1));
  EXPECT_EQ(dialog.OnProgress(kProgressPosition, 40), kCancelled);
  EndDialog(window, 1);
}

}  // namespace
}  // namespace mv::ui

#endif  // _WIN32
