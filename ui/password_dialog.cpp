#include "ui/password_dialog.h"

#include "ui/dialog_support.h"
#include "ui/resource_ids.h"

namespace mv::ui {
namespace {

constexpr char kPasswordProperty[] = "pstrPassword";
constexpr int kPasswordBuffer = 65535;

// Reads the field straight into the caller's String, whose buffer is wiped
// when it is released.
void StoreEnteredPassword(HWND dialog) {
  auto* password = static_cast<String*>(GetPropA(dialog, kPasswordProperty));
  if (password == nullptr) return;
  char* buffer = password->GetBuffer(kPasswordBuffer);
  if (buffer == nullptr) return;
  buffer[0] = '\0';
  GetWindowTextA(GetDlgItem(dialog, IDC_PASSWORD_EDIT), buffer, kPasswordBuffer);
  password->ReleaseBuffer();
}

INT_PTR CALLBACK PasswordDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      SetPropA(dialog, kPasswordProperty, reinterpret_cast<HANDLE>(lparam));
      SetProgramIcon(dialog);
      return TRUE;
    case WM_COMMAND:
      if (HIWORD(wparam) != 0) return FALSE;
      if (LOWORD(wparam) == IDOK) {
        StoreEnteredPassword(dialog);
        EndDialog(dialog, 1);
        return TRUE;
      }
      if (LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
      }
      return FALSE;
    case WM_DESTROY:
      RemovePropA(dialog, kPasswordProperty);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

String AskPassword(HWND owner) {
  String password;
  const INT_PTR result = DialogBoxParamA(ProgramModule(), MAKEINTRESOURCEA(IDD_PASSWORD), owner,
                                         &PasswordDialogProc, reinterpret_cast<LPARAM>(&password));
  if (result != 1) return String("");
  return password;
}

}  // namespace mv::ui
