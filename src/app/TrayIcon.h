// The program's one icon in the notification area: a tooltip, a callback message to its
// owner window, and a popup menu opened by a press of either mouse button. The owner changes
// icon and menu by removing the icon and adding it again; the menu's resource id doubles as
// the icon's id.
#pragma once

#include <cstdint>
#include <string>

#include "platform/System.h"
#include "platform/Tray.h"

namespace quendal {

class CTrayIcon {
 public:
  CTrayIcon(Tray& tray, System& system);
  virtual ~CTrayIcon();  // leaves the icon removed
  CTrayIcon(const CTrayIcon&) = delete;
  CTrayIcon& operator=(const CTrayIcon&) = delete;

  // Shows the icon with menu `id`. The icon handle belongs to the tray icon from here on: it
  // is destroyed when the icon is removed, or at once when nothing is added. An icon already
  // added is removed first. Non-zero when the icon was added.
  int AddIcon(WindowId owner, unsigned callbackMessage, const std::wstring& tip, IconHandle icon,
              unsigned id);
  // Takes the icon away and releases its icon and menu; does nothing when not added.
  void RemoveIcon();
  // The owner's handler of the callback message; the result is the message's result:
  // 1 for a mouse event on the current icon, 0 when it is not for this icon.
  virtual std::intptr_t OnTrayNotification(std::uintptr_t wParam, std::intptr_t lParam);
  // The shell rebuilt the notification area (the "TaskbarCreated" message): the icon it
  // lost is added again.
  void OnTaskbarCreated();

  bool IsAdded() const { return m_bEnabled; }
  unsigned Id() const { return m_nid.id; }

 private:
  static constexpr unsigned kLeftButtonDown = 0x0201;
  static constexpr unsigned kRightButtonDown = 0x0204;

  // Destroys a menu that had to outlive the tracking it was shown by.
  void ReleaseRetiredMenu();
  void DestroyMenuBar(MenuHandle menu);
  // Releases what a failed add already holds and answers FALSE.
  int AbandonAdd();
  void ReleaseMenu();
  void ReleaseIcon();

  Tray& m_tray;
  System& m_system;
  bool m_bEnabled = false;
  NotifyIcon m_nid;
  bool m_bMenuOpen = false;
  MenuHandle m_hMenu = 0;
  MenuHandle m_hSubMenu = 0;
  // The menu of a removed icon whose popup was still being tracked; destroyed once the
  // tracking has returned.
  MenuHandle m_hRetiredMenu = 0;
};

// The tooltip as the notification area holds it: at most NotifyIcon::kTipCapacity characters,
// never ending in half a surrogate pair.
std::wstring FitTooltip(const std::wstring& tip);

}  // namespace quendal
