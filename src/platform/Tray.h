// Port onto the notification area of the task bar and the menus shown from it: the icon
// itself (Shell_NotifyIconW) and its place on screen, menu resources, popup tracking, and the few
// window calls the tray icon needs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/DialogWindow.h"

// The Windows headers map LoadIcon to LoadIconW; the port's own LoadIcon keeps its name in
// every file that includes this one after them.
#ifdef LoadIcon
#undef LoadIcon
#endif

namespace quendal {

// Opaque menu handle (an HMENU's bits); zero means none.
using MenuHandle = std::uintptr_t;

struct ScreenPoint {
  int x = 0;
  int y = 0;
  bool operator==(const ScreenPoint&) const = default;
};

// What the notification area is told about one icon (NOTIFYICONDATAW with NIF_MESSAGE,
// NIF_ICON and NIF_TIP).
struct NotifyIcon {
  static constexpr std::size_t kTipCapacity = 63;  // characters, without the terminator

  WindowId owner = 0;
  unsigned id = 0;
  unsigned callbackMessage = 0;
  IconHandle icon = 0;
  std::wstring tip;
};

class Tray {
 public:
  virtual ~Tray() = default;

  // A private copy of one of the program's icons, sized for the notification area; the
  // holder may destroy it. Zero when there is no such icon.
  virtual IconHandle LoadIcon(unsigned resourceId) = 0;
  virtual void DestroyIcon(IconHandle icon) = 0;

  // Shell_NotifyIconW NIM_ADD and NIM_DELETE; true when the shell accepted.
  virtual bool AddNotifyIcon(const NotifyIcon& icon) = 0;
  virtual bool DeleteNotifyIcon(WindowId owner, unsigned id) = 0;
  // Shell_NotifyIconW NIM_SETVERSION for an added icon: the callbacks the icon sends from then
  // on are those of `version`.
  virtual bool SetNotifyIconVersion(WindowId owner, unsigned id, unsigned version) = 0;
  // The icon's rectangle on screen (Shell_NotifyIconGetRect, Windows 7 and later); none where
  // the system cannot tell.
  virtual std::optional<Rect> GetNotifyIconRect(WindowId owner, unsigned id) = 0;

  // Menus from the program's own resources. Deleting an item by position also destroys the
  // popup it holds.
  virtual MenuHandle LoadMenuResource(unsigned resourceId) = 0;
  virtual MenuHandle GetSubMenu(MenuHandle menu, int position) = 0;
  virtual void DeleteMenu(MenuHandle menu, int position) = 0;
  virtual void DestroyMenu(MenuHandle menu) = 0;
  // Shows the popup at `at` and returns when it closes; the chosen command reaches `owner`
  // as WM_COMMAND. TrackPopupMenu runs its own message loop, so handlers may run meanwhile.
  virtual void TrackPopupMenu(MenuHandle popup, unsigned flags, ScreenPoint at, WindowId owner) = 0;
  // Closes the menu being tracked (EndMenu); TrackPopupMenu then returns.
  virtual void EndMenu() = 0;

  virtual ScreenPoint GetCursorPos() = 0;
  virtual void SetForegroundWindow(WindowId window) = 0;
  virtual bool IsWindow(WindowId window) = 0;
};

}  // namespace quendal
