#include "ui/folder_dialog.h"

#include "app/decrypt_attempt.h"
#include "fs/path.h"
#include "fs/system_helpers.h"
#include "fs/temp_names.h"
#include "ui/dialog_helpers.h"
#include "ui/dialog_images.h"
#include "ui/dialog_prompts.h"
#include "platform/win32/wide_text.h"
#include "ui/dialog_support.h"
#include "ui/message_boxes.h"
#include "ui/resource_ids.h"

namespace mv::ui {
namespace {

constexpr wchar_t kExtractorProperty[] = L"pDecryptionContext";

// Strings of the string table.
constexpr uint32_t kBrowseTitleString = 8;

SelfExtractor* ExtractorOf(HWND dialog) { return static_cast<SelfExtractor*>(GetPropW(dialog, kExtractorProperty)); }

void SetTargetText(HWND dialog, const String& folder) {
  SetItemText(dialog, IDC_FOLDER_EDIT, ToNativePath(folder));
}

INT_PTR OnInitDialog(HWND dialog, SelfExtractor* extractor) {
  SetPropW(dialog, kExtractorProperty, extractor);
  SetProgramIcon(dialog);
  auto folder_picture = static_cast<HBITMAP>(LoadImageW(ProgramModule(), MAKEINTRESOURCEW(IDR_OPEN_FOLDER),
                                                        IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
  ShowDialogImage(dialog, IDC_FOLDER_BROWSE, BM_SETIMAGE, folder_picture);

  const StringArray names = FileNamesOf(extractor->GetWorkFolder());
  for (int32_t i = 0; i < names.GetCount(); ++i) {
    SendDlgItemMessageW(dialog, IDC_FOLDER_FILES, LB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(platform::WideOf(names[i]).c_str()));
  }
  FitListHorizontalExtent(GetDlgItem(dialog, IDC_FOLDER_FILES));
  SetTargetText(dialog, DefaultTargetFolder(&names));
  return TRUE;
}

void OnBrowse(HWND dialog) {
  String chosen;
  if (BrowseForFolder(dialog, LoadResString(kBrowseTitleString), &chosen) != kOk) return;
  SetTargetText(dialog, MakeUniqueFolderPath(chosen + GetFileTitle(GetProgramPath()) + "/"));
}

void OnSave(HWND dialog) {
  DialogPrompts prompts(dialog);
  const String typed = GetDlgItemString(dialog, IDC_FOLDER_EDIT);
  if (!SaveFilesTo(&prompts, *ExtractorOf(dialog), typed)) return;
  OpenFolderInExplorer(AddTrailingSlash(typed).c_str());
  EndDialog(dialog, 0);
}

INT_PTR CALLBACK FolderDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(dialog, reinterpret_cast<SelfExtractor*>(lparam));
    case WM_COMMAND:
      if (HIWORD(wparam) != 0) return FALSE;
      switch (LOWORD(wparam)) {
        case IDC_FOLDER_BROWSE:
          OnBrowse(dialog);
          return TRUE;
        case IDOK:
          OnSave(dialog);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, 0);
          return TRUE;
        default:
          return FALSE;
      }
    case WM_DESTROY:
      ReleaseDialogImage(dialog, IDC_FOLDER_BROWSE, BM_SETIMAGE);
      RemovePropW(dialog, kExtractorProperty);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR RunFolderDialog(HWND owner, SelfExtractor* extractor) {
  DialogBoxParamW(ProgramModule(), MAKEINTRESOURCEW(IDD_FOLDER), owner, &FolderDialogProc,
                  reinterpret_cast<LPARAM>(extractor));
  return 0;
}

}  // namespace mv::ui
