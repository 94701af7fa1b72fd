#include "ui/folder_dialog.h"

#include "base/system_helpers.h"
#include "fs/directory_copy.h"
#include "fs/disk_query.h"
#include "fs/folder_walk.h"
#include "fs/path.h"
#include "fs/temp_names.h"
#include "ui/dialog_helpers.h"
#include "ui/dialog_images.h"
#include "ui/dialog_support.h"
#include "ui/message_boxes.h"
#include "ui/resource_ids.h"

namespace mv::ui {
namespace {

constexpr char kExtractorProperty[] = "pDecryptionContext";

// Strings of the string table.
constexpr uint32_t kSavedString = 2;
constexpr uint32_t kBrowseTitleString = 8;
constexpr uint32_t kInvalidFolderString = 9;
constexpr uint32_t kCopyFailedString = 13;
constexpr uint32_t kFolderExistsString = 19;
constexpr uint32_t kMoreFilesString = 20;
constexpr uint32_t kFolderIsFileString = 22;

SelfExtractor* ExtractorOf(HWND dialog) { return static_cast<SelfExtractor*>(GetPropA(dialog, kExtractorProperty)); }

bool IsOnRemovableMedia(const String& folder) {
  const String drive = GetDriveSpec(folder);
  return IsCdRomDrive(drive) || IsRemovableDrive(drive);
}

// True when the program was started from inside the temporary folder (an
// archive tool unpacked it there): a proposal beside it would vanish.
bool RunsFromTempFolder(const String& program_folder) {
  const String temp = GetShortPath(GetSystemTempFolder().c_str());
  if (temp.IsEmpty()) return false;
  return GetShortPath(program_folder.c_str()).Find(temp.c_str()) >= 0;
}

void SetTargetText(HWND dialog, const String& folder) {
  SetDlgItemTextA(dialog, IDC_FOLDER_EDIT, ToNativePath(folder).c_str());
}

INT_PTR OnInitDialog(HWND dialog, SelfExtractor* extractor) {
  SetPropA(dialog, kExtractorProperty, extractor);
  SetProgramIcon(dialog);
  auto folder_picture = static_cast<HBITMAP>(LoadImageA(ProgramModule(), MAKEINTRESOURCEA(IDR_OPEN_FOLDER),
                                                        IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
  ShowDialogImage(dialog, IDC_FOLDER_BROWSE, BM_SETIMAGE, folder_picture);

  StringArray names;
  {
    StringArray entries;
    ListFolder(extractor->GetWorkFolder(), &entries);
    entries.Sort(true);
    for (int32_t i = 0; i < entries.GetCount(); ++i) {
      if (!FileExists(entries[i])) continue;
      const String name = GetFileName(entries[i]);
      SendDlgItemMessageA(dialog, IDC_FOLDER_FILES, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
      names.Add(name);
    }
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
  const String target = AddTrailingSlash(GetDlgItemString(dialog, IDC_FOLDER_EDIT));
  if (!IsFolderPath(target)) {
    ShowError(dialog, LoadResString(kInvalidFolderString));
    return;
  }
  if (FolderExists(target) && !AskYesNo(dialog, FormatResString(kFolderExistsString, ToNativePath(target)))) return;
  if (FileExists(StripTrailingSlash(target))) {
    ShowError(dialog, LoadResString(kFolderIsFileString));
    return;
  }
  const Result copied = DirectoryCopy(ExtractorOf(dialog)->GetWorkFolder(), target, true, nullptr);
  if (copied != kOk) {
    ShowError(dialog, FormatResString(kCopyFailedString, copied));
    return;
  }
  ShowInfo(dialog, FormatResString(kSavedString, ToNativePath(StripTrailingSlash(target))));
  OpenFolderInExplorer(target.c_str());
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
      RemovePropA(dialog, kExtractorProperty);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

String ProposedFolderName(const StringArray* names) {
  if (names == nullptr || names->GetCount() == 0) return GetFileTitle(GetProgramFileName());
  StringArray sorted(*names);
  sorted.Sort(true);
  if (sorted.GetCount() == 1) return sorted[0];
  String name;
  String::Format(name, LoadResString(kMoreFilesString).c_str(), sorted[0].c_str(), static_cast<int>(sorted.GetCount() - 1));
  return name;
}

String DefaultTargetFolder(const StringArray* names) {
  String base = GetProgramFolder();
  if (RunsFromTempFolder(base) || IsOnRemovableMedia(base)) base = GetDesktopFolder();
  return MakeUniqueFolderPath(base + ProposedFolderName(names) + "/");
}

INT_PTR RunFolderDialog(HWND owner, SelfExtractor* extractor) {
  DialogBoxParamA(ProgramModule(), MAKEINTRESOURCEA(IDD_FOLDER), owner, &FolderDialogProc,
                  reinterpret_cast<LPARAM>(extractor));
  return 0;
}

}  // namespace mv::ui
