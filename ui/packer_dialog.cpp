#include "ui/packer_dialog.h"

#include "ui/windows_api.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "base/text_encoding.h"
#include "fs/disk_query.h"
#include "fs/path.h"
#include "fs/system_helpers.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "platform/win32/wide_text.h"
#include "ui/dialog_helpers.h"
#include "ui/dialog_support.h"
#include "ui/main_dialog.h"
#include "ui/packer_ids.h"

namespace mv::ui {
namespace {

constexpr UINT kProgressMessage = WM_APP + 1;
constexpr UINT kDoneMessage = WM_APP + 2;
constexpr UINT kCheckedMessage = WM_APP + 3;
// Room for the names the open dialog returns at once.
constexpr DWORD kOpenBuffer = 65536;
// The largest picture a package carries, as the console packer bounds it.
constexpr uint64_t kMaxPicture = 16u << 20;

// The steps, in the order a sender meets them.
enum Step { kItems, kKind, kLayout, kPassword, kPacking, kDone };

// Each control between the heading and the buttons belongs to one step and
// is shown only there.
struct PageControl {
  int control;
  Step step;
};
constexpr PageControl kPageControls[] = {
    {IDC_PACKER_ITEMS_LABEL, kItems},          {IDC_PACKER_ITEMS, kItems},
    {IDC_PACKER_ADD_FILES, kItems},            {IDC_PACKER_ADD_FOLDER, kItems},
    {IDC_PACKER_REMOVE, kItems},               {IDC_PACKER_TOTAL, kItems},
    {IDC_PACKER_PROBLEMS_LABEL, kItems},       {IDC_PACKER_PROBLEMS, kItems},
    {IDC_PACKER_KIND_LABEL, kKind},            {IDC_PACKER_KIND, kKind},
    {IDC_PACKER_COMPRESSION_LABEL, kKind},     {IDC_PACKER_COMPRESSION, kKind},
    {IDC_PACKER_CLASSIC, kKind},               {IDC_PACKER_DESCRIPTION_LABEL, kLayout},
    {IDC_PACKER_DESCRIPTION, kLayout},         {IDC_PACKER_LINK_LABEL, kLayout},
    {IDC_PACKER_LINK, kLayout},                {IDC_PACKER_DISCLAIMER_LABEL, kLayout},
    {IDC_PACKER_DISCLAIMER, kLayout},          {IDC_PACKER_PICTURE_LABEL, kLayout},
    {IDC_PACKER_PICTURE, kLayout},             {IDC_PACKER_CHOOSE_PICTURE, kLayout},
    {IDC_PACKER_MESSAGE_LABEL, kLayout},       {IDC_PACKER_MESSAGE, kLayout},
    {IDC_PACKER_MESSAGE_NOTE, kLayout},        {IDC_PACKER_PREVIEW, kLayout},
    {IDC_PACKER_PASSWORD_LABEL, kPassword},    {IDC_PACKER_PASSWORD, kPassword},
    {IDC_PACKER_PROPOSE, kPassword},           {IDC_PACKER_REPEAT_LABEL, kPassword},
    {IDC_PACKER_REPEAT, kPassword},            {IDC_PACKER_STRENGTH, kPassword},
    {IDC_PACKER_PROPOSED, kPassword},          {IDC_PACKER_STATUS, kPacking},
    {IDC_PACKER_PROGRESS, kPacking},           {IDC_PACKER_DONE, kDone},
    {IDC_PACKER_SHOW, kDone},                  {IDC_PACKER_SEND_TO, kDone},
};

// Each step's heading and the control that has the focus when it opens.
constexpr TextId kStepHeadings[] = {TextId::kPackerStepItems,    TextId::kPackerStepKind,
                                    TextId::kPackerStepLayout,   TextId::kPackerStepPassword,
                                    TextId::kPackerStepPacking,  TextId::kPackerStepDone};
constexpr int kStepFocus[] = {IDC_PACKER_ITEMS, IDC_PACKER_KIND,  IDC_PACKER_DESCRIPTION,
                              IDC_PACKER_PASSWORD, IDCANCEL,    IDC_PACKER_SHOW};

// The layout's parts that only a self-extractor carries.
constexpr int kSelfExtractorLayout[] = {IDC_PACKER_DESCRIPTION_LABEL, IDC_PACKER_DESCRIPTION,    IDC_PACKER_LINK_LABEL,
                                        IDC_PACKER_LINK,              IDC_PACKER_DISCLAIMER_LABEL, IDC_PACKER_DISCLAIMER,
                                        IDC_PACKER_PICTURE_LABEL,     IDC_PACKER_PICTURE,        IDC_PACKER_CHOOSE_PICTURE,
                                        IDC_PACKER_PREVIEW};

// The typed texts of the layout with the labels that name them.
struct LayoutText {
  int control;
  int label;
};
constexpr LayoutText kLayoutTexts[] = {{IDC_PACKER_DESCRIPTION, IDC_PACKER_DESCRIPTION_LABEL},
                                       {IDC_PACKER_LINK, IDC_PACKER_LINK_LABEL},
                                       {IDC_PACKER_DISCLAIMER, IDC_PACKER_DISCLAIMER_LABEL},
                                       {IDC_PACKER_PICTURE, IDC_PACKER_PICTURE_LABEL},
                                       {IDC_PACKER_MESSAGE, IDC_PACKER_MESSAGE_LABEL}};

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

std::wstring WideTextOf(HWND dialog, int control) {
  HWND window = GetDlgItem(dialog, control);
  std::wstring wide(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  wide.resize(static_cast<size_t>(GetWindowTextW(window, wide.data(), static_cast<int>(wide.size()))));
  return wide;
}

// A field's text in UTF-8, each line ending in a line feed alone; the wide
// copy is wiped (the field may hold a password or the e-mail text).
String Utf8TextOf(HWND dialog, int control) {
  HWND edit = GetDlgItem(dialog, control);
  std::vector<wchar_t> wide(static_cast<size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
  size_t n = static_cast<size_t>(GetWindowTextW(edit, wide.data(), static_cast<int>(wide.size())));
  size_t kept = 0;
  for (size_t i = 0; i < n; ++i) {
    if (wide[i] == L'\r' && i + 1 < n && wide[i + 1] == L'\n') continue;
    wide[kept++] = wide[i];
  }
  String utf8;
  if (!platform::Utf8Of(wide.data(), kept, &utf8)) utf8 = "";
  SecureZeroMemory(wide.data(), wide.size() * sizeof(wchar_t));
  return utf8;
}

// A label's text without its mnemonic and colon: the name of its field.
std::wstring FieldName(HWND dialog, int label) {
  std::wstring name;
  for (wchar_t c : WideTextOf(dialog, label)) {
    if (c != L'&' && c != L':') name += c;
  }
  return name;
}

class PackerDialog : public PackerProgress {
 public:
  PackerDialog(PackerActions* actions, const std::vector<std::string>& items, const std::vector<std::string>& unfit)
      : actions_(actions), items_(items), unfit_(unfit) {}
  // A check still under way is waited for: it reports to this object.
  ~PackerDialog() override {
    if (check_.joinable()) check_.join();
  }

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
        return FALSE;  // the first step has set the focus
      case WM_DROPFILES:
        Dropped(reinterpret_cast<HDROP>(w));
        return TRUE;
      case kProgressMessage:
        SendDlgItemMessageW(dialog_, IDC_PACKER_PROGRESS, PBM_SETPOS, w, 0);
        return TRUE;
      case kDoneMessage:
        Finished(static_cast<int>(w));
        return TRUE;
      case kCheckedMessage:
        Checked();
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
    KindChanged();
    Refresh();
    ShowStep(kItems);
  }

  void ShowStep(Step step) {
    step_ = step;
    for (const PageControl& c : kPageControls) {
      ShowWindow(GetDlgItem(dialog_, c.control), c.step == step ? SW_SHOW : SW_HIDE);
    }
    SetItemText(dialog_, IDC_PACKER_STEP, UserText(kStepHeadings[step]));
    const bool input = step <= kPassword;
    HWND back = GetDlgItem(dialog_, IDC_PACKER_BACK);
    ShowWindow(back, input ? SW_SHOW : SW_HIDE);
    EnableWindow(back, input && step > kItems);
    ShowWindow(GetDlgItem(dialog_, IDOK), input ? SW_SHOW : SW_HIDE);
    SetDlgItemTextW(dialog_, IDOK, WideText(step == kPassword ? TextId::kPackerPackButton : TextId::kPackerNextButton).c_str());
    SetDlgItemTextW(dialog_, IDCANCEL, WideText(step == kDone ? TextId::kPackerCloseButton : TextId::kPackerCancelButton).c_str());
    SendMessageW(dialog_, DM_SETDEFID, input ? IDOK : IDCANCEL, 0);
    UpdateNext();
    SendMessageW(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog_, kStepFocus[step])), TRUE);
  }

