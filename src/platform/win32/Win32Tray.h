// The notification area and the program's menus over Shell_NotifyIconW (with
// Shell_NotifyIconGetRect where the system has it) and the USER32 menu functions.
#pragma once

#include "platform/Tray.h"

namespace quendal {

class Win32Tray : public Tray {
 public:
  IconHandle LoadIcon(unsigned resourceId) override;
  void DestroyIcon(IconHandle icon) override;
  bool AddNotifyIcon(const NotifyIcon& icon) override;
  bool DeleteNotifyIcon(WindowId owner, unsigned id) override;
  bool SetNotifyIconVersion(WindowId owner, unsigned id, unsigned version) override;
  std::optional<Rect> GetNotifyIconRect(WindowId owner, unsigned id) override;
  MenuHandle LoadMenuResource(unsigned resourceId) override;
  MenuHandle GetSubMenu(MenuHandle menu, int position) override;
  void DeleteMenu(MenuHandle menu, int position) override;
  void DestroyMenu(MenuHandle menu) override;
  void EndMenu() override;
  void TrackPopupMenu(MenuHandle popup, unsigned flags, ScreenPoint at, WindowId owner) override;
  ScreenPoint GetCursorPos() override;
  void SetForegroundWindow(WindowId window) override;
  bool IsWindow(WindowId window) override;
};

}  // namespace quendal
