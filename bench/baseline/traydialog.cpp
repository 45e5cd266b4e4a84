// The start-up baseline: the least a Win32 program does to put an icon in the notification
// area from a dialog. A modal dialog from an in-memory template adds one icon while it
// initialises, as the control panel does, and stays until the Exit command (32771) removes the
// icon and ends it.
#include <windows.h>

#include <shellapi.h>

namespace {

constexpr UINT kTrayCallback = WM_APP + 1;
constexpr UINT kIconId = 1;
constexpr WORD kExitCommand = 32771;

// An empty dialog template: no controls, not visible.
struct EmptyDialogTemplate {
  DLGTEMPLATE header{WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 0, 0, 100, 50};
  WORD menu = 0;
  WORD windowClass = 0;
  WORD title = 0;
};

NOTIFYICONDATAW IconRecord(HWND owner) {
  NOTIFYICONDATAW record{};
  record.cbSize = sizeof record;
  record.hWnd = owner;
  record.uID = kIconId;
  return record;
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      NOTIFYICONDATAW record = IconRecord(dialog);
      record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
      record.uCallbackMessage = kTrayCallback;
      record.hIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512));  // IDI_APPLICATION
      lstrcpynW(record.szTip, L"traydialog", ARRAYSIZE(record.szTip));
      Shell_NotifyIconW(NIM_ADD, &record);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == kExitCommand) {
        NOTIFYICONDATAW record = IconRecord(dialog);
        Shell_NotifyIconW(NIM_DELETE, &record);
        EndDialog(dialog, 0);
      }
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  static const EmptyDialogTemplate dialog;
  return static_cast<int>(
      DialogBoxIndirectParamW(instance, &dialog.header, nullptr, DialogProc, 0));
}