  bool Packable() const { return !checking_ && !items_.empty() && problems_.empty(); }

  // Next leaves the first step only with something packable; while the
  // check runs, it waits for its verdict.
  void UpdateNext() { EnableWindow(GetDlgItem(dialog_, IDOK), step_ != kItems || checking_ || Packable()); }

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
      case IDC_PACKER_KIND:
        if (notification == CBN_SELCHANGE) KindChanged();
        break;
      case IDC_PACKER_CHOOSE_PICTURE:
        ChoosePicture();
        break;
      case IDC_PACKER_PREVIEW:
        Preview();
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
        platform::ShowFileInFileManager(choices_.out.c_str());
        break;
      case IDC_PACKER_BACK:
        if (step_ > kItems && step_ <= kPassword) ShowStep(static_cast<Step>(step_ - 1));
        break;
      case IDOK:
        Next();
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

  void Next() {
    switch (step_) {
      case kItems:
        if (checking_) {
          next_waits_ = true;
        } else if (Packable()) {
          ShowStep(kKind);
        }
        break;
      case kKind:
        ShowStep(kLayout);
        break;
      case kLayout:
        if (LayoutFits()) ShowStep(kPassword);
        break;
      case kPassword:
        StartPacking();
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

  // Items dropped while a package is being made or is done wait for the
  // next one: they are taken only on the steps that gather the choices.
  void Dropped(HDROP drop) {
    if (step_ > kPassword) {
      DragFinish(drop);
      MessageBeep(MB_ICONWARNING);
      return;
    }
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
      std::vector<wchar_t> path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
      const UINT n = DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size()));
      AddPath(path.data(), n);
    }
    DragFinish(drop);
    Refresh();
    if (step_ != kItems) ShowStep(kItems);
  }

