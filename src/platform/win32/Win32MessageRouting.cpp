#include "platform/win32/Win32MessageRouting.h"

#include <commctrl.h>
#include <windowsx.h>

#include <memory>

#include "platform/WindowsValues.h"
#include "platform/win32/Win32DialogWindow.h"
#include "ui/PropertyPage.h"
#include "ui/SentOnlyMessages.h"

namespace quendal {

static_assert(kWmDeviceChange == WM_DEVICECHANGE);
static_assert(kWmQueryEndSession == WM_QUERYENDSESSION && kWmEndSession == WM_ENDSESSION);
static_assert(kWmPowerBroadcast == WM_POWERBROADCAST);
static_assert(kPbtApmResumeSuspend == PBT_APMRESUMESUSPEND &&
              kPbtApmResumeAutomatic == PBT_APMRESUMEAUTOMATIC);
static_assert(kWmQuit == WM_QUIT);
static_assert(kWmNotify == WM_NOTIFY && kWmDrawItem == WM_DRAWITEM &&
              kWmInitDialog == WM_INITDIALOG);

namespace {

Dialog* DialogOf(HWND window) {
  return reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, DWLP_USER));
}

INT_PTR WithResult(HWND window, LRESULT result) {
  SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
  return TRUE;
}

// The record a message's lParam points at, when all of it lies in memory of this process that
// can be read. Another program can send any number there (Windows passes a WM_NOTIFY's lParam
// from one process to another unchanged): reading at such an address would end the program,
// while a record read from readable memory is only one whose contents the caller still checks.
template <typename Record>
const Record* ReadableRecord(LPARAM lParam) {
  constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                              PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
  const auto* record = reinterpret_cast<const Record*>(lParam);
  MEMORY_BASIC_INFORMATION region{};
  if (record == nullptr || VirtualQuery(record, &region, sizeof region) != sizeof region) {
    return nullptr;
  }
  const auto* regionEnd = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
  const bool readable = region.State == MEM_COMMIT && (region.Protect & kReadable) != 0 &&
                        (region.Protect & PAGE_GUARD) == 0;
  return readable && reinterpret_cast<const char*>(record + 1) <= regionEnd ? record : nullptr;
}

// Every window of the program belongs to this one thread, so a record naming a window of any
// other thread is not the program's.
bool OfThisThread(HWND other) {
  return GetWindowThreadProcessId(other, nullptr) == GetCurrentThreadId();
}

// The controls of a dialog, and the dialog itself, are the only senders of the notifications
// its handlers know.
bool IsWindowOrChild(HWND window, HWND other) {
  return OfThisThread(other) && (other == window || IsChild(window, other));
}

// The window is being created: its logic comes with this WM_INITDIALOG only. Once the logic is
// attached, another WM_INITDIALOG is not the system's.
bool IsCreation(HWND window, LPARAM lParam) { return lParam != 0 && DialogOf(window) == nullptr; }

void DpiChanged(Dialog& dialog, LPARAM lParam) {
  const auto* suggested = ReadableRecord<RECT>(lParam);
  if (suggested == nullptr) return;
  dialog.OnDpiChanged({suggested->left, suggested->top, suggested->right, suggested->bottom});
}

UINT TaskbarCreatedMessage() {
  static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
  return message;
}

INT_PTR Attach(HWND window, Dialog& dialog) {
  SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(&dialog));
  dialog.AttachWindow(std::make_unique<Win32DialogWindow>(window));
  return dialog.OnInitDialog() ? TRUE : FALSE;
}

void Detach(HWND window, Dialog& dialog) {
  SetWindowLongPtrW(window, DWLP_USER, 0);
  dialog.DetachWindow();
}

// The default painting, with the window's icon drawn centred while it is minimised, then the
// logic's own step.
void Paint(HWND window, Dialog& dialog) {
  PAINTSTRUCT paint{};
  HDC dc = BeginPaint(window, &paint);
  if (IsIconic(window)) {
    SendMessageW(window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client{};
    GetClientRect(window, &client);
    const int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_BIG, 0)));
  }
  EndPaint(window, &paint);
  dialog.OnPaint();
}

// Only a button of this window, named by its own id, is drawn.
bool DrawOwnerItem(HWND window, Dialog& dialog, LPARAM lParam) {
  const auto* item = ReadableRecord<DRAWITEMSTRUCT>(lParam);
  if (item == nullptr || item->hwndItem == nullptr || !OfThisThread(item->hwndItem) ||
      item->hwndItem != GetDlgItem(window, static_cast<int>(item->CtlID))) {
    return false;
  }
  const auto* dialogWindow = static_cast<const Win32DialogWindow*>(dialog.Window());
  return dialogWindow != nullptr && dialogWindow->BitmapButtons().Draw(*item);
}

