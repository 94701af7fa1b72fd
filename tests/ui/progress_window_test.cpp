// The progress window from the decrypting thread's side: what it shows, and
// how a cancel request comes back as the result of position reports.
#ifdef _WIN32

#include "ui/progress_window.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <string>

#include "base/system_helpers.h"
#include "stream/progress_stream.h"
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

TEST_F(UiProgressWindow, TheBarShowsTheOverallPositionOfNestedPhases) {
  ProgressUI progress(&settings_);
  HWND window = progress.GetWindow();
  ASSERT_NE(window, nullptr);
  ProgressCallback callback{&ProgressUIEntry, reinterpret_cast<uintptr_t>(&progress), 0};
  struct Step {
    int32_t code;
    int32_t value;
    int bar;  // -1: not a position report
  } steps[] = {
      {kProgressBegin, 100, -1},     {kProgressBeginPhase, 100, -1}, {kProgressBegin, 100, -1},
      {kProgressBeginPhase, 80, -1}, {kProgressBegin, 100, -1},      {kProgressPosition, 50, 40},
      {kProgressEnd, 0, -1},         {kProgressEndPhase, 0, -1},     {kProgressPosition, 80, 80},
      {kProgressBeginPhase, 20, -1}, {kProgressBegin, 100, -1},      {kProgressPosition, 50, 90},
  };
  for (const Step& step : steps) {
    EXPECT_EQ(NotifyProgress(&callback, step.code, step.value), kOk);
    if (step.bar >= 0) {
      EXPECT_EQ(BarPosition(window), step.bar) << step.value;
    }
  }
  // A status text travels as a string-table id.
  EXPECT_EQ(NotifyProgress(&callback, kProgressStatusText, 21), kOk);
  EXPECT_EQ(StatusText(window), LoadResString(21).c_str());
}

}  // namespace
}  // namespace mv::ui

#endif  // _WIN32