  // The system's Open dialog; each chosen file's full path to add.
  bool OpenFiles(TextId title_id, TextId filter_id, const wchar_t* pattern, bool many,
                 std::vector<std::wstring>* paths) {
    std::vector<wchar_t> names(kOpenBuffer, L'\0');
    const std::wstring title = WideText(title_id);
    std::wstring filter = WideText(filter_id);
    filter += L'\0';
    filter += pattern;
    filter += L'\0';
    OPENFILENAMEW request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = dialog_;
    request.lpstrFilter = filter.c_str();
    request.lpstrFile = names.data();
    request.nMaxFile = kOpenBuffer;
    request.lpstrTitle = title.c_str();
    request.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                    (many ? OFN_ALLOWMULTISELECT : 0);
    if (!GetOpenFileNameW(&request)) return false;
    // One full path, or the folder followed by the names chosen in it.
    const wchar_t* first = names.data();
    const wchar_t* next = first + wcslen(first) + 1;
    if (!many || *next == L'\0') paths->push_back(first);
    for (; many && *next != L'\0'; next += wcslen(next) + 1) paths->push_back(std::wstring(first) + L"\\" + next);
    return true;
  }

  void AddFiles() {
    std::vector<std::wstring> paths;
    if (!OpenFiles(TextId::kPackerAddFilesTitle, TextId::kPackerAllFilesFilter, L"*.*", true, &paths)) return;
    for (const std::wstring& path : paths) AddPath(path.c_str(), path.size());
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

  // The list, then the total and the names the package cannot hold as the
  // packer judges them, found on a thread of its own (it walks every folder).
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
    StartCheck();
  }

  // A check under way finishes first and is then run again for the items
  // as they are by then.
  void StartCheck() {
    if (checking_) {
      check_again_ = true;
      return;
    }
    if (check_.joinable()) check_.join();
    checking_ = true;
    check_again_ = false;
    problems_.clear();
    SendDlgItemMessageW(dialog_, IDC_PACKER_PROBLEMS, LB_RESETCONTENT, 0, 0);
    SetDlgItemTextW(dialog_, IDC_PACKER_TOTAL, WideText(TextId::kPackerChecking).c_str());
    UpdateNext();
    check_ = std::thread([this, items = items_] {
      uint64_t bytes = 0;
      std::vector<std::string> problems;
      if (!items.empty()) actions_->CheckItems(items, &bytes, &problems);
      {
        std::lock_guard<std::mutex> lock(check_lock_);
        checked_bytes_ = bytes;
        checked_problems_ = std::move(problems);
      }
      PostMessageW(dialog_, kCheckedMessage, 0, 0);
    });
  }

