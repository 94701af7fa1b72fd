#include "ui/progress_window.h"

#include <commctrl.h>

#include "fs/system_helpers.h"
#include "platform/interruption.h"
#include "platform/win32/wide_text.h"
#include "ui/dialog_support.h"
#include "ui/resource_ids.h"

namespace mv::ui {
namespace {

constexpr wchar_t kMessageName[] = L"CProcessUI_Impl_win32dlg_Progress";
constexpr char kEventNameFormat[] = "CProcessUI_Impl_win32dlg_Progress Event %i";
constexpr wchar_t kCancelProperty[] = L"CancelRequest";
constexpr uint32_t kPleaseWaitString = 18;

// WM_SHOWWINDOW's show flag as the window is told at the outermost begin.
constexpr WPARAM kShowFlag = 5;

// How long the window's thread holds the end of the session back while the
// decryption stops and its files are wiped, in steps that answer the
// decrypting thread's messages.
constexpr int kEndSessionWaitSteps = 90;
constexpr DWORD kEndSessionWaitStepMs = 50;

// How often the start-up wait looks again whether the window has started,
// in case the named event was signalled for another program's window.
constexpr DWORD kStartupRecheckMs = 50;

UINT ProgressMessage() {
  static const UINT message = RegisterWindowMessageW(kMessageName);
  return message;
}

// The process ends once this returns: the decryption stops at its next
// block, and the attempt wipes the work folder and ends the process first.
void HoldSessionEndForCleanUp() {
  platform::RequestInterruption();
  for (int step = 0; step < kEndSessionWaitSteps; ++step) {
    platform::WaitUntilInterruptionHandled(kEndSessionWaitStepMs);
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

}  // namespace

ProgressDialog::ProgressDialog(const ProgressWindowSettings& settings)
    : settings_{String(settings.text.c_str()), settings.owner, {}}, owner_(settings.owner) {
  message_ = ProgressMessage();
  String event_name;
  String::Format(event_name, kEventNameFormat, static_cast<int>(reinterpret_cast<intptr_t>(owner_)));
  startup_event_.Reset(CreateEventW(nullptr, FALSE, FALSE, platform::WideOf(event_name).c_str()));
  thread_.Reset(CreateThread(nullptr, 0, &ThreadMain, this, 0, &thread_id_));
  // A plain wait that answers no messages: the window signals while it is
  // being initialised, before it is shown, so until then its thread needs
  // nothing of this one. The thread's end means that no window will come.
  const HANDLE waits[] = {thread_.get(), startup_event_.get()};
  const DWORD count = startup_event_ ? 2 : 1;
  while (thread_ && !started_.load()) {
    if (WaitForMultipleObjects(count, waits, FALSE, kStartupRecheckMs) == WAIT_OBJECT_0) break;
  }
  startup_event_.Reset();
}

ProgressDialog::~ProgressDialog() {
  if (!thread_) return;
  // A window of the ending thread may send to this thread's windows while
  // it goes (activation); such messages are answered by the peek, which
  // removes nothing from the queue.
  const HANDLE thread = thread_.get();
  while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

DWORD WINAPI ProgressDialog::ThreadMain(void* self) {
  auto* dialog = static_cast<ProgressDialog*>(self);
  DialogBoxParamW(ProgramModule(), MAKEINTRESOURCEW(IDD_PROGRESS), dialog->owner_, &DialogProc,
                  reinterpret_cast<LPARAM>(dialog));
  return 0;
}

INT_PTR CALLBACK ProgressDialog::DialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == ProgressMessage()) {
    if (wparam == static_cast<WPARAM>(kProgressPosition)) {
      SendDlgItemMessageW(dialog, IDC_PROGRESS_BAR, PBM_SETPOS, static_cast<WPARAM>(lparam), 0);
    } else if (wparam == static_cast<WPARAM>(kProgressStatusText)) {
      SetItemText(dialog, IDC_PROGRESS_TEXT, String(reinterpret_cast<const char*>(lparam)));
      UpdateWindow(GetDlgItem(dialog, IDC_PROGRESS_TEXT));
    }
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 0);
    return TRUE;
  }
  switch (message) {
    case WM_INITDIALOG: {
      auto* self = reinterpret_cast<ProgressDialog*>(lparam);
      self->window_.store(dialog);
      SetEvent(self->startup_event_.get());
      // From here on the creating thread may close the event.
      self->started_.store(true);
      SetProgramIcon(dialog);
      SetItemText(dialog, IDC_PROGRESS_TEXT, LoadResString(kPleaseWaitString));
      return TRUE;
    }
    case WM_CLOSE:
      SetPropW(dialog, kCancelProperty, reinterpret_cast<HANDLE>(1));
      return TRUE;
    case WM_COMMAND:
      if (HIWORD(wparam) == 0 && LOWORD(wparam) == IDCANCEL) {
        SetPropW(dialog, kCancelProperty, reinterpret_cast<HANDLE>(1));
        return TRUE;
      }
      return FALSE;
    case WM_ENDSESSION:
      if (wparam != FALSE) HoldSessionEndForCleanUp();
      return TRUE;
    case WM_NCDESTROY:
      // Read by the decrypting thread only while the window exists.
      RemovePropW(dialog, kCancelProperty);
      return FALSE;
    default:
      return FALSE;
  }
}

Result ProgressDialog::OnProgress(int32_t code, intptr_t value) {
  HWND window = window_.load();
  switch (code) {
    case kProgressBegin:
      if (depth_ == 0) SendMessageW(window, WM_SHOWWINDOW, kShowFlag, 0);
      ++depth_;
      return kOk;
    case kProgressPosition:
      SendMessageW(window, message_, static_cast<WPARAM>(kProgressPosition), static_cast<LPARAM>(value));
      return GetPropW(window, kCancelProperty) != nullptr ? kCancelled : kOk;
    case kProgressStatusText:
      SendMessageW(window, message_, static_cast<WPARAM>(kProgressStatusText), static_cast<LPARAM>(value));
      return kOk;
    case kProgressEnd:
      --depth_;
      if (depth_ == 0) SendMessageW(window, WM_SHOWWINDOW, 0, 0);
      return kOk;
    default:
      return kOk;
  }
}

ProgressUI::ProgressUI(const ProgressWindowSettings* settings)
    : dialog_(std::make_unique<ProgressDialog>(*settings)), settings_(settings) {}

ProgressUI::~ProgressUI() {
  HWND window = GetWindow();
  if (window != nullptr) {
    EndDialog(window, 1);
    // Ended from this thread, the window's own loop learns of it with its
    // next message; this one lets it finish without waiting for input.
    PostMessageW(window, WM_NULL, 0, 0);
  }
  dialog_.reset();
}

Result ProgressUIEntry(int32_t code, int32_t value, uintptr_t word1, uintptr_t) {
  auto* progress = reinterpret_cast<ProgressUI*>(word1);
  if (progress == nullptr) return kOk;
  progress->Notify(code, value);
  ProgressDisplay* display = progress->GetDisplay();
  if (display == nullptr) return kOk;
  if (code == kProgressPosition) return display->OnProgress(code, progress->GetPosition());
  if (code == kProgressStatusText) {
    const String text = LoadResString(static_cast<uint32_t>(value));
    return display->OnProgress(code, reinterpret_cast<intptr_t>(text.c_str()));
  }
  return display->OnProgress(code, value);
}

}  // namespace mv::ui
