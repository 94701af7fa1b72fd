#include "ui/disclaimer_dialog.h"

#include "fs/system_helpers.h"
#include "ui/dialog_support.h"
#include "ui/resource_ids.h"

namespace mv::ui {
namespace {

constexpr wchar_t kTextProperty[] = L"pstrDisclaimer";
constexpr int kReadTolerance = 15;

// The field's own procedure while DisclaimerEditProc stands in for it. Only
// one disclaimer dialog exists at a time.
WNDPROC g_previous_edit_proc = nullptr;

// Windows NT 4 keeps the field's own procedure and never disables accept.
bool ChecksReading() { return !IsWindowsNT4(); }

void RunReadCheck(HWND dialog) {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_POS | SIF_RANGE;
  // A field without scroll information has nothing to scroll: read.
  if (!GetScrollInfo(GetDlgItem(dialog, IDC_DISCLAIMER_TEXT), SB_VERT, &info)) info = SCROLLINFO{};
  if (IsScrolledToEnd(info.nPos, info.nMax)) EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
}

INT_PTR OnInitDialog(HWND dialog, const String* text) {
  SetPropW(dialog, kTextProperty, const_cast<String*>(text));
  SetProgramIcon(dialog);
  SetItemText(dialog, IDC_DISCLAIMER_TEXT, DisplayForm(*text));
  if (ChecksReading()) {
    HWND edit = GetDlgItem(dialog, IDC_DISCLAIMER_TEXT);
    auto previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DisclaimerEditProc)));
    if (previous != nullptr) g_previous_edit_proc = previous;
    EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
    RunReadCheck(dialog);
  }
  // The focus goes to the text, so that the reader can scroll it with the
  // keys (the first enabled button would otherwise be "do not accept").
  SetFocus(GetDlgItem(dialog, IDC_DISCLAIMER_TEXT));
  return FALSE;
}

INT_PTR CALLBACK DisclaimerDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(dialog, reinterpret_cast<const String*>(lparam));
    case kDisclaimerScrolled:
      if (ChecksReading()) RunReadCheck(dialog);
      return TRUE;
    case WM_COMMAND:
      if (HIWORD(wparam) == EN_VSCROLL && LOWORD(wparam) == IDC_DISCLAIMER_TEXT) {
        if (ChecksReading()) RunReadCheck(dialog);
        return TRUE;
      }
      if (HIWORD(wparam) != 0) return FALSE;
      // Enter reaches IDOK too; it counts only once accept is enabled.
      if (LOWORD(wparam) == IDOK && IsWindowEnabled(GetDlgItem(dialog, IDOK))) {
        EndDialog(dialog, 1);
        return TRUE;
      }
      if (LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
      }
      return FALSE;
    case WM_DESTROY:
      RemovePropW(dialog, kTextProperty);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

bool IsScrolledToEnd(int position, int maximum) { return position >= maximum - kReadTolerance; }

LRESULT CALLBACK DisclaimerEditProc(HWND edit, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_VSCROLL) SendMessageW(GetParent(edit), kDisclaimerScrolled, 0, 0);
  const LRESULT result = g_previous_edit_proc == nullptr
                             ? DefWindowProcW(edit, message, wparam, lparam)
                             : CallWindowProcW(g_previous_edit_proc, edit, message, wparam, lparam);
  if (message == WM_KEYDOWN || message == WM_MOUSEWHEEL) SendMessageW(GetParent(edit), kDisclaimerScrolled, 0, 0);
  return result;
}

bool RunDisclaimer(const String& text) {
  if (text.IsEmpty()) return true;
  const INT_PTR result = DialogBoxParamW(ProgramModule(), MAKEINTRESOURCEW(IDD_DISCLAIMER), nullptr,
                                         &DisclaimerDialogProc, reinterpret_cast<LPARAM>(&text));
  return result == 1;
}

}  // namespace mv::ui