  void Checked() {
    check_.join();
    checking_ = false;
    if (check_again_) return StartCheck();
    uint64_t bytes = 0;
    {
      std::lock_guard<std::mutex> lock(check_lock_);
      bytes = checked_bytes_;
      problems_ = std::move(checked_problems_);
    }
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
    UpdateNext();
    if (next_waits_) {
      next_waits_ = false;
      if (step_ == kItems) Next();
    }
  }

  static std::string UserTextUtf8(TextId id) {
    const std::wstring wide = WideText(id);
    String utf8;
    platform::Utf8Of(wide.c_str(), wide.size(), &utf8);
    return utf8.c_str() == nullptr ? "" : utf8.c_str();
  }

  PackageChoice Kind() const {
    const LRESULT kind = SendDlgItemMessageW(dialog_, IDC_PACKER_KIND, CB_GETCURSEL, 0, 0);
    return kind >= 0 && kind <= 2 ? static_cast<PackageChoice>(kind) : PackageChoice::kWindowsSelfExtractor;
  }

  // A container file carries only the e-mail text of the layout.
  void KindChanged() {
    const bool self_extractor = Kind() != PackageChoice::kContainer;
    for (int control : kSelfExtractorLayout) EnableWindow(GetDlgItem(dialog_, control), self_extractor);
    SetDlgItemTextW(dialog_, IDC_PACKER_MESSAGE_NOTE,
                    WideText(self_extractor ? TextId::kPackerAttachmentsNote : TextId::kPackerContainerLayout).c_str());
  }

  void ChoosePicture() {
    std::vector<std::wstring> paths;
    if (!OpenFiles(TextId::kPackerPictureTitle, TextId::kPackerPicturesFilter, L"*.bmp", false, &paths)) return;
    SetDlgItemTextW(dialog_, IDC_PACKER_PICTURE, paths.front().c_str());
  }

