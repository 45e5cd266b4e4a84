#include "platform/win32/Win32MessageRouting.h"

#include <commctrl.h>
#include <windowsx.h>

#include <memory>

#include "platform/WindowsValues.h"
#include "platform/win32/Win32DialogWindow.h"
#include "ui/PropertyPage.h"

namespace quendal {

static_assert(kWmDeviceChange == WM_DEVICECHANGE);
static_assert(kWmQueryEndSession == WM_QUERYENDSESSION && kWmEndSession == WM_ENDSESSION);
static_assert(kWmPowerBroadcast == WM_POWERBROADCAST);
static_assert(kPbtApmResumeSuspend == PBT_APMRESUMESUSPEND &&
              kPbtApmResumeAutomatic == PBT_APMRESUMEAUTOMATIC);
static_assert(kWmQuit == WM_QUIT);

namespace {

Dialog* DialogOf(HWND window) {
  return reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, DWLP_USER));
}

INT_PTR WithResult(HWND window, LRESULT result) {
  SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
  return TRUE;
}

// Sent from Windows 8.1 to per-monitor aware windows; the headers of the oldest supported
// Windows do not declare it.
constexpr UINT kDpiChangedMessage = 0x02E0;

void DpiChanged(Dialog& dialog, const RECT& suggested) {
  dialog.OnDpiChanged({suggested.left, suggested.top, suggested.right, suggested.bottom});
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

bool DrawOwnerItem(Dialog& dialog, const DRAWITEMSTRUCT& item) {
  const auto* window = static_cast<const Win32DialogWindow*>(dialog.Window());
  return window != nullptr && window->BitmapButtons().Draw(item);
}

// A notification without its record is nobody's.
INT_PTR Notify(HWND window, Dialog& dialog, const NMHDR* header) {
  if (header == nullptr) return FALSE;
  std::intptr_t result = 0;
  if (!dialog.OnNotify(static_cast<int>(header->idFrom), static_cast<int>(header->code), result)) {
    return FALSE;
  }
  return WithResult(window, result);
}

// Only the sheet, or the page itself, sends the page its activation notifications; the same
// codes from any other window go on like any control's notification.
bool FromPageOrSheet(HWND page, const NMHDR& header) {
  return header.hwndFrom == page || header.hwndFrom == GetParent(page);
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
      return Notify(window, dialog, reinterpret_cast<const NMHDR*>(lParam));
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
      return DrawOwnerItem(dialog, *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)) ? TRUE : FALSE;
    case WM_QUERYDRAGICON:
      return static_cast<INT_PTR>(dialog.OnQueryDragIcon());
    case kDpiChangedMessage:
      DpiChanged(dialog, *reinterpret_cast<const RECT*>(lParam));
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

INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) return Attach(window, *reinterpret_cast<Dialog*>(lParam));
  Dialog* dialog = DialogOf(window);
  if (dialog == nullptr) return FALSE;
  if (message == WM_NCDESTROY) {
    Detach(window, *dialog);
    return FALSE;
  }
  return Route(window, *dialog, message, wParam, lParam);
}

INT_PTR CALLBACK PageProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
    return Attach(window, *reinterpret_cast<PropertyPage*>(sheetPage->lParam));
  }
  auto* page = static_cast<PropertyPage*>(DialogOf(window));
  if (page == nullptr) return FALSE;
  if (message == WM_NCDESTROY) {
    Detach(window, *page);
    return FALSE;
  }
  if (message == WM_NOTIFY && lParam != 0) {
    INT_PTR answer = FALSE;
    if (AnswerSheetNotification(window, *page, *reinterpret_cast<const NMHDR*>(lParam), answer)) {
      return answer;
    }
  }
  return Route(window, *page, message, wParam, lParam);
}

}  // namespace quendal
