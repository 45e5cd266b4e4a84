#include "platform/win32/Win32WindowFactory.h"

#include <commctrl.h>
#include <prsht.h>
// <prsht.h> maps PropertySheet to PropertySheetW; the program's port of that name is meant here.
#undef PropertySheet

#include "platform/win32/Win32MessageRouting.h"
#include "platform/win32/Win32PropertySheet.h"
#include "ui/Dialog.h"
#include "ui/SentOnlyMessages.h"

namespace quendal {

namespace {

// The modal runs in progress, innermost first; EndModalRun marks one. They are kept in the
// program's own memory rather than on the window: the loop asks after every message, and a window
// property is one more request to the window server each time. Only the user-interface thread
// runs windows.
struct ModalRun {
  Dialog& dialog;
  ModalRun* outer;
  bool ended = false;
  int result = -1;
};
ModalRun* g_innermostRun = nullptr;

// The dialog's window, once it has one: it may end its run while it is being made.
bool IsWindowOf(const ModalRun& run, HWND window) {
  const DialogWindow* own = run.dialog.Window();
  return own != nullptr && reinterpret_cast<HWND>(own->Id()) == window;
}

// Makes the run known to EndModalRun for as long as it lasts.
class ModalRunScope {
 public:
  explicit ModalRunScope(ModalRun& run) : m_run(run) { g_innermostRun = &run; }
  ~ModalRunScope() { g_innermostRun = m_run.outer; }
  ModalRunScope(const ModalRunScope&) = delete;
  ModalRunScope& operator=(const ModalRunScope&) = delete;

 private:
  ModalRun& m_run;
};

// A posted message that only the system sends, with a record, is another program's forgery: its
// lParam is an address in that program. It becomes WM_NULL before anyone reads it.
LRESULT CALLBACK DropForgedRecords(int code, WPARAM removal, LPARAM lParam) {
  if (code == HC_ACTION) {
    auto& message = *reinterpret_cast<MSG*>(lParam);
    if (IsSentOnlyRecordMessage(message.message)) {
      message.message = WM_NULL;
      message.wParam = 0;
      message.lParam = 0;
    }
  }
  return CallNextHookEx(nullptr, code, removal, lParam);
}

// Posted messages reach the program through this run's loop and through the loops the system
// runs inside it (the message boxes', the tray menu's), which dispatch to the same windows; a
// hook on the thread's queue sees every one of them before it is dispatched.
class ForgedRecordFilter {
 public:
  ForgedRecordFilter()
      : m_hook(SetWindowsHookExW(WH_GETMESSAGE, DropForgedRecords, nullptr, GetCurrentThreadId())) {
  }
  ~ForgedRecordFilter() {
    if (m_hook != nullptr) UnhookWindowsHookEx(m_hook);
  }
  ForgedRecordFilter(const ForgedRecordFilter&) = delete;
  ForgedRecordFilter& operator=(const ForgedRecordFilter&) = delete;

 private:
  HHOOK m_hook;
};

bool TranslateDialogKeys(MSG& message) {
  if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST) return false;
  if (HWND sheet = PropertySheetHolding(message.hwnd)) {
    return SendMessageW(sheet, PSM_ISDIALOGMESSAGE, 0, reinterpret_cast<LPARAM>(&message)) != 0;
  }
  HWND root = GetAncestor(message.hwnd, GA_ROOT);
  return root != nullptr && IsDialogMessageW(root, &message) != FALSE;
}

}  // namespace

void EndModalRun(HWND window, int result) {
  for (ModalRun* run = g_innermostRun; run != nullptr; run = run->outer) {
    if (!IsWindowOf(*run, window)) continue;
    run->ended = true;
    run->result = result;
    // Wakes the loop, which may be waiting for a message.
    PostMessageW(window, WM_NULL, 0, 0);
    return;
  }
}

bool Win32WindowFactory::CreateModeless(Dialog& dialog, WindowId owner) {
  return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(dialog.TemplateId()),
                            reinterpret_cast<HWND>(owner), DialogProcedure,
                            reinterpret_cast<LPARAM>(&dialog)) != nullptr;
}

// The run routes the keyboard of every window of the program (the sheet, the speaker test,
// the About box), which a system modal loop would do for its own dialog only.
int Win32WindowFactory::RunModal(Dialog& dialog) {
  const ForgedRecordFilter filter;
  ModalRun run{dialog, g_innermostRun};
  const ModalRunScope scope(run);
  HWND window = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(dialog.TemplateId()),
                                   nullptr, DialogProcedure, reinterpret_cast<LPARAM>(&dialog));
  if (window == nullptr) return -1;
  MSG message{};
  while (!run.ended) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      // Ending here would skip the exit sequence and leave the device as the user had it; the
      // dialog runs it, and the quit goes on to whoever runs the loop around this one.
      std::intptr_t ignored = 0;
      dialog.OnWindowMessage(WM_QUIT, message.wParam, message.lParam, ignored);
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (got == -1) break;
    if (TranslateDialogKeys(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  DestroyWindow(window);
  return run.result;
}

std::unique_ptr<PropertySheet> Win32WindowFactory::CreatePropertySheet() {
  return std::make_unique<Win32PropertySheet>();
}

// Shared: the system frees the icon with the program.
IconHandle Win32WindowFactory::LoadWindowIcon(unsigned iconId) {
  return reinterpret_cast<IconHandle>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(iconId), IMAGE_ICON,
                 GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_SHARED));
}

}  // namespace quendal