  // False, with a message naming the field, when a text of the layout has a
  // character the package's texts cannot hold (the packer would refuse it).
  bool LayoutFits() {
    for (const LayoutText& text : kLayoutTexts) {
      if (!IsWindowEnabled(GetDlgItem(dialog_, text.control))) continue;
      const std::wstring wide = WideTextOf(dialog_, text.control);
      String program;
      if (!platform::ProgramTextOf(wide.c_str(), wide.size(), &program)) {
        ShowBox(dialog_, WideTextWith(TextId::kPackerTextHasNoForm, FieldName(dialog_, text.label)),
                MB_OK | MB_ICONERROR);
        SendMessageW(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog_, text.control)), TRUE);
        return false;
      }
    }
    std::vector<uint8_t> picture;
    return ReadPicture(&picture);
  }

  // The chosen picture's bytes (none when no picture is named); false, with
  // a message naming the file, when it is no readable BMP file.
  bool ReadPicture(std::vector<uint8_t>* bytes) {
    if (!IsWindowEnabled(GetDlgItem(dialog_, IDC_PACKER_PICTURE))) return true;
    const std::wstring wide = WideTextOf(dialog_, IDC_PACKER_PICTURE);
    if (wide.empty()) return true;
    String path;
    platform::File file;
    bool ok = platform::ProgramTextOf(wide.c_str(), wide.size(), &path) &&
              file.Open(ToInternalPath(path).c_str(), "rb");
    uint8_t buffer[65536];
    for (size_t n; ok && (n = file.Read(buffer, sizeof buffer)) > 0;) {
      ok = bytes->size() + n <= kMaxPicture;
      if (ok) bytes->insert(bytes->end(), buffer, buffer + n);
    }
    if (ok && bytes->size() >= 54 && (*bytes)[0] == 'B' && (*bytes)[1] == 'M') return true;
    ShowBox(dialog_, WideTextWith(TextId::kPackerPictureUnusable, L"'" + wide + L"'"), MB_OK | MB_ICONERROR);
    return false;
  }

  // The receiver's main dialog with what is typed here, as the
  // self-extractor will show it.
  void Preview() {
    std::vector<uint8_t> picture;
    if (!LayoutFits() || !ReadPicture(&picture)) return;
    PayloadLayout layout;
    layout.has_layout = 1;
    const String description = Utf8TextOf(dialog_, IDC_PACKER_DESCRIPTION);
    const String link = Utf8TextOf(dialog_, IDC_PACKER_LINK);
    Utf8ToWindows1252(description.c_str(), &layout.info_text);
    Utf8ToWindows1252(link.c_str(), &layout.link_text);
    layout.bitmap_data = picture.empty() ? nullptr : picture.data();
    layout.bitmap_size = static_cast<uint32_t>(picture.size());
    PreviewMainDialog(dialog_, layout);
  }

  void UpdateStrength() {
    const String password = Utf8TextOf(dialog_, IDC_PACKER_PASSWORD);
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
    SetItemText(dialog_, IDC_PACKER_PROPOSED, FormatUserText(TextId::kPackerProposed, phrase));
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
    const String password = Utf8TextOf(dialog_, IDC_PACKER_PASSWORD);
    const String repeated = Utf8TextOf(dialog_, IDC_PACKER_REPEAT);
    if (password.IsEmpty()) return ShowBox(dialog_, WideText(TextId::kPackerPasswordMissing), MB_OK | MB_ICONERROR);
    if (!(password == repeated)) {
      return ShowBox(dialog_, WideText(TextId::kPackerPasswordMismatch), MB_OK | MB_ICONERROR);
    }
    choices_ = PackerChoices();
    choices_.items = items_;
    choices_.kind = Kind();
    static const int kCompressions[] = {1, 2, 0};
    const LRESULT compression = SendDlgItemMessageW(dialog_, IDC_PACKER_COMPRESSION, CB_GETCURSEL, 0, 0);
    choices_.compression = kCompressions[compression >= 0 && compression < 3 ? compression : 0];
    choices_.classic = IsDlgButtonChecked(dialog_, IDC_PACKER_CLASSIC) == BST_CHECKED;
    choices_.message = Utf8TextOf(dialog_, IDC_PACKER_MESSAGE);
    if (choices_.kind != PackageChoice::kContainer) {
      choices_.description = Utf8TextOf(dialog_, IDC_PACKER_DESCRIPTION);
      choices_.link = Utf8TextOf(dialog_, IDC_PACKER_LINK);
      choices_.disclaimer = Utf8TextOf(dialog_, IDC_PACKER_DISCLAIMER);
      const std::wstring picture = WideTextOf(dialog_, IDC_PACKER_PICTURE);
      String program;
      if (!picture.empty() && platform::ProgramTextOf(picture.c_str(), picture.size(), &program)) {
        choices_.picture = ToInternalPath(program).c_str();
      }
    }

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
    SendDlgItemMessageW(dialog_, IDC_PACKER_PROGRESS, PBM_SETPOS, 0, 0);
    SetItemText(dialog_, IDC_PACKER_STATUS, UserText(TextId::kPackerPacking));
    ShowStep(kPacking);
    worker_ = std::thread([this] {
      const int code = actions_->Pack(choices_, password_, this);
      PostMessageW(dialog_, kDoneMessage, static_cast<WPARAM>(code), 0);
    });
  }

  void Finished(int code) {
    worker_.join();
    password_.Empty();
    std::wstring messages;
    {
      std::lock_guard<std::mutex> lock(messages_lock_);
      messages = messages_;
    }
    if (code == 0) {
      const String out(choices_.out.c_str());
      const std::wstring size = WideTextWith(TextId::kPackerSizeBytes, std::to_wstring(QueryFileSize(out)));
      const std::wstring named = platform::WideOf(ToDisplayPath(out)) + L" (" + size + L")";
      SetDlgItemTextW(dialog_, IDC_PACKER_DONE, WideTextWith(TextId::kPackerDone, named).c_str());
      ShowStep(kDone);
      return;
    }
    ShowStep(kPassword);
    if (cancel_) {
      ShowBox(dialog_, WideText(TextId::kPackerCancelled), MB_OK | MB_ICONINFORMATION);
    } else {
      ShowBox(dialog_, WideTextWith(TextId::kPackerFailed, messages), MB_OK | MB_ICONERROR);
    }
  }

  PackerActions* actions_;
  std::vector<std::string> items_;
  std::vector<std::string> unfit_;
  std::vector<std::string> problems_;
  // The check of the items on its thread, and what it found.
  std::thread check_;
  bool checking_ = false;
  bool check_again_ = false;
  bool next_waits_ = false;
  std::mutex check_lock_;
  uint64_t checked_bytes_ = 0;
  std::vector<std::string> checked_problems_;
  HWND dialog_ = nullptr;
  Step step_ = kItems;
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
