// The program's one icon in the notification area: a tooltip, a callback message to its
// owner window, and a popup menu opened by a press of either mouse button, or by Enter or Space
// on the icon from the keyboard. The owner changes icon and menu by removing the icon and
// adding it again; the menu's resource id doubles as the icon's id.
#pragma once

#include <cstdint>
#include <string>

#include "platform/System.h"
#include "platform/Tray.h"

namespace quendal {

class CTrayIcon {
 public:
  // While the shell refuses the icon, the owner offers it again every kRetryPeriodMs (through
  // RetryAdd) for kRetryWindowMs after the refusal.
  static constexpr unsigned kRetryPeriodMs = 2000;
  static constexpr unsigned kRetryWindowMs = 60000;

  CTrayIcon(Tray& tray, System& system);
  virtual ~CTrayIcon();  // leaves the icon removed
  CTrayIcon(const CTrayIcon&) = delete;
  CTrayIcon& operator=(const CTrayIcon&) = delete;

  // Shows the icon with menu `id`. The icon handle belongs to the tray icon from here on: it
  // is destroyed when the icon is removed, or at once when nothing is added. An icon already
  // added is removed first. Non-zero when the icon was added. An icon the shell refused (at
  // logon, before the notification area exists) is kept with its menu, waiting for the shell.
  int AddIcon(WindowId owner, unsigned callbackMessage, const std::wstring& tip, IconHandle icon,
              unsigned id);
  // Takes the icon away and releases its icon and menu; does nothing when not added.
  void RemoveIcon();
  // The owner's handler of the callback message; the result is the message's result:
  // 1 for a mouse or keyboard event on the current icon, 0 when it is not for this icon.
  virtual std::intptr_t OnTrayNotification(std::uintptr_t wParam, std::intptr_t lParam);
  // The shell rebuilt the notification area (the "TaskbarCreated" message): the icon it
  // lost, or an icon it refused before, is added again.
  void OnTaskbarCreated();
  // Offers an icon the shell refused once more. True while another retry is due: the icon is
  // still refused and the retry window is not over.
  bool RetryAdd();

  bool IsAdded() const { return m_bEnabled; }
  // The shell refused the icon; it is kept, to be offered again.
  bool IsWaitingForShell() const { return m_bWaitingForShell; }
  unsigned Id() const { return m_nid.id; }

 private:
  static constexpr unsigned kLeftButtonDown = 0x0201;
  static constexpr unsigned kRightButtonDown = 0x0204;
  // The callbacks of version 3 on: Enter or Space on the icon, reached from the keyboard,
  // comes as NIN_KEYSELECT (WM_USER + 1); mouse events keep their own messages.
  static constexpr unsigned kKeyboardCallbackVersion = 3;
  static constexpr unsigned kKeySelect = 0x0401;
  static constexpr unsigned kRetries = kRetryWindowMs / kRetryPeriodMs;

  // Holds an icon and its menu: added, or waiting for the shell.
  bool IsHeld() const { return m_bEnabled || m_bWaitingForShell; }
  // Hands the record to the shell, replacing an icon of the same id there when `replace`.
  void OfferToShell(bool replace);
  // Where the keyboard's menu opens: the icon's middle where the system tells its place, else
  // the cursor.
  ScreenPoint KeyboardMenuPlace();
  void TrackMenu(ScreenPoint at);
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
  bool m_bWaitingForShell = false;
  unsigned m_nRetriesLeft = 0;
  // The bar whose popup is being tracked. It outlives a removal of its icon, and is destroyed
  // once the tracking has returned, as the system's menu loop still holds it until then.
  MenuHandle m_hTrackedMenu = 0;
};

// The tooltip as the notification area holds it: at most NotifyIcon::kTipCapacity characters,
// never ending in half a surrogate pair.
std::wstring FitTooltip(const std::wstring& tip);

}  // namespace quendal