// A notification without its record, or from a window that is neither this one nor one of its
// controls, is nobody's.
INT_PTR Notify(HWND window, Dialog& dialog, LPARAM lParam) {
  if (!IsOwnNotification(window, lParam)) return FALSE;
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  std::intptr_t result = 0;
  if (!dialog.OnNotify(static_cast<int>(header->idFrom), static_cast<int>(header->code), result)) {
    return FALSE;
  }
  return WithResult(window, result);
}

// Only the sheet, or the page itself, sends the page its activation notifications; the same
// codes from any other window go on like any control's notification.
bool FromPageOrSheet(HWND page, const NMHDR& header) {
  return OfThisThread(header.hwndFrom) &&
         (header.hwndFrom == page || header.hwndFrom == GetParent(page));
}

// Answers the page's activation notifications; false for every other notification, which goes
// on to the page's own handlers.
bool AnswerSheetNotification(HWND window, PropertyPage& page, const NMHDR& header,
                             INT_PTR& answer) {
  if (!FromPageOrSheet(window, header)) return false;
  switch (header.code) {
    case PSN_SETACTIVE:
      answer = WithResult(window, page.OnSetActive() ? 0 : -1);
      return true;
    case PSN_KILLACTIVE:
      answer = WithResult(window, page.OnKillActive() ? FALSE : TRUE);
      return true;
    default:
      return false;
  }
}

INT_PTR Route(HWND window, Dialog& dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      return dialog.OnCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    case WM_TIMER:
      dialog.OnTimer(static_cast<unsigned>(wParam));
      return TRUE;
    case WM_NOTIFY:
      return Notify(window, dialog, lParam);
    case WM_CLOSE:
      return dialog.OnClose() ? TRUE : FALSE;
    case WM_PAINT:
      Paint(window, dialog);
      return TRUE;
    case WM_MOVE:
      dialog.OnMove();
      return TRUE;
    case WM_LBUTTONDOWN:
      dialog.OnLButtonDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return FALSE;
    case WM_LBUTTONUP:
      dialog.OnLButtonUp(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return FALSE;
    case WM_MOUSEMOVE:
      dialog.OnMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return FALSE;
    case WM_DRAWITEM:
      return DrawOwnerItem(window, dialog, lParam) ? TRUE : FALSE;
    case WM_QUERYDRAGICON:
      return static_cast<INT_PTR>(dialog.OnQueryDragIcon());
    case kWmDpiChanged:
      DpiChanged(dialog, lParam);
      return TRUE;
    default:
      break;
  }
  if (message == TaskbarCreatedMessage()) {
    dialog.OnTaskbarCreated();
    return TRUE;
  }
  std::intptr_t result = 0;
  if (!dialog.OnWindowMessage(message, wParam, lParam, result)) return FALSE;
  return WithResult(window, result);
}

}  // namespace

bool IsOwnNotification(HWND window, LPARAM lParam) {
  const auto* header = ReadableRecord<NMHDR>(lParam);
  return header != nullptr && IsWindowOrChild(window, header->hwndFrom);
}

INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG && IsCreation(window, lParam)) {
    return Attach(window, *reinterpret_cast<Dialog*>(lParam));
  }
  Dialog* dialog = DialogOf(window);
  if (dialog == nullptr) return FALSE;
  if (message == WM_NCDESTROY) {
    Detach(window, *dialog);
    return FALSE;
  }
  return Route(window, *dialog, message, wParam, lParam);
}

INT_PTR CALLBACK PageProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG && IsCreation(window, lParam)) {
    const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
    return Attach(window, *reinterpret_cast<PropertyPage*>(sheetPage->lParam));
  }
  auto* page = static_cast<PropertyPage*>(DialogOf(window));
  if (page == nullptr) return FALSE;
  if (message == WM_NCDESTROY) {
    Detach(window, *page);
    return FALSE;
  }
  if (message == WM_NOTIFY) {
    INT_PTR answer = FALSE;
    const auto* header = ReadableRecord<NMHDR>(lParam);
    if (header != nullptr && AnswerSheetNotification(window, *page, *header, answer)) return answer;
  }
  return Route(window, *page, message, wParam, lParam);
}

}  // namespace quendal
