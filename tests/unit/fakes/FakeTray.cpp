#include "fakes/FakeTray.h"

namespace quendal::test {

IconHandle FakeTray::LoadIcon(unsigned resourceId) {
  if (missingIcons.contains(resourceId)) return 0;
  const IconHandle icon = m_next++;
  m_icons[icon] = resourceId;
  return icon;
}

void FakeTray::DestroyIcon(IconHandle icon) {
  const auto live = m_icons.find(icon);
  if (live == m_icons.end()) {
    ++misuses;
    return;
  }
  m_destroyedIcons.insert(*live);
  m_icons.erase(live);
}

bool FakeTray::AddNotifyIcon(const NotifyIcon& icon) {
  ++addRequests;
  if (!m_icons.contains(icon.icon) || icon.tip.size() > NotifyIcon::kTipCapacity) ++misuses;
  // The shell refuses a second icon with the same owner and id.
  if (shellRefusesAdd || shown.contains({icon.owner, icon.id})) return false;
  shown[{icon.owner, icon.id}] = icon;
  adds.push_back(icon);
  return !shellTimesOut;
}

bool FakeTray::DeleteNotifyIcon(WindowId owner, unsigned id) {
  deletes.emplace_back(owner, id);
  versions.erase({owner, id});
  return shown.erase({owner, id}) != 0;
}

bool FakeTray::SetNotifyIconVersion(WindowId owner, unsigned id, unsigned version) {
  if (!shown.contains({owner, id})) {
    ++misuses;
    return false;
  }
  versions[{owner, id}] = version;
  return true;
}

std::optional<Rect> FakeTray::GetNotifyIconRect(WindowId owner, unsigned id) {
  if (!shown.contains({owner, id})) return std::nullopt;
  return iconRect;
}

MenuHandle FakeTray::LoadMenuResource(unsigned resourceId) {
  menuLoads.push_back(resourceId);
  const auto resource = menus.find(resourceId);
  if (resource == menus.end()) return 0;
  MenuHandle popup = 0;
  if (resource->second.popups > 0) {
    popup = m_next++;
    m_menus[popup] = {resourceId, 0};
  }
  const MenuHandle bar = m_next++;
  m_menus[bar] = {resourceId, popup};
  return bar;
}

MenuHandle FakeTray::GetSubMenu(MenuHandle menu, int position) {
  const auto bar = m_menus.find(menu);
  if (bar == m_menus.end()) {
    ++misuses;
    return 0;
  }
  return position == 0 ? bar->second.popup : 0;
}

void FakeTray::DeleteMenu(MenuHandle menu, int position) {
  const auto bar = m_menus.find(menu);
  if (bar == m_menus.end()) {
    ++misuses;
    return;
  }
  if (position != 0 || bar->second.popup == 0) return;
  m_menus.erase(bar->second.popup);
  bar->second.popup = 0;
}

void FakeTray::DestroyMenu(MenuHandle menu) {
  const auto bar = m_menus.find(menu);
  if (bar == m_menus.end()) {
    ++misuses;
    return;
  }
  // Destroying a bar destroys the popups it still holds.
  if (bar->second.popup != 0) m_menus.erase(bar->second.popup);
  m_menus.erase(bar);
}

void FakeTray::TrackPopupMenu(MenuHandle popup, unsigned flags, ScreenPoint at, WindowId owner) {
  const auto menu = m_menus.find(popup);
  if (menu == m_menus.end()) {
    ++misuses;
    return;
  }
  const unsigned resource = menu->second.resource;
  tracks.push_back({resource, flags, at, owner});
  if (whileTracking) whileTracking();
  // The system's menu loop still holds the menu when the handlers it ran return.
  if (!m_menus.contains(popup)) {
    ++misuses;
    return;
  }
  if (!choice || !Enabled(resource, *choice)) return;
  commandsSent.emplace_back(owner, *choice);
  if (onCommand) onCommand(owner, *choice);
}

unsigned FakeTray::IconResource(IconHandle icon) const {
  if (const auto live = m_icons.find(icon); live != m_icons.end()) return live->second;
  const auto destroyed = m_destroyedIcons.find(icon);
  return destroyed == m_destroyedIcons.end() ? 0 : destroyed->second;
}

unsigned FakeTray::Version(WindowId owner, unsigned id) const {
  const auto version = versions.find({owner, id});
  return version == versions.end() ? 0 : version->second;
}

const NotifyIcon* FakeTray::Shown(WindowId owner, unsigned id) const {
  const auto icon = shown.find({owner, id});
  return icon == shown.end() ? nullptr : &icon->second;
}

bool FakeTray::Enabled(unsigned menu, unsigned command) const {
  for (const RcMenuItem& item : menus.at(menu).items) {
    if (item.id == command) return command != 0 && !item.grayed;
  }
  return false;
}

}  // namespace quendal::test
