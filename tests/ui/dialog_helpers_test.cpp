// The helpers over dialog controls.
#ifdef _WIN32

#include "ui/dialog_helpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/ui_windows.h"

namespace mv::ui {
namespace {

// The text is read wide and taken into the program's code page by its own
// table, whatever the system's ANSI code page; a text that has no form
// there is none the program can use.
TEST(UiDialogHelpers, DialogItemStringHoldsTheWholeText) {
  MV_REQUIRE_WINDOWS();
  test::CommandRecorder parent;
  HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | ES_AUTOHSCROLL, 0, 0, 50, 20, parent.window(),
                              reinterpret_cast<HMENU>(7), nullptr, nullptr);
  ASSERT_NE(edit, nullptr);
  SendMessageW(edit, EM_LIMITTEXT, 0, 0);
  struct Case {
    std::wstring typed;
    std::string read;  // Windows-1252
  } cases[] = {
      {std::wstring(5000, L'p'), std::string(5000, 'p')},
      {L"C:\\\u00DCbersicht \u20AC", "C:\\\xDC" "bersicht \x80"},
      {L"C:\\\u041E\u0442\u0447\u0451\u0442", ""},  // Cyrillic: no form
  };
  for (const Case& c : cases) {
    SetWindowTextW(edit, c.typed.c_str());
    EXPECT_EQ(std::string(GetDlgItemString(parent.window(), 7).c_str()), c.read);
  }
  EXPECT_STREQ(GetDlgItemString(parent.window(), 8).c_str(), "");  // no such control
  DestroyWindow(edit);
}

// A list box narrower than its longest item scrolls sideways as far as
// that item's end; one whose items all fit shows no horizontal scroll bar.
TEST(UiDialogHelpers, ListExtentFitsTheWidestItem) {
  MV_REQUIRE_WINDOWS();
  test::CommandRecorder parent;
  ShowWindow(parent.window(), SW_SHOWNOACTIVATE);
  struct Case {
    const char* name;
    std::vector<std::string> items;
    bool scrolls;
  };
  const std::string long_name = "A report with a name far wider than its list " + std::string(60, 'w') + ".pdf";
  const Case cases[] = {
      {"short names", {"A.txt", "b.doc"}, false},
      {"one long name", {"A.txt", long_name, "b.doc"}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL | LBS_NOINTEGRALHEIGHT;
    HWND list = CreateWindowExW(0, L"LISTBOX", L"", style, 0, 0, 200, 100, parent.window(), reinterpret_cast<HMENU>(9),
                                nullptr, nullptr);
    ASSERT_NE(list, nullptr);
    SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    for (const std::string& item : c.items) {
      const std::wstring wide(item.begin(), item.end());
      SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    }
    FitListHorizontalExtent(list);

    HDC context = GetDC(list);
    HGDIOBJ previous = SelectObject(context, GetStockObject(DEFAULT_GUI_FONT));
    LONG widest = 0;
    for (const std::string& item : c.items) {
      SIZE size{};
      GetTextExtentPoint32A(context, item.c_str(), static_cast<int>(item.size()), &size);
      widest = size.cx > widest ? size.cx : widest;
    }
    SelectObject(context, previous);
    ReleaseDC(list, context);
    EXPECT_GE(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0), widest);
    const bool scroll_bar = (GetWindowLongW(list, GWL_STYLE) & WS_HSCROLL) != 0;
    EXPECT_EQ(scroll_bar, c.scrolls);
    DestroyWindow(list);
  }
}

}  // namespace
}  // namespace mv::ui

#endif  // _WIN32
