#include "platform/win32/Win32Tray.h"

#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <optional>

// The port's LoadIcon, not the Windows macro of that name.
#undef LoadIcon

namespace quendal {

namespace {

HWND ToWindow(WindowId window) { return reinterpret_cast<HWND>(window); }
HMENU ToMenu(MenuHandle menu) { return reinterpret_cast<HMENU>(menu); }
MenuHandle FromMenu(HMENU menu) { return reinterpret_cast<MenuHandle>(menu); }
HINSTANCE Program() { return GetModuleHandleW(nullptr); }

// Shell_NotifyIconGetRect exists from Windows 7 on; the headers of an XP build do not declare it.
using GetRectFunction = HRESULT(WINAPI*)(const NOTIFYICONIDENTIFIER*, RECT*);

GetRectFunction FindShellNotifyIconGetRect() {
  // The program imports Shell_NotifyIconW, so shell32 is loaded for as long as it runs.
  HMODULE shell = GetModuleHandleW(L"shell32.dll");
  if (shell == nullptr) return nullptr;
  return reinterpret_cast<GetRectFunction>(
      reinterpret_cast<void*>(GetProcAddress(shell, "Shell_NotifyIconGetRect")));
}

NOTIFYICONDATAW Record(WindowId owner, unsigned id) {
  NOTIFYICONDATAW record{};
  record.cbSize = sizeof record;
  record.hWnd = ToWindow(owner);
  record.uID = id;
  return record;
}

}  // namespace

IconHandle Win32Tray::LoadIcon(unsigned resourceId) {
  // Without LR_SHARED the icon is a copy of the program's own, which DestroyIcon may free.
  const HANDLE icon = LoadImageW(Program(), MAKEINTRESOURCEW(resourceId), IMAGE_ICON,
                                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0);
  return reinterpret_cast<IconHandle>(icon);
}

void Win32Tray::DestroyIcon(IconHandle icon) { ::DestroyIcon(reinterpret_cast<HICON>(icon)); }

bool Win32Tray::AddNotifyIcon(const NotifyIcon& icon) {
  NOTIFYICONDATAW record = Record(icon.owner, icon.id);
  record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  record.uCallbackMessage = icon.callbackMessage;
  record.hIcon = reinterpret_cast<HICON>(icon.icon);
  const std::size_t length = std::min(icon.tip.size(), NotifyIcon::kTipCapacity);
  std::copy_n(icon.tip.data(), length, record.szTip);
  record.szTip[length] = L'\0';
  return Shell_NotifyIconW(NIM_ADD, &record) != FALSE;
}

bool Win32Tray::DeleteNotifyIcon(WindowId owner, unsigned id) {
  NOTIFYICONDATAW record = Record(owner, id);
  return Shell_NotifyIconW(NIM_DELETE, &record) != FALSE;
}

bool Win32Tray::SetNotifyIconVersion(WindowId owner, unsigned id, unsigned version) {
  NOTIFYICONDATAW record = Record(owner, id);
  record.uVersion = version;
  return Shell_NotifyIconW(NIM_SETVERSION, &record) != FALSE;
}

std::optional<Rect> Win32Tray::GetNotifyIconRect(WindowId owner, unsigned id) {
  const GetRectFunction getRect = FindShellNotifyIconGetRect();
  if (getRect == nullptr) return std::nullopt;
  NOTIFYICONIDENTIFIER icon{};
  icon.cbSize = sizeof icon;
  icon.hWnd = ToWindow(owner);
  icon.uID = id;
  RECT place{};
  if (FAILED(getRect(&icon, &place))) return std::nullopt;
  return Rect{place.left, place.top, place.right, place.bottom};
}

MenuHandle Win32Tray::LoadMenuResource(unsigned resourceId) {
  return FromMenu(LoadMenuW(Program(), MAKEINTRESOURCEW(resourceId)));
}

MenuHandle Win32Tray::GetSubMenu(MenuHandle menu, int position) {
  return FromMenu(::GetSubMenu(ToMenu(menu), position));
}

void Win32Tray::DeleteMenu(MenuHandle menu, int position) {
  ::DeleteMenu(ToMenu(menu), static_cast<UINT>(position), MF_BYPOSITION);
}

void Win32Tray::DestroyMenu(MenuHandle menu) { ::DestroyMenu(ToMenu(menu)); }

void Win32Tray::TrackPopupMenu(MenuHandle popup, unsigned flags, ScreenPoint at, WindowId owner) {
  ::TrackPopupMenu(ToMenu(popup), flags, at.x, at.y, 0, ToWindow(owner), nullptr);
  // A menu shown for a notification icon closes properly the next time only if its owner
  // receives a message once it has closed.
  PostMessageW(ToWindow(owner), WM_NULL, 0, 0);
}

void Win32Tray::EndMenu() { ::EndMenu(); }

ScreenPoint Win32Tray::GetCursorPos() {
  POINT point{};
  ::GetCursorPos(&point);
  return {point.x, point.y};
}

void Win32Tray::SetForegroundWindow(WindowId window) { ::SetForegroundWindow(ToWindow(window)); }

bool Win32Tray::IsWindow(WindowId window) { return ::IsWindow(ToWindow(window)) != FALSE; }

static_assert(sizeof(IconHandle) == sizeof(HICON));
static_assert(sizeof(MenuHandle) == sizeof(HMENU));
static_assert(NotifyIcon::kTipCapacity < sizeof(NOTIFYICONDATAW::szTip) / sizeof(wchar_t));

}  // namespace quendal
