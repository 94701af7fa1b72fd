#include "ui/message_view.h"

#include "app/decrypt_attempt.h"
#include "fs/disk_query.h"
#include "fs/folder_walk.h"
#include "fs/path.h"
#include "fs/system_helpers.h"
#include "stream/file_stream.h"
#include "ui/dialog_helpers.h"
#include "ui/dialog_images.h"
#include "ui/dialog_support.h"
#include "ui/folder_dialog.h"
#include "ui/message_boxes.h"
#include "ui/resource_ids.h"

namespace mv::ui {
namespace {

constexpr wchar_t kExtractorProperty[] = L"pDecryptionContext";
constexpr wchar_t kFontProperty[] = L"hFont";

// Strings of the string table.
constexpr uint32_t kSaveFailedString = 14;
constexpr uint32_t kSaveTitleString = 15;
constexpr uint32_t kTextFilesString = 16;
constexpr uint32_t kSavedString = 17;

// The text field's font: "Courier New" with a character height of 11
// pixels at 96 DPI, scaled like the dialog itself; modern family, default
// pitch.
constexpr int kFontHeight = -11;
constexpr int kDesignDpi = 96;
constexpr BYTE kModernDefaultPitch = FF_MODERN | DEFAULT_PITCH;

SelfExtractor* ExtractorOf(HWND dialog) { return static_cast<SelfExtractor*>(GetPropW(dialog, kExtractorProperty)); }

String MessageTextOf(HWND dialog) {
  String text;
  ExtractorOf(dialog)->GetMessageText(text);
  return text;
}

// The DPI the dialog was laid out for (the program is DPI aware: dialogs
// scale with the system's setting).
int DialogDpi(HWND dialog) {
  HDC context = GetDC(dialog);
  const int dpi = context != nullptr ? GetDeviceCaps(context, LOGPIXELSY) : 0;
  if (context != nullptr) ReleaseDC(dialog, context);
  return dpi > 0 ? dpi : kDesignDpi;
}

void SetTextFont(HWND dialog) {
  const int height = MulDiv(kFontHeight, DialogDpi(dialog), kDesignDpi);
  HFONT font = CreateFontW(height, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, kModernDefaultPitch, L"Courier New");
  if (font == nullptr) return;
  SetPropW(dialog, kFontProperty, font);
  SendDlgItemMessageW(dialog, IDC_MESSAGE_TEXT, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

// Without attachments their row goes, and the label and the text field
// move up into its place; the field grows by the label's former distance.
void RemoveAttachmentRow(HWND dialog) {
  ShowWindow(GetDlgItem(dialog, IDC_MESSAGE_SAVE_ATTACHMENTS), SW_HIDE);
  ShowWindow(GetDlgItem(dialog, IDC_MESSAGE_CLIP), SW_HIDE);
  ShowWindow(GetDlgItem(dialog, IDC_MESSAGE_ATTACHMENTS), SW_HIDE);
  HWND label = GetDlgItem(dialog, IDC_MESSAGE_TEXT_LABEL);
  HWND field = GetDlgItem(dialog, IDC_MESSAGE_TEXT);
  RECT clip{};
  RECT text{};
  RECT caption{};
  GetChildRect(GetDlgItem(dialog, IDC_MESSAGE_CLIP), &clip);
  GetChildRect(field, &text);
  GetChildRect(label, &caption);
  MoveWindow(label, clip.left, clip.top, caption.right - caption.left, caption.bottom - caption.top, TRUE);
  MoveWindow(field, clip.left, text.top - caption.top + clip.top, text.right - text.left, text.bottom - caption.top,
             TRUE);
}

INT_PTR OnInitDialog(HWND dialog, SelfExtractor* extractor) {
  auto clip = static_cast<HBITMAP>(LoadImageW(ProgramModule(), MAKEINTRESOURCEW(IDR_PAPER_CLIP), IMAGE_BITMAP, 0, 0,
                                              LR_LOADMAP3DCOLORS | LR_LOADTRANSPARENT));
  ShowDialogImage(dialog, IDC_MESSAGE_CLIP, STM_SETIMAGE, clip);
  SetTextFont(dialog);
  SetPropW(dialog, kExtractorProperty, extractor);
  SetProgramIcon(dialog);
  SetItemText(dialog, IDC_MESSAGE_TEXT, DisplayForm(MessageTextOf(dialog)));

  StringArray entries;
  ListFolder(extractor->GetWorkFolder(), &entries);
  if (entries.GetCount() > 0) {
    SetItemText(dialog, IDC_MESSAGE_ATTACHMENTS, AttachmentLine(entries));
  } else {
    RemoveAttachmentRow(dialog);
  }
  return TRUE;
}

void OnSaveText(HWND dialog) {
  const String text = MessageTextOf(dialog);
  StringArray filters;
  filters.Add(LoadResString(kTextFilesString));
  filters.Add("*.txt");
  String path = GetFileTitle(GetProgramFileName()) + ".txt";
  if (GetSaveFilePath(dialog, LoadResString(kSaveTitleString), filters, GetDesktopFolder(), "*.txt", &path) != kOk) {
    return;
  }
  const Result saved = SaveTextFile(path, text);
  if (saved == kOk) {
    ShowInfo(dialog, FormatResString(kSavedString, ToNativePath(path)));
  } else {
    ShowError(dialog, FormatResString(kSaveFailedString, saved));
  }
}

INT_PTR OnCommand(HWND dialog, int control) {
  switch (control) {
    case IDC_MESSAGE_SAVE_TEXT:
      OnSaveText(dialog);
      return TRUE;
    case IDC_MESSAGE_COPY:
      CopyTextToClipboard(DisplayForm(MessageTextOf(dialog)), dialog);
      return TRUE;
    case IDC_MESSAGE_SAVE_ATTACHMENTS:
      RunFolderDialog(dialog, ExtractorOf(dialog));
      return TRUE;
    case IDOK:
    case IDCANCEL:
      EndDialog(dialog, 0);
      return TRUE;
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK MessageViewProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(dialog, reinterpret_cast<SelfExtractor*>(lparam));
    case WM_COMMAND:
      return HIWORD(wparam) == 0 ? OnCommand(dialog, LOWORD(wparam)) : FALSE;
    case WM_DESTROY: {
      HGDIOBJ font = RemovePropW(dialog, kFontProperty);
      if (font != nullptr) DeleteObject(font);
      ReleaseDialogImage(dialog, IDC_MESSAGE_CLIP, STM_SETIMAGE);
      RemovePropW(dialog, kExtractorProperty);
      return FALSE;
    }
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR RunMessageView(HWND owner, SelfExtractor* extractor) {
  DialogBoxParamW(ProgramModule(), MAKEINTRESOURCEW(IDD_MESSAGE_VIEW), owner, &MessageViewProc,
                  reinterpret_cast<LPARAM>(extractor));
  return 0;
}

}  // namespace mv::ui
