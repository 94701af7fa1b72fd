#include "ui/main_dialog.h"

#include "app/decrypt_attempt.h"
#include "fs/file_operations.h"
#include "fs/path.h"
#include "fs/system_helpers.h"
#include "fs/temp_names.h"
#include "platform/files.h"
#include "platform/win32/wide_text.h"
#include "ui/dialog_attempt.h"
#include "ui/dialog_images.h"
#include "ui/dialog_support.h"
#include "ui/hyperlink_control.h"
#include "ui/resource_ids.h"
#include "ui/win32_handles.h"

namespace mv::ui {
namespace {

constexpr wchar_t kLayoutProperty[] = L"pLayoutContext";

const PayloadLayout* LayoutOf(HWND dialog) {
  return static_cast<const PayloadLayout*>(GetPropW(dialog, kLayoutProperty));
}

// Writes the picture to a file of its own that nobody else can have
// prepared; "" when that fails.
String WritePictureFile(const PayloadLayout& layout) {
  if (layout.bitmap_data == nullptr || layout.bitmap_size == 0) return String("");
  platform::File file;
  String path;
  if (CreateUniqueFile(GetSystemTempFolder(), "qzp_", "bmp", &file, &path) != kOk) return String("");
  file.Write(layout.bitmap_data, layout.bitmap_size);
  file.Close();
  return path;
}

HBITMAP LoadBitmapFile(const String& path, int width, int height) {
  return static_cast<HBITMAP>(
      LoadImageW(nullptr, platform::WidePathOf(path.c_str()).c_str(), IMAGE_BITMAP, width, height, LR_LOADFROMFILE));
}

INT_PTR OnInitDialog(HWND dialog, const PayloadLayout* layout) {
  SetPropW(dialog, kLayoutProperty, const_cast<PayloadLayout*>(layout));
  SetProgramIcon(dialog);
  if (layout->has_layout == 1) {
    HWND link = GetDlgItem(dialog, IDC_MAIN_LINK);
    if (link != nullptr) {
      if (layout->link_text.IsEmpty()) {
        ShowWindow(link, SW_HIDE);
      } else {
        SetText(link, layout->link_text);
      }
    }
    SetItemText(dialog, IDC_MAIN_INFO, DisplayForm(layout->info_text));
    ShowWindow(GetDlgItem(dialog, IDC_MAIN_PICTURE_FRAME), SW_HIDE);
    ShowDialogImage(dialog, IDC_MAIN_PICTURE, STM_SETIMAGE, LoadLayoutBitmap(dialog));
  }
  return TRUE;
}

INT_PTR OnCommand(HWND dialog, int control) {
  const PayloadLayout* layout = LayoutOf(dialog);
  switch (control) {
    case IDCANCEL:
      EndDialog(dialog, 0);
      return TRUE;
    case IDC_MAIN_DECRYPT:
      if (RunDecryptAttempt(dialog) == kOk) EndDialog(dialog, 0);
      return TRUE;
    case IDC_MAIN_LINK:
      if (layout != nullptr) OpenUrl(layout->link_text.c_str());
      return TRUE;
    case IDC_MAIN_DOWNLOAD:
      OpenUrl(UserText(TextId::kSuitePage).c_str());
      return TRUE;
    case IDC_MAIN_ORDER:
      OpenUrl(UserText(TextId::kSuiteShop).c_str());
      return TRUE;
    case IDC_MAIN_WEB:
      OpenUrl(UserText(TextId::kPackagePage).c_str());
      return TRUE;
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(dialog, reinterpret_cast<const PayloadLayout*>(lparam));
    case WM_COMMAND:
      return HIWORD(wparam) == 0 ? OnCommand(dialog, LOWORD(wparam)) : FALSE;
    case WM_ENDSESSION:
      // Also reached while the folder dialog or the message view is open.
      if (wparam != FALSE) EndSessionNow();
      return FALSE;
    case WM_DESTROY:
      ReleaseDialogImage(dialog, IDC_MAIN_PICTURE, STM_SETIMAGE);
      RemovePropW(dialog, kLayoutProperty);
      return FALSE;
    default:
      return FALSE;
  }
}

// The main dialog in preview: set up and taken down as the real one, but
// every button and the link close it.
INT_PTR CALLBACK PreviewDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
    case WM_DESTROY:
      return MainDialogProc(dialog, message, wparam, lparam);
    case WM_COMMAND:
      if (HIWORD(wparam) != 0) return FALSE;
      EndDialog(dialog, 0);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

HBITMAP LoadLayoutBitmap(HWND dialog) {
  const PayloadLayout* layout = LayoutOf(dialog);
  if (layout == nullptr) return nullptr;
  String path = WritePictureFile(*layout);
  if (path.IsEmpty()) return nullptr;
  Bitmap picture(LoadBitmapFile(path, 0, 0));
  BITMAP size{};
  RECT frame{};
  if (picture && GetObjectW(picture.get(), sizeof size, &size) != 0 &&
      GetWindowRect(GetDlgItem(dialog, IDC_MAIN_PICTURE_FRAME), &frame)) {
    const int frame_width = frame.right - frame.left;
    const int frame_height = frame.bottom - frame.top;
    if (size.bmWidth > frame_width || size.bmHeight > frame_height) {
      picture.Reset(LoadBitmapFile(path, frame_width, frame_height));
    }
  }
  RemoveFile(path);
  return picture.Release();
}

INT_PTR RunMainDialog(const PayloadLayout& layout) {
  RegisterHyperlinkClass();
  const int dialog = layout.has_layout == 1 ? IDD_MAIN_LAYOUT : IDD_MAIN_PLAIN;
  return RunDialog(dialog, nullptr, &MainDialogProc, reinterpret_cast<LPARAM>(&layout));
}

INT_PTR PreviewMainDialog(HWND owner, const PayloadLayout& layout) {
  RegisterHyperlinkClass();
  return RunDialog(IDD_MAIN_LAYOUT, owner, &PreviewDialogProc, reinterpret_cast<LPARAM>(&layout));
}

}  // namespace mv::ui
