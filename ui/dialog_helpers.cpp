#include "ui/dialog_helpers.h"

#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstring>

#include "fs/disk_query.h"
#include "fs/path.h"
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

std::vector<char> FilterBlock(const StringArray& filters) {
  std::vector<char> block;
  for (int32_t i = 0; i < filters.GetCount(); ++i) {
    const char* text = filters[i].c_str();
    if (text != nullptr) block.insert(block.end(), text, text + std::strlen(text));
    block.push_back('\0');
  }
  block.push_back('\0');
  return block;
}

Result GetSaveFilePath(HWND owner, const String& title, const StringArray& filters, const String& initial_folder,
                       const char* default_extension, String* path) {
  char file_name[kFileNameBuffer] = {};
  const String start = ToNativePath(*path);
  lstrcpynA(file_name, start.c_str() != nullptr ? start.c_str() : "", kFileNameBuffer);
  const String folder = FolderExists(initial_folder) ? ToNativePath(initial_folder) : String("");
  const std::vector<char> filter_block = FilterBlock(filters);

  OPENFILENAMEA request{};
  request.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
  request.hwndOwner = owner;
  request.lpstrFilter = filter_block.data();
  request.lpstrFile = file_name;
  request.nMaxFile = kFileNameBuffer;
  request.lpstrInitialDir = folder.IsEmpty() ? nullptr : folder.c_str();
  request.lpstrTitle = title.c_str();
  request.lpstrDefExt = default_extension;
  request.Flags = OFN_EXPLORER | OFN_LONGNAMES | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_OVERWRITEPROMPT;
  const bool chosen = GetSaveFileNameA(&request) != FALSE;
  *path = chosen ? ToInternalPath(String(file_name)) : String("");
  SecureZeroMemory(file_name, sizeof file_name);
  return chosen ? kOk : kCancelled;
}

Result BrowseForFolder(HWND owner, const String& title, String* folder) {
  ComScope com;
  char display_name[MAX_PATH] = {};
  BROWSEINFOA request{};
  request.hwndOwner = owner;
  request.pszDisplayName = display_name;
  request.lpszTitle = title.c_str();
  request.ulFlags = BIF_RETURNONLYFSDIRS;
  *folder = "";
  LPITEMIDLIST items = SHBrowseForFolderA(&request);
  if (items == nullptr) return kFailed;
  char chosen[MAX_PATH] = {};
  const bool has_path = SHGetPathFromIDListA(items, chosen) != FALSE;
  CoTaskMemFree(items);
  if (!has_path || chosen[0] == '\0') return kFailed;
  *folder = AddTrailingSlash(ToInternalPath(String(chosen)));
  return FolderExists(*folder) ? kOk : kFailed;
}

bool CopyTextToClipboard(const String& text, HWND owner) {
  if (!OpenClipboard(owner)) return false;
  EmptyClipboard();
  const size_t length = static_cast<size_t>(text.GetLength());
  GlobalBlock block(GlobalAlloc(GMEM_MOVEABLE, length + 1));
  bool placed = false;
  if (block.get() != nullptr) {
    auto* target = static_cast<char*>(GlobalLock(block.get()));
    if (target != nullptr) {
      if (length > 0) std::memcpy(target, text.c_str(), length);
      target[length] = '\0';
      GlobalUnlock(block.get());
      // The clipboard owns the memory once it has taken it.
      placed = SetClipboardData(CF_TEXT, block.get()) != nullptr;
      if (placed) block.Release();
    }
  }
  CloseClipboard();
  return placed;
}

String GetDlgItemString(HWND dialog, int control) {
  String text;
  char* buffer = text.GetBuffer(kDialogTextBuffer);
  if (buffer == nullptr) return String("");
  buffer[0] = '\0';
  GetDlgItemTextA(dialog, control, buffer, kDialogTextBuffer);
  text.ReleaseBuffer();
  return text;
}

void FitListHorizontalExtent(HWND list) {
  HDC context = GetDC(list);
  if (context == nullptr) return;
  HGDIOBJ previous = SelectObject(context, reinterpret_cast<HGDIOBJ>(SendMessageA(list, WM_GETFONT, 0, 0)));
  LONG widest = 0;
  const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length <= 0) continue;
    std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
    SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
    SIZE size{};
    if (GetTextExtentPoint32A(context, text.data(), static_cast<int>(length), &size) && size.cx > widest) {
      widest = size.cx;
    }
  }
  SelectObject(context, previous);
  ReleaseDC(list, context);
  SendMessageA(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + 2 * kListItemMargin), 0);
}

void GetChildRect(HWND window, RECT* rect) {
  GetWindowRect(window, rect);
  // GetParent answers the owner for a top-level window; only a child has a
  // parent whose client area counts.
  const bool child = (GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD) != 0;
  HWND parent = child ? GetParent(window) : nullptr;
  if (parent != nullptr) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(rect), 2);
}

}  // namespace mv::ui
