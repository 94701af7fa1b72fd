#include "ui/dialog_images.h"

namespace mv::ui {
namespace {

constexpr wchar_t kImageProperty[] = L"hImage";

}  // namespace

void ShowDialogImage(HWND dialog, int control, UINT set_message, HBITMAP bitmap) {
  if (bitmap == nullptr) return;
  SetPropW(dialog, kImageProperty, bitmap);
  auto earlier = reinterpret_cast<HGDIOBJ>(
      SendDlgItemMessageW(dialog, control, set_message, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
  if (earlier != nullptr && earlier != bitmap) DeleteObject(earlier);
}

void ReleaseDialogImage(HWND dialog, int control, UINT set_message) {
  auto owned = static_cast<HBITMAP>(RemovePropW(dialog, kImageProperty));
  // A control of the visual-styles library may show a copy of the bitmap;
  // taking the image away hands that copy back, and it is ours to delete.
  auto shown = reinterpret_cast<HGDIOBJ>(SendDlgItemMessageW(dialog, control, set_message, IMAGE_BITMAP, 0));
  if (shown != nullptr && shown != owned) DeleteObject(shown);
  if (owned != nullptr) DeleteObject(owned);
}

}  // namespace mv::ui
