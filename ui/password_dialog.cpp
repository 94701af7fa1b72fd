#include "ui/password_dialog.h"

#include <utility>

#include "base/text_encoding.h"
#include "ui/dialog_support.h"
#include "ui/resource_ids.h"

namespace mv::ui {
namespace {

constexpr wchar_t kPasswordProperty[] = L"pstrPassword";
constexpr int kPasswordBuffer = 65535;

// Reads the field as typed (UTF-16, every character kept) into the caller's
// Password, through buffers that are wiped when they go.
void StoreEnteredPassword(HWND dialog) {
  auto* password = static_cast<Password*>(GetPropW(dialog, kPasswordProperty));
  if (password == nullptr) return;
  Utf16Units typed(kPasswordBuffer + 1, 0);
  const int length =
      GetWindowTextW(GetDlgItem(dialog, IDC_PASSWORD_EDIT), reinterpret_cast<wchar_t*>(typed.data()), kPasswordBuffer);
  String utf8;
  if (length > 0 && Utf16ToUtf8(typed.data(), static_cast<size_t>(length), &utf8)) {
    *password = Password(std::move(utf8));
  }
}

INT_PTR CALLBACK PasswordDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      SetPropW(dialog, kPasswordProperty, reinterpret_cast<HANDLE>(lparam));
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
      RemovePropW(dialog, kPasswordProperty);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

Password AskPassword(HWND owner) {
  Password password;
  const INT_PTR result = DialogBoxParamW(ProgramModule(), MAKEINTRESOURCEW(IDD_PASSWORD), owner,
                                         &PasswordDialogProc, reinterpret_cast<LPARAM>(&password));
  if (result != 1) return Password();
  return password;
}

}  // namespace mv::ui
