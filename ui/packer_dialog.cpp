#include "ui/packer_dialog.h"

#include "ui/windows_api.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "fs/disk_query.h"
#include "fs/path.h"
#include "fs/system_helpers.h"
#include "platform/shell.h"
#include "platform/win32/wide_text.h"
#include "ui/dialog_helpers.h"
#include "ui/dialog_support.h"
#include "ui/packer_ids.h"

namespace mv::ui {
namespace {

constexpr UINT kProgressMessage = WM_APP + 1;
constexpr UINT kDoneMessage = WM_APP + 2;
// Room for the names the open dialog returns at once.
constexpr DWORD kOpenBuffer = 65536;

// The controls a packing run locks.
constexpr int kInputs[] = {IDC_PACKER_ITEMS,       IDC_PACKER_ADD_FILES, IDC_PACKER_ADD_FOLDER, IDC_PACKER_REMOVE,
                           IDC_PACKER_KIND,        IDC_PACKER_COMPRESSION, IDC_PACKER_CLASSIC, IDC_PACKER_PASSWORD,
                           IDC_PACKER_REPEAT,      IDC_PACKER_PROPOSE,   IDC_PACKER_SEND_TO,  IDOK};

std::wstring WideText(TextId id) { return platform::WideOf(UserText(id)); }

// The text with its one "%s" replaced by value.
std::wstring WideTextWith(TextId id, const std::wstring& value) {
  std::wstring text = WideText(id);
  const size_t at = text.find(L"%s");
  if (at != std::wstring::npos) text.replace(at, 2, value);
  return text;
}

void ShowBox(HWND owner, const std::wstring& text, UINT flags) {
  MessageBoxW(owner, text.c_str(), WideText(TextId::kPackerTitle).c_str(), flags);
}

// A password field's text in UTF-8; the wide copy is wiped.
String PasswordOf(HWND dialog, int control) {
  HWND edit = GetDlgItem(dialog, control);
  std::vector<wchar_t> wide(static_cast<size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
  const int n = GetWindowTextW(edit, wide.data(), static_cast<int>(wide.size()));
  String utf8;
  if (!platform::Utf8Of(wide.data(), static_cast<size_t>(n), &utf8)) utf8 = "";
  SecureZeroMemory(wide.data(), wide.size() * sizeof(wchar_t));
  return utf8;
}

class PackerDialog : public PackerProgress {
 public:
  PackerDialog(PackerActions* actions, const std::vector<std::string>& items, const std::vector<std::string>& unfit)
      : actions_(actions), items_(items), unfit_(unfit) {}

  static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_INITDIALOG) SetWindowLongPtrW(dialog, DWLP_USER, l);
    auto* self = reinterpret_cast<PackerDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    return self == nullptr ? FALSE : self->Handle(dialog, message, w, l);
  }

  // From the worker thread.
  void Message(const std::string& text, bool system_text) override {
    std::lock_guard<std::mutex> lock(messages_lock_);
    messages_ += system_text ? platform::WideOfUtf8(text.c_str()) : platform::WideOf(text.c_str());
  }
  Result Progress(int percent) override {
    PostMessageW(dialog_, kProgressMessage, static_cast<WPARAM>(percent), 0);
    return cancel_ ? kCancelled : kOk;
  }

 private:
  INT_PTR Handle(HWND dialog, UINT message, WPARAM w, LPARAM l) {
    switch (message) {
      case WM_INITDIALOG:
        dialog_ = dialog;
        Init();
        return TRUE;
      case WM_DROPFILES:
        Dropped(reinterpret_cast<HDROP>(w));
        return TRUE;
      case kProgressMessage:
        SendDlgItemMessageW(dialog_, IDC_PACKER_PROGRESS, PBM_SETPOS, w, 0);
        return TRUE;
      case kDoneMessage:
        Finished(static_cast<int>(w));
        return TRUE;
      case WM_COMMAND:
        Command(LOWORD(w), HIWORD(w));
        return TRUE;
      default:
        return FALSE;
    }
  }

