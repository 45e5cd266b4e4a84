// The notification area and the program's menus in memory. The menus are the program's own,
// read from its resource script. Records every icon added and deleted, every menu loaded,
// tracked and destroyed; a script chooses the command picked from a tracked menu, which then
// reaches the owner the way WM_COMMAND would. The shell may refuse adds, or time out on them.
// Counts icons and menus still held, and misuses (handles used after they were destroyed), so
// that tests can prove nothing leaks.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/Tray.h"
#include "support/RcMenus.h"

namespace quendal::test {

class FakeTray : public Tray {
 public:
  struct Track {
    unsigned menu;  // resource id of the menu the popup belongs to
    unsigned flags;
    ScreenPoint at;
    WindowId owner;
  };

  FakeTray() = default;
  // With the menus read once beforehand, for rigs built over and over.
  explicit FakeTray(std::map<unsigned, RcMenu> programMenus) : menus(std::move(programMenus)) {}

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
  void TrackPopupMenu(MenuHandle popup, unsigned flags, ScreenPoint at, WindowId owner) override;
  void EndMenu() override { ++menusEnded; }
  ScreenPoint GetCursorPos() override { return cursor; }
  void SetForegroundWindow(WindowId window) override { foregrounds.push_back(window); }
  bool IsWindow(WindowId window) override { return window != 0 && !deadWindows.contains(window); }

  // The shell restarts: the notification area comes back empty.
  void RestartShell() {
    shown.clear();
    versions.clear();
  }
  // The resource id an icon handle was loaded from; zero for an unknown handle.
  unsigned IconResource(IconHandle icon) const;
  // The callback version the shell holds for the icon (owner, id); zero when none was set.
  unsigned Version(WindowId owner, unsigned id) const;
  // The icon the notification area shows for (owner, id), if any.
  const NotifyIcon* Shown(WindowId owner, unsigned id) const;

  int OpenIcons() const { return static_cast<int>(m_icons.size()); }
  int OpenMenus() const { return static_cast<int>(m_menus.size()); }

  // Script.
  std::map<unsigned, RcMenu> menus = ReadRcMenus();  // the resources LoadMenuResource finds
  std::set<unsigned> missingIcons;
  std::set<WindowId> deadWindows;  // IsWindow is false for these (and for 0)
  bool shellRefusesAdd = false;
  // The shell shows an added icon but reports the add as failed, as one that timed out does.
  bool shellTimesOut = false;
  // Where the system places a shown icon; none where it cannot tell.
  std::optional<Rect> iconRect;
  ScreenPoint cursor{640, 1000};
  // The item the user picks from each tracked menu; nothing dismisses the menu. A separator,
  // a greyed item or an id the menu lacks sends nothing, as with the real menus.
  std::optional<unsigned> choice;
  std::function<void(WindowId owner, unsigned command)> onCommand;  // WM_COMMAND to the owner
  std::function<void()> whileTracking;  // runs inside TrackPopupMenu's own message loop

  // Observations.
  std::vector<NotifyIcon> adds;                                // every NIM_ADD the shell accepted
  int addRequests = 0;                                         // every NIM_ADD asked for
  std::vector<std::pair<WindowId, unsigned>> deletes;          // every NIM_DELETE asked for
  std::map<std::pair<WindowId, unsigned>, NotifyIcon> shown;   // the notification area now
  std::map<std::pair<WindowId, unsigned>, unsigned> versions;  // of the icons shown now
  std::vector<unsigned> menuLoads;                             // resource ids, loaded or not
  std::vector<Track> tracks;
  std::vector<WindowId> foregrounds;
  std::vector<std::pair<WindowId, unsigned>> commandsSent;
  // Also: a menu destroyed while it was being tracked, a version set for an icon not shown.
  int misuses = 0;
  int menusEnded = 0;

 private:
  struct Menu {
    unsigned resource;
    MenuHandle popup;  // of a bar; zero for a popup, or a bar without one
  };

  bool Enabled(unsigned menu, unsigned command) const;

  std::map<IconHandle, unsigned> m_icons;  // live icon -> resource id
  std::map<IconHandle, unsigned> m_destroyedIcons;
  std::map<MenuHandle, Menu> m_menus;  // live bars and popups
  std::uintptr_t m_next = 0x5000;
};

}  // namespace quendal::test
