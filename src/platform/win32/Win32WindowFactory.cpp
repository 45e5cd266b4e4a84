#include "platform/win32/Win32WindowFactory.h"

#include <commctrl.h>
#include <prsht.h>
// <prsht.h> maps PropertySheet to PropertySheetW; the program's port of that name is meant here.
#undef PropertySheet

#include "platform/win32/Win32MessageRouting.h"
#include "platform/win32/Win32PropertySheet.h"
#include "ui/SentOnlyMessages.h"

namespace quendal {

namespace {

constexpr wchar_t kModalEndProperty[] = L"QuendalModalEnd";

// Whether EndModalRun was called for the window, and with which result.
bool ModalRunEnded(HWND window, int& result) {
  const auto value = reinterpret_cast<INT_PTR>(GetPropW(window, kModalEndProperty));
  if (value == 0) return false;
  result = static_cast<int>(value >> 1);
  return true;
}

// Drops what EndModalRun left on the window, before the window is destroyed.
void ForgetModalRun(HWND window) { RemovePropW(window, kModalEndProperty); }

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
  // The handle value carries the result; the property's presence says the run has ended.
  SetPropW(window, kModalEndProperty,
           reinterpret_cast<HANDLE>(static_cast<INT_PTR>(result) << 1 | 1));
  PostMessageW(window, WM_NULL, 0, 0);
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
  HWND window = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(dialog.TemplateId()),
                                   nullptr, DialogProcedure, reinterpret_cast<LPARAM>(&dialog));
  if (window == nullptr) return -1;
  int result = -1;
  MSG message{};
  while (!ModalRunEnded(window, result)) {
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
  ForgetModalRun(window);
  DestroyWindow(window);
  return result;
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