  void Init() {
    SetProgramIcon(dialog_);
    DragAcceptFiles(dialog_, TRUE);
    HWND kind = GetDlgItem(dialog_, IDC_PACKER_KIND);
    for (TextId id : {TextId::kPackerKindWindows, TextId::kPackerKindLinux, TextId::kPackerKindContainer}) {
      SendMessageW(kind, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WideText(id).c_str()));
    }
    SendMessageW(kind, CB_SETCURSEL, 0, 0);
    HWND compression = GetDlgItem(dialog_, IDC_PACKER_COMPRESSION);
    for (TextId id : {TextId::kPackerCompressionBest, TextId::kPackerCompressionFast, TextId::kPackerCompressionNone}) {
      SendMessageW(compression, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WideText(id).c_str()));
    }
    SendMessageW(compression, CB_SETCURSEL, 0, 0);
    SendDlgItemMessageW(dialog_, IDC_PACKER_PROGRESS, PBM_SETRANGE32, 0, 100);
    ShowWindow(GetDlgItem(dialog_, IDC_PACKER_SHOW), SW_HIDE);
    SetDlgItemTextW(dialog_, IDCANCEL, WideText(TextId::kPackerCloseButton).c_str());
    Refresh();
  }

  void Command(int control, int notification) {
    switch (control) {
      case IDC_PACKER_ADD_FILES:
        AddFiles();
        break;
      case IDC_PACKER_ADD_FOLDER:
        AddFolder();
        break;
      case IDC_PACKER_REMOVE:
        RemoveSelected();
        break;
      case IDC_PACKER_PASSWORD:
        if (notification == EN_CHANGE) UpdateStrength();
        break;
      case IDC_PACKER_PROPOSE:
        Propose();
        break;
      case IDC_PACKER_SEND_TO:
        SendTo();
        break;
      case IDC_PACKER_SHOW:
        platform::OpenFileManager(StripTrailingSlash(GetFolderPart(String(choices_.out.c_str()))).c_str());
        break;
      case IDOK:
        StartPacking();
        break;
      case IDCANCEL:
        if (worker_.joinable()) {
          cancel_ = true;
        } else {
          EndDialog(dialog_, 0);
        }
        break;
      default:
        break;
    }
  }

  // A path given by the system (wide): packed when the code page holds it,
  // otherwise shown as refused.
  void AddPath(const wchar_t* path, size_t length) {
    String program;
    if (platform::ProgramTextOf(path, length, &program)) {
      items_.push_back(StripTrailingSlash(ToInternalPath(program)).c_str());
    } else {
      String utf8;
      platform::Utf8Of(path, length, &utf8);
      unfit_.push_back(utf8.c_str() == nullptr ? "" : utf8.c_str());
    }
  }

  void Dropped(HDROP drop) {
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
      std::vector<wchar_t> path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
      const UINT n = DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size()));
      AddPath(path.data(), n);
    }
    DragFinish(drop);
    Refresh();
  }

  void AddFiles() {
    std::vector<wchar_t> names(kOpenBuffer, L'\0');
    const std::wstring title = WideText(TextId::kPackerAddFilesTitle);
    std::wstring filter = WideText(TextId::kPackerAllFilesFilter);
    filter += L'\0';
    filter += L"*.*";
    filter += L'\0';
    OPENFILENAMEW request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = dialog_;
    request.lpstrFilter = filter.c_str();
    request.lpstrFile = names.data();
    request.nMaxFile = kOpenBuffer;
    request.lpstrTitle = title.c_str();
    request.Flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameW(&request)) return;
    // One full path, or the folder followed by the names chosen in it.
    const wchar_t* first = names.data();
    const wchar_t* next = first + wcslen(first) + 1;
    if (*next == L'\0') {
      AddPath(first, wcslen(first));
    }
    for (; *next != L'\0'; next += wcslen(next) + 1) {
      std::wstring path = std::wstring(first) + L"\\" + next;
      AddPath(path.c_str(), path.size());
    }
    Refresh();
  }

  void AddFolder() {
    String folder;
    if (BrowseForFolder(dialog_, UserText(TextId::kPackerAddFolderTitle), &folder) != kOk) return;
    items_.push_back(StripTrailingSlash(folder).c_str());
    Refresh();
  }

  // Removes the selected lines; the refused names the code page cannot hold
  // follow the items in the list.
  void RemoveSelected() {
    HWND list = GetDlgItem(dialog_, IDC_PACKER_ITEMS);
    const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = count - 1; i >= 0; --i) {
      if (SendMessageW(list, LB_GETSEL, static_cast<WPARAM>(i), 0) <= 0) continue;
      if (i < static_cast<int>(items_.size())) {
        items_.erase(items_.begin() + i);
      } else if (i - items_.size() < unfit_.size()) {
        unfit_.erase(unfit_.begin() + (i - static_cast<int>(items_.size())));
      }
    }
    Refresh();
  }

  // The list, the total and the names the package cannot hold, as the
  // packer judges them now.
  void Refresh() {
    HWND list = GetDlgItem(dialog_, IDC_PACKER_ITEMS);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const std::string& item : items_) {
      SendMessageW(list, LB_ADDSTRING, 0,
                   reinterpret_cast<LPARAM>(platform::WideOf(ToDisplayPath(String(item.c_str()))).c_str()));
    }
    for (const std::string& name : unfit_) {
      SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(platform::WideOfUtf8(name.c_str()).c_str()));
    }
    FitListHorizontalExtent(list);
    uint64_t bytes = 0;
    problems_.clear();
    if (!items_.empty()) actions_->CheckItems(items_, &bytes, &problems_);
    for (const std::string& name : unfit_) {
      problems_.push_back("'" + name + "': " + std::string(UserTextUtf8(TextId::kPackerNameHasNoForm)));
    }
    HWND shown = GetDlgItem(dialog_, IDC_PACKER_PROBLEMS);
    SendMessageW(shown, LB_RESETCONTENT, 0, 0);
    for (const std::string& line : problems_) {
      SendMessageW(shown, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(platform::WideOfUtf8(line.c_str()).c_str()));
    }
    if (problems_.empty() && !items_.empty()) {
      SendMessageW(shown, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WideText(TextId::kPackerNamesFit).c_str()));
    }
    FitListHorizontalExtent(shown);
    SetDlgItemTextW(dialog_, IDC_PACKER_TOTAL,
                    WideTextWith(TextId::kPackerTotal, std::to_wstring(bytes)).c_str());
  }

  static std::string UserTextUtf8(TextId id) {
    const std::wstring wide = WideText(id);
    String utf8;
    platform::Utf8Of(wide.c_str(), wide.size(), &utf8);
    return utf8.c_str() == nullptr ? "" : utf8.c_str();
  }

  void UpdateStrength() {
    const String password = PasswordOf(dialog_, IDC_PACKER_PASSWORD);
    if (password.IsEmpty()) {
      SetDlgItemTextW(dialog_, IDC_PACKER_STRENGTH, L"");
      return;
    }
    const int bits = actions_->PasswordBits(password);
    const TextId verdict = bits < 50 ? TextId::kPackerStrengthWeak
                           : bits < 75 ? TextId::kPackerStrengthFair
                                       : TextId::kPackerStrengthStrong;
    SetItemText(dialog_, IDC_PACKER_STRENGTH, FormatUserText(verdict, static_cast<uint32_t>(bits)));
  }

  void Propose() {
    const String phrase = actions_->ProposePassphrase();
    if (phrase.IsEmpty()) return;
    SetItemText(dialog_, IDC_PACKER_PASSWORD, phrase);
    SetItemText(dialog_, IDC_PACKER_REPEAT, phrase);
    SetItemText(dialog_, IDC_PACKER_STATUS, FormatUserText(TextId::kPackerProposed, phrase));
  }

  void SendTo() {
    const Result r = platform::CreateSendToShortcut(GetProgramPath().c_str(), UserText(TextId::kPackerTitle).c_str());
    if (r == kOk) {
      ShowBox(dialog_, WideText(TextId::kPackerSendToMade), MB_OK | MB_ICONINFORMATION);
    } else {
      ShowBox(dialog_, platform::WideOf(FormatUserText(TextId::kPackerSendToFailed, r)), MB_OK | MB_ICONERROR);
    }
  }

  void StartPacking() {
    if (items_.empty() && unfit_.empty()) return ShowBox(dialog_, WideText(TextId::kPackerNothingToPack), MB_OK | MB_ICONERROR);
    if (!problems_.empty()) return ShowBox(dialog_, WideText(TextId::kPackerNamesRefused), MB_OK | MB_ICONERROR);
    const String password = PasswordOf(dialog_, IDC_PACKER_PASSWORD);
    const String repeated = PasswordOf(dialog_, IDC_PACKER_REPEAT);
    if (password.IsEmpty()) return ShowBox(dialog_, WideText(TextId::kPackerPasswordMissing), MB_OK | MB_ICONERROR);
    if (!(password == repeated)) {
      return ShowBox(dialog_, WideText(TextId::kPackerPasswordMismatch), MB_OK | MB_ICONERROR);
    }
    choices_.items = items_;
    choices_.kind = static_cast<PackageChoice>(SendDlgItemMessageW(dialog_, IDC_PACKER_KIND, CB_GETCURSEL, 0, 0));
    static const int kCompressions[] = {1, 2, 0};
    const LRESULT compression = SendDlgItemMessageW(dialog_, IDC_PACKER_COMPRESSION, CB_GETCURSEL, 0, 0);
    choices_.compression = kCompressions[compression >= 0 && compression < 3 ? compression : 0];
    choices_.classic = IsDlgButtonChecked(dialog_, IDC_PACKER_CLASSIC) == BST_CHECKED;

    // Where to save: beside the first item, named after it.
    const String first(items_.front().c_str());
    StringArray filters;
    const char* extension = nullptr;
    if (choices_.kind == PackageChoice::kWindowsSelfExtractor) {
      filters.Add(UserText(TextId::kPackerProgramsFilter));
      filters.Add(String("*.exe"));
      extension = "exe";
    } else if (choices_.kind == PackageChoice::kContainer) {
      filters.Add(UserText(TextId::kPackerContainersFilter));
      filters.Add(String("*.mef"));
      extension = "mef";
    }
    filters.Add(UserText(TextId::kPackerAllFilesFilter));
    filters.Add(String("*.*"));
    String out = GetFileName(first);
    if (extension != nullptr) out = out + "." + extension;
    if (GetSaveFilePath(dialog_, UserText(TextId::kPackerSaveTitle), filters, GetFolderPart(first), extension, &out) !=
        kOk) {
      return;
    }
    choices_.out = out.c_str();
    password_ = Password(password);
    {
      std::lock_guard<std::mutex> lock(messages_lock_);
      messages_.clear();
    }
    cancel_ = false;
    SetRunning(true);
    SetItemText(dialog_, IDC_PACKER_STATUS, UserText(TextId::kPackerPacking));
    worker_ = std::thread([this] {
      const int code = actions_->Pack(choices_, password_, this);
      PostMessageW(dialog_, kDoneMessage, static_cast<WPARAM>(code), 0);
    });
  }

  void SetRunning(bool running) {
    for (int control : kInputs) EnableWindow(GetDlgItem(dialog_, control), !running);
    SetDlgItemTextW(dialog_, IDCANCEL,
                    WideText(running ? TextId::kPackerCancelButton : TextId::kPackerCloseButton).c_str());
    SendDlgItemMessageW(dialog_, IDC_PACKER_PROGRESS, PBM_SETPOS, 0, 0);
    if (running) ShowWindow(GetDlgItem(dialog_, IDC_PACKER_SHOW), SW_HIDE);
  }

  void Finished(int code) {
    worker_.join();
    password_.Empty();
    SetRunning(false);
    std::wstring messages;
    {
      std::lock_guard<std::mutex> lock(messages_lock_);
      messages = messages_;
    }
    if (code == 0) {
      const String out(choices_.out.c_str());
      SendDlgItemMessageW(dialog_, IDC_PACKER_PROGRESS, PBM_SETPOS, 100, 0);
      const std::wstring size = WideTextWith(TextId::kPackerSizeBytes, std::to_wstring(QueryFileSize(out)));
      const std::wstring named = platform::WideOf(ToDisplayPath(out)) + L" (" + size + L")";
      SetDlgItemTextW(dialog_, IDC_PACKER_STATUS, named.c_str());
      ShowWindow(GetDlgItem(dialog_, IDC_PACKER_SHOW), SW_SHOW);
      ShowBox(dialog_, WideTextWith(TextId::kPackerDone, named), MB_OK | MB_ICONINFORMATION);
    } else if (cancel_) {
      SetDlgItemTextW(dialog_, IDC_PACKER_STATUS, L"");
      ShowBox(dialog_, WideText(TextId::kPackerCancelled), MB_OK | MB_ICONINFORMATION);
    } else {
      SetDlgItemTextW(dialog_, IDC_PACKER_STATUS, L"");
      ShowBox(dialog_, WideTextWith(TextId::kPackerFailed, messages), MB_OK | MB_ICONERROR);
    }
  }

  PackerActions* actions_;
  std::vector<std::string> items_;
  std::vector<std::string> unfit_;
  std::vector<std::string> problems_;
  HWND dialog_ = nullptr;
  PackerChoices choices_;
  Password password_;
  std::thread worker_;
  std::atomic<bool> cancel_{false};
  std::mutex messages_lock_;
  std::wstring messages_;
};

}  // namespace

int RunPackerDialog(PackerActions* actions, const std::vector<std::string>& items,
                    const std::vector<std::string>& unfit) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  PackerDialog dialog(actions, items, unfit);
  RunDialog(IDD_PACKER, nullptr, &PackerDialog::Procedure, reinterpret_cast<LPARAM>(&dialog));
  return 0;
}

}  // namespace mv::ui
