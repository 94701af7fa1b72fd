#include "ui/hyperlink_control.h"


#include "ui/dialog_support.h"
#include "ui/resource_ids.h"
#include "ui/win32_handles.h"

namespace mv::ui {
namespace {

constexpr wchar_t kTextProperty[] = L"wndtxt";
constexpr wchar_t kFontProperty[] = L"font";
constexpr wchar_t kHoverProperty[] = L"hover";
constexpr wchar_t kPressedProperty[] = L"ddd";

constexpr COLORREF kNormalColour = 0xFF0000;  // blue
constexpr COLORREF kHoverColour = 0x0000FF;   // red

// The creation text is read through a buffer of this size.
constexpr int kCreationTextBuffer = 1000;

using Handler = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

HANDLE AsProperty(uintptr_t value) { return reinterpret_cast<HANDLE>(value); }

const wchar_t* StoredText(HWND window) {
  return static_cast<const wchar_t*>(GetPropW(window, kTextProperty));
}

// A zero-filled copy of length UTF-16 units of text in global memory; null
// for an empty text or when no memory is left.
HGLOBAL CopyToGlobal(const wchar_t* text, size_t length) {
  if (text == nullptr || length == 0) return nullptr;
  HGLOBAL block = GlobalAlloc(GPTR, (length + 1) * sizeof(wchar_t));
  if (block != nullptr) CopyMemory(block, text, length * sizeof(wchar_t));
  return block;
}

void FreeStoredText(HWND window) {
  HGLOBAL old = GetPropW(window, kTextProperty);
  if (old != nullptr) GlobalFree(old);
  SetPropW(window, kTextProperty, nullptr);
}

LRESULT OnCreate(HWND window, UINT, WPARAM, LPARAM) {
  LOGFONTW description{};
  GetObjectW(GetStockObject(SYSTEM_FONT), sizeof description, &description);
  description.lfUnderline = TRUE;
  HFONT font = CreateFontIndirectW(&description);

  // Measure the creation text through a fixed buffer, then keep an exact copy.
  size_t length = 0;
  {
    GlobalBlock probe(GlobalAlloc(GPTR, kCreationTextBuffer * sizeof(wchar_t)));
    if (probe.get() != nullptr) {
      DefWindowProcW(window, WM_GETTEXT, kCreationTextBuffer, reinterpret_cast<LPARAM>(probe.get()));
      length = static_cast<size_t>(lstrlenW(static_cast<const wchar_t*>(probe.get())));
    }
  }
  HGLOBAL text = nullptr;
  if (length > 0) {
    text = GlobalAlloc(GPTR, (length + 1) * sizeof(wchar_t));
    if (text != nullptr) DefWindowProcW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text));
  }

  SetPropW(window, kTextProperty, text);
  SetPropW(window, kFontProperty, font);
  SetPropW(window, kHoverProperty, AsProperty(0));
  return 0;
}

LRESULT OnPaint(HWND window, UINT, WPARAM, LPARAM) {
  const wchar_t* text = StoredText(window);
  RECT client;
  GetClientRect(window, &client);
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  if (dc != nullptr) {
    SetTextColor(dc, GetPropW(window, kHoverProperty) != nullptr ? kHoverColour : kNormalColour);
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ previous = SelectObject(dc, GetPropW(window, kFontProperty));
    if (text != nullptr) DrawTextW(dc, text, -1, &client, DT_VCENTER);
    SelectObject(dc, previous);
  }
  EndPaint(window, &paint);
  return 0;
}

LRESULT SetHover(HWND window, bool hover) {
  SetPropW(window, kHoverProperty, AsProperty(hover ? 1 : 0));
  InvalidateRect(window, nullptr, TRUE);
  return 0;
}

LRESULT OnMouseHover(HWND window, UINT, WPARAM, LPARAM) { return SetHover(window, true); }
LRESULT OnMouseLeave(HWND window, UINT, WPARAM, LPARAM) { return SetHover(window, false); }

LRESULT OnButtonDown(HWND window, UINT, WPARAM, LPARAM) {
  SetPropW(window, kPressedProperty, AsProperty(1));
  return 0;
}

LRESULT OnButtonUp(HWND window, UINT, WPARAM, LPARAM) {
  if (GetPropW(window, kPressedProperty) != nullptr) {
    const int id = GetDlgCtrlID(window);
    SendMessageW(GetParent(window), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(window));
  }
  return 0;
}

LRESULT Ignore(HWND, UINT, WPARAM, LPARAM) { return 0; }

LRESULT OnDestroy(HWND window, UINT, WPARAM, LPARAM) {
  HGDIOBJ font = RemovePropW(window, kFontProperty);
  if (font != nullptr) DeleteObject(font);
  FreeStoredText(window);
  // The memory and the font are gone; the entries go too, so that the
  // window leaves no property atoms behind.
  RemovePropW(window, kTextProperty);
  RemovePropW(window, kHoverProperty);
  RemovePropW(window, kPressedProperty);
  return 0;
}

LRESULT OnSetText(HWND window, UINT, WPARAM, LPARAM lparam) {
  FreeStoredText(window);
  const wchar_t* text = reinterpret_cast<const wchar_t*>(lparam);
  const size_t length = text == nullptr ? 0 : static_cast<size_t>(lstrlenW(text));
  SetPropW(window, kTextProperty, CopyToGlobal(text, length));
  InvalidateRect(window, nullptr, TRUE);
  return 1;
}

LRESULT OnGetText(HWND window, UINT, WPARAM wparam, LPARAM lparam) {
  wchar_t* buffer = reinterpret_cast<wchar_t*>(lparam);
  const int size = static_cast<int>(wparam);
  if (buffer == nullptr || size <= 0) return 0;
  const wchar_t* text = StoredText(window);
  if (lstrcpynW(buffer, text != nullptr ? text : L"", size) == nullptr) return 0;
  return lstrlenW(buffer);
}

struct MessageRow {
  UINT message;
  Handler handler;
};

// In this order; the first row of a message decides.
constexpr MessageRow kMessageTable[] = {
    {WM_CREATE, &OnCreate},
    {WM_PAINT, &OnPaint},
    {WM_MOUSEHOVER, &OnMouseHover},
    {WM_MOUSELEAVE, &OnMouseLeave},
    {WM_LBUTTONDOWN, &OnButtonDown},
    {WM_LBUTTONUP, &OnButtonUp},
    {WM_SETFONT, &Ignore},  // the control keeps its own font
    {WM_DESTROY, &OnDestroy},
    {WM_CAPTURECHANGED, &Ignore},
    {WM_SETFOCUS, &Ignore},
    {WM_KILLFOCUS, &Ignore},
    {WM_SETTEXT, &OnSetText},
    {WM_GETTEXT, &OnGetText},
};

}  // namespace

ATOM RegisterHyperlinkClass() {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = &HyperlinkWndProc;
  window_class.hInstance = ProgramModule();
  window_class.hCursor = LoadCursorW(ProgramModule(), MAKEINTRESOURCEW(IDR_POINTING_HAND));
  window_class.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  window_class.lpszClassName = kHyperlinkClassName;
  return RegisterClassExW(&window_class);
}

LRESULT CALLBACK HyperlinkWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  for (const MessageRow& row : kMessageTable) {
    if (row.message == message && row.handler != nullptr) return row.handler(window, message, wparam, lparam);
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace mv::ui
