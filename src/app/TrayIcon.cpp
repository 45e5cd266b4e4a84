#include "app/TrayIcon.h"

#include <optional>

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

CTrayIcon::~CTrayIcon() { RemoveIcon(); }

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
  m_nRetriesLeft = kRetries;
  OfferToShell(false);
  return m_bEnabled ? 1 : 0;
}

void CTrayIcon::RemoveIcon() {
  if (!IsHeld()) return;
  // A refused add may still have reached the notification area (a shell that timed out).
  m_tray.DeleteNotifyIcon(m_nid.owner, m_nid.id);
  ReleaseIcon();
  ReleaseMenu();
  m_bEnabled = false;
  m_bWaitingForShell = false;
}

std::intptr_t CTrayIcon::OnTrayNotification(std::uintptr_t wParam, std::intptr_t lParam) {
  // A callback queued for an icon since removed, or one that arrives while the menu is being
  // tracked, opens nothing. One from an icon still waiting for the shell shows that the shell
  // has it after all.
  if (!IsHeld() || wParam != m_nid.id || m_bMenuOpen) return 0;
  const auto event = static_cast<unsigned>(lParam & 0xFFFF);
  if (event == kRightButtonDown || event == kLeftButtonDown) {
    TrackMenu(m_tray.GetCursorPos());
  } else if (event == kKeySelect) {
    TrackMenu(KeyboardMenuPlace());
  }
  return 1;
}

void CTrayIcon::OnTaskbarCreated() {
  if (!IsHeld()) return;
  m_nRetriesLeft = kRetries;
  OfferToShell(true);
}

bool CTrayIcon::RetryAdd() {
  if (!m_bWaitingForShell || m_nRetriesLeft == 0) return false;
  --m_nRetriesLeft;
  OfferToShell(true);
  return m_bWaitingForShell && m_nRetriesLeft > 0;
}

// A shell may keep an icon whose add it reported as failed (one that timed out at logon), and
// some rebuilds of the notification area keep their icons: either would refuse a second add
// of the same id, so an icon offered again replaces its namesake. The version belongs to the
// shell's record of one added icon, so every add declares it again.
void CTrayIcon::OfferToShell(bool replace) {
  if (replace) m_tray.DeleteNotifyIcon(m_nid.owner, m_nid.id);
  m_bEnabled = m_tray.AddNotifyIcon(m_nid);
  m_bWaitingForShell = !m_bEnabled;
  if (m_bEnabled) m_tray.SetNotifyIconVersion(m_nid.owner, m_nid.id, kKeyboardCallbackVersion);
}

ScreenPoint CTrayIcon::KeyboardMenuPlace() {
  const std::optional<Rect> icon = m_tray.GetNotifyIconRect(m_nid.owner, m_nid.id);
  if (!icon) return m_tray.GetCursorPos();
  return {icon->left + icon->Width() / 2, icon->top + icon->Height() / 2};
}

void CTrayIcon::TrackMenu(ScreenPoint at) {
  m_bMenuOpen = true;
  m_hTrackedMenu = m_hMenu;
  // Without the foreground the menu would not close when the user clicks elsewhere.
  m_tray.SetForegroundWindow(m_nid.owner);
  m_tray.TrackPopupMenu(m_hSubMenu, kTrackLeftAlignedTop, at, m_nid.owner);
  m_bMenuOpen = false;
  if (m_hTrackedMenu != m_hMenu) DestroyMenuBar(m_hTrackedMenu);
  m_hTrackedMenu = 0;
}

int CTrayIcon::AbandonAdd() {
  ReleaseMenu();
  ReleaseIcon();
  return 0;
}

// The window's handlers run inside the menu's own loop (a device change, a command sent by
// another program), so the icon may be removed while its menu is open, and more than once.
// The menu being tracked is closed, and destroyed by TrackMenu once the loop has let go of it;
// a menu loaded meanwhile was never shown and goes at once.
void CTrayIcon::ReleaseMenu() {
  if (m_hMenu == 0) return;
  if (m_hMenu == m_hTrackedMenu) {
    m_tray.EndMenu();
  } else {
    DestroyMenuBar(m_hMenu);
  }
  m_hMenu = 0;
  m_hSubMenu = 0;
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
