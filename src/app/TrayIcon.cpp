#include "app/TrayIcon.h"

namespace quendal {

namespace {

constexpr unsigned kMinimumMajorVersion = 4;  // the first with a notification area
constexpr unsigned kTrackLeftAlignedTop = 0;

bool IsHighSurrogate(wchar_t c) {
  const auto code = static_cast<std::uint32_t>(c);
  return code >= 0xD800 && code <= 0xDBFF;
}

}  // namespace

std::wstring FitTooltip(const std::wstring& tip) {
  if (tip.size() <= NotifyIcon::kTipCapacity) return tip;
  std::size_t length = NotifyIcon::kTipCapacity;
  if (IsHighSurrogate(tip[length - 1])) --length;
  return tip.substr(0, length);
}

CTrayIcon::CTrayIcon(Tray& tray, System& system) : m_tray(tray), m_system(system) {}

CTrayIcon::~CTrayIcon() {
  RemoveIcon();
  ReleaseRetiredMenu();
}

int CTrayIcon::AddIcon(WindowId owner, unsigned callbackMessage, const std::wstring& tip,
                       IconHandle icon, unsigned id) {
  RemoveIcon();
  m_nid = NotifyIcon{owner, id, callbackMessage, icon, FitTooltip(tip)};
  if (m_system.MajorVersion() < kMinimumMajorVersion) return AbandonAdd();
  if (owner == 0 || !m_tray.IsWindow(owner)) return AbandonAdd();
  m_hMenu = m_tray.LoadMenuResource(id & 0xFFFF);
  if (m_hMenu == 0) return AbandonAdd();
  m_hSubMenu = m_tray.GetSubMenu(m_hMenu, 0);
  if (m_hSubMenu == 0) return AbandonAdd();
  if (!m_tray.AddNotifyIcon(m_nid)) return AbandonAdd();
  m_bEnabled = true;
  return 1;
}

void CTrayIcon::RemoveIcon() {
  if (!m_bEnabled) return;
  m_tray.DeleteNotifyIcon(m_nid.owner, m_nid.id);
  ReleaseIcon();
  ReleaseMenu();
  m_bEnabled = false;
}

std::intptr_t CTrayIcon::OnTrayNotification(std::uintptr_t wParam, std::intptr_t lParam) {
  // A callback queued for an icon since removed, or one that arrives while the menu is being
  // tracked, opens nothing.
  if (!m_bEnabled || wParam != m_nid.id || m_bMenuOpen) return 0;
  const auto mouseMessage = static_cast<unsigned>(lParam & 0xFFFF);
  if (mouseMessage == kRightButtonDown || mouseMessage == kLeftButtonDown) {
    m_bMenuOpen = true;
    const ScreenPoint at = m_tray.GetCursorPos();
    // Without the foreground the menu would not close when the user clicks elsewhere.
    m_tray.SetForegroundWindow(m_nid.owner);
    m_tray.TrackPopupMenu(m_hSubMenu, kTrackLeftAlignedTop, at, m_nid.owner);
    m_bMenuOpen = false;
    ReleaseRetiredMenu();
  }
  return 1;
}

void CTrayIcon::OnTaskbarCreated() {
  if (m_bEnabled) m_tray.AddNotifyIcon(m_nid);
}

int CTrayIcon::AbandonAdd() {
  ReleaseMenu();
  ReleaseIcon();
  return 0;
}

// The window's handlers run inside the menu's own loop (a device change, a command sent by
// another program), so the icon may be removed while its menu is open. That menu is closed and
// destroyed only after the loop has let go of it.
void CTrayIcon::ReleaseMenu() {
  if (m_hMenu == 0) return;
  if (m_bMenuOpen) {
    ReleaseRetiredMenu();
    m_hRetiredMenu = m_hMenu;
    m_tray.EndMenu();
  } else {
    DestroyMenuBar(m_hMenu);
  }
  m_hMenu = 0;
  m_hSubMenu = 0;
}

void CTrayIcon::ReleaseRetiredMenu() {
  if (m_hRetiredMenu == 0) return;
  DestroyMenuBar(m_hRetiredMenu);
  m_hRetiredMenu = 0;
}

// Deleting the bar's only item destroys the popup with it.
void CTrayIcon::DestroyMenuBar(MenuHandle menu) {
  m_tray.DeleteMenu(menu, 0);
  m_tray.DestroyMenu(menu);
}

void CTrayIcon::ReleaseIcon() {
  if (m_nid.icon == 0) return;
  m_tray.DestroyIcon(m_nid.icon);
  m_nid.icon = 0;
}

}  // namespace quendal
