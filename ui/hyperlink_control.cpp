#include "ui/hyperlink_control.h"


#include "ui/dialog_support.h"
#include "ui/resource_ids.h"
#include "ui/win32_handles.h"

namespace mv::ui {
namespace {

constexpr char kTextProperty[] = "wndtxt";
constexpr char kFontProperty[] = "font";
constexpr char kHoverProperty[] = "hover";
constexpr char kPressedProperty[] = "ddd";

constexpr COLORREF kNormalColour = 0xFF0000;  // blue
constexpr COLORREF kHoverColour = 0x0000FF;   // red

// The creation text is read through a buffer of this size.
constexpr int kCreationTextBuffer = 1000;

using Handler = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

HANDLE AsProperty(uintptr_t value) { return reinterpret_cast<HANDLE>(value); }

const char* StoredText(HWND window) {
  return static_cast<const char*>(GetPropA(window, kTextProperty));
}

// A zero-filled copy of text in global memory; null for an empty text or
// when no memory is left.
HGLOBAL CopyToGlobal(const char* text, size_t length) {
  if (text == nullptr || length == 0) return nullptr;
  HGLOBAL block = GlobalAlloc(GPTR, length + 1);
  if (block != nullptr) CopyMemory(block, text, length);
  return block;
}

void FreeStoredText(HWND window) {
  HGLOBAL old = GetPropA(window, kTextProperty);
  if (old != nullptr) GlobalFree(old);
  SetPropA(window, kTextProperty, nullptr);
}

LRESULT OnCreate(HWND window, UINT, WPARAM, LPARAM) {
  LOGFONTA description{};
  GetObjectA(GetStockObject(SYSTEM_FONT), sizeof description, &description);
  description.lfUnderline = TRUE;
  HFONT font = CreateFontIndirectA(&description);

  // Measure the creation text through a fixed buffer, then keep an exact copy.
  size_t length = 0;
  {
    GlobalBlock probe(GlobalAlloc(GPTR, kCreationTextBuffer));
    if (probe.get() != nullptr) {
      DefWindowProcA(window, WM_GETTEXT, kCreationTextBuffer, reinterpret_cast<LPARAM>(probe.get()));
      length = static_cast<size_t>(lstrlenA(static_cast<const char*>(probe.get())));
    }
  }
  HGLOBAL text = nullptr;
  if (length > 0) {
    text = GlobalAlloc(GPTR, length + 1);
    if (text != nullptr) DefWindowProcA(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text));
  }

  SetPropA(window, kTextProperty, text);
  SetPropA(window, kFontProperty, font);
  SetPropA(window, kHoverProperty, AsProperty(0));
  return 0;
}

LRESULT OnPaint(HWND window, UINT, WPARAM, LPARAM) {
  const char* text = StoredText(window);
  RECT client;
  GetClientRect(window, &client);
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  if (dc != nullptr) {
    SetTextColor(dc, GetPropA(window, kHoverProperty) != nullptr ? kHoverColour : kNormalColour);
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ previous = SelectObject(dc, GetPropA(window, kFontProperty));
    if (text != nullptr) DrawTextA(dc, text, -1, &client, DT_VCENTER);
    SelectObject(dc, previous);
  }
  EndPaint(window, &paint);
  return 0;
}

LRESULT SetHover(HWND window, bool hover) {
  SetPropA(window, kHoverProperty, AsProperty(hover ? 1 : 0));
  InvalidateRect(window, nullptr, TRUE);
  return 0;
}

LRESULT OnMouseHover(HWND window, UINT, WPARAM, LPARAM) { return SetHover(window, true); }
LRESULT OnMouseLeave(HWND window, UINT, WPARAM, LPARAM) { return SetHover(window, false); }

LRESULT OnButtonDown(HWND window, UINT, WPARAM, LPARAM) {
  SetPropA(window, kPressedProperty, AsProperty(1));
  return 0;
}

LRESULT OnButtonUp(HWND window, UINT, WPARAM, LPARAM) {
  if (GetPropA(window, kPressedProperty) != nullptr) {
    const int id = GetDlgCtrlID(window);
    SendMessageA(GetParent(window), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(window));
  }
  return 0;
}

LRESULT Ignore(HWND, UINT, WPARAM, LPARAM) { return 0; }

LRESULT OnDestroy(HWND window, UINT, WPARAM, LPARAM) {
  HGDIOBJ font = RemovePropA(window, kFontProperty);
  if (font != nullptr) DeleteObject(font);
  FreeStoredText(window);
  // The memory and the font are gone; the entries go too, so that the
  // window leaves no property atoms behind.
  RemovePropA(window, kTextProperty);
  RemovePropA(window, kHoverProperty);
  RemovePropA(window, kPressedProperty);
  return 0;
}

LRESULT OnSetText(HWND window, UINT, WPARAM, LPARAM lparam) {
  FreeStoredText(window);
  const char* text = reinterpret_cast<const char*>(lparam);
  const size_t length = text == nullptr ? 0 : static_cast<size_t>(lstrlenA(text));
  SetPropA(window, kTextProperty, CopyToGlobal(text, length));
  InvalidateRect(window, nullptr, TRUE);
  return 1;
}

LRESULT OnGetText(HWND window, UINT, WPARAM wparam, LPARAM lparam) {
  char* buffer = reinterpret_cast<char*>(lparam);
  const int size = static_cast<int>(wparam);
  if (buffer == nullptr || size <= 0) return 0;
  const char* text = StoredText(window);
  if (lstrcpynA(buffer, text != nullptr ? text : "", size) == nullptr) return 0;
  return lstrlenA(buffer);
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
  WNDCLASSEXA window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = &HyperlinkWndProc;
  window_class.hInstance = ProgramModule();
  window_class.hCursor = LoadCursorA(ProgramModule(), MAKEINTRESOURCEA(IDR_POINTING_HAND));
  window_class.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  window_class.lpszClassName = kHyperlinkClassName;
  return RegisterClassExA(&window_class);
}

LRESULT CALLBACK HyperlinkWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  for (const MessageRow& row : kMessageTable) {
    if (row.message == message && row.handler != nullptr) return row.handler(window, message, wparam, lparam);
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace mv::ui
