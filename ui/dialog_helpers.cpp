#include "ui/dialog_helpers.h"

#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "fs/disk_query.h"
#include "base/text_encoding.h"
#include "fs/path.h"
#include "platform/win32/wide_text.h"
#include "ui/win32_handles.h"

namespace mv::ui {
namespace {

constexpr int kFileNameBuffer = MAX_PATH;  // 260 bytes: 259 characters and the NUL
constexpr int kDialogTextBuffer = 65535;
// Room right of the widest item, as the list box leaves left of it.
constexpr int kListItemMargin = 4;

// Keeps COM initialised on this thread for the folder browser.
class ComScope {
 public:
  ComScope() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComScope() {
    if (initialised_) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool initialised_;
};

}  // namespace

std::vector<wchar_t> FilterBlock(const StringArray& filters) {
  std::vector<wchar_t> block;
  for (int32_t i = 0; i < filters.GetCount(); ++i) {
    const std::wstring text = platform::WideOf(filters[i]);
    block.insert(block.end(), text.begin(), text.end());
    block.push_back(L'\0');
  }
  block.push_back(L'\0');
  return block;
}

Result GetSaveFilePath(HWND owner, const String& title, const StringArray& filters, const String& initial_folder,
                       const char* default_extension, String* path) {
  wchar_t file_name[kFileNameBuffer] = {};
  lstrcpynW(file_name, platform::WidePathOf(path->c_str()).c_str(), kFileNameBuffer);
  const std::wstring folder = FolderExists(initial_folder) ? platform::WidePathOf(initial_folder.c_str()) : L"";
  const std::vector<wchar_t> filter_block = FilterBlock(filters);
  const std::wstring wide_title = platform::WideOf(title);
  const std::wstring extension = platform::WideOf(default_extension);

  OPENFILENAMEW request{};
  request.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
  request.hwndOwner = owner;
  request.lpstrFilter = filter_block.data();
  request.lpstrFile = file_name;
  request.nMaxFile = kFileNameBuffer;
  request.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  request.lpstrTitle = wide_title.c_str();
  request.lpstrDefExt = default_extension == nullptr ? nullptr : extension.c_str();
  request.Flags = OFN_EXPLORER | OFN_LONGNAMES | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_OVERWRITEPROMPT;
  bool chosen = GetSaveFileNameW(&request) != FALSE;
  // A name the program's code page cannot hold cannot be written to.
  String native;
  chosen = chosen && platform::ProgramTextOf(file_name, wcslen(file_name), &native);
  *path = chosen ? ToInternalPath(native) : String("");
  SecureZeroMemory(file_name, sizeof file_name);
  return chosen ? kOk : kCancelled;
}

Result BrowseForFolder(HWND owner, const String& title, String* folder) {
  ComScope com;
  wchar_t display_name[MAX_PATH] = {};
  const std::wstring wide_title = platform::WideOf(title);
  BROWSEINFOW request{};
  request.hwndOwner = owner;
  request.pszDisplayName = display_name;
  request.lpszTitle = wide_title.c_str();
  request.ulFlags = BIF_RETURNONLYFSDIRS;
  *folder = "";
  LPITEMIDLIST items = SHBrowseForFolderW(&request);
  if (items == nullptr) return kFailed;
  wchar_t chosen[MAX_PATH] = {};
  const bool has_path = SHGetPathFromIDListW(items, chosen) != FALSE;
  CoTaskMemFree(items);
  String native;
  if (!has_path || chosen[0] == L'\0' || !platform::ProgramTextOf(chosen, wcslen(chosen), &native)) return kFailed;
  *folder = AddTrailingSlash(ToInternalPath(native));
  return FolderExists(*folder) ? kOk : kFailed;
}

bool CopyTextToClipboard(const String& text, HWND owner) {
  if (!OpenClipboard(owner)) return false;
  EmptyClipboard();
  const std::wstring wide = platform::WideOf(text);
  GlobalBlock block(GlobalAlloc(GMEM_MOVEABLE, (wide.size() + 1) * sizeof(wchar_t)));
  bool placed = false;
  if (block.get() != nullptr) {
    auto* target = static_cast<wchar_t*>(GlobalLock(block.get()));
    if (target != nullptr) {
      std::memcpy(target, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
      GlobalUnlock(block.get());
      // The clipboard owns the memory once it has taken it; the system
      // offers the other text formats from this one.
      placed = SetClipboardData(CF_UNICODETEXT, block.get()) != nullptr;
      if (placed) block.Release();
    }
  }
  CloseClipboard();
  return placed;
}

String GetDlgItemString(HWND dialog, int control) {
  Utf16Units typed(kDialogTextBuffer + 1, 0);
  const UINT length = GetDlgItemTextW(dialog, control, reinterpret_cast<wchar_t*>(typed.data()), kDialogTextBuffer);
  String text;
  // A character the program's code page cannot hold makes no text it can
  // use: "" (a path then counts as invalid, and is said to be).
  if (!platform::ProgramTextOf(reinterpret_cast<const wchar_t*>(typed.data()), length, &text)) return String("");
  return text;
}

void FitListHorizontalExtent(HWND list) {
  HDC context = GetDC(list);
  if (context == nullptr) return;
  HGDIOBJ previous = SelectObject(context, reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0)));
  LONG widest = 0;
  const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length <= 0) continue;
    std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
    SIZE size{};
    if (GetTextExtentPoint32W(context, text.data(), static_cast<int>(length), &size) && size.cx > widest) {
      widest = size.cx;
    }
  }
  SelectObject(context, previous);
  ReleaseDC(list, context);
  SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + 2 * kListItemMargin), 0);
}

void GetChildRect(HWND window, RECT* rect) {
  GetWindowRect(window, rect);
  // GetParent answers the owner for a top-level window; only a child has a
  // parent whose client area counts.
  const bool child = (GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) != 0;
  HWND parent = child ? GetParent(window) : nullptr;
  if (parent != nullptr) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(rect), 2);
}

}  // namespace mv::ui
