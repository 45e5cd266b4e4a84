#include "app/ControlPanelDlg.h"

#include <algorithm>
#include <array>
#include <utility>

#include "device/ControlChannel.h"
#include "platform/WindowsValues.h"
#include "resource_ids.h"
#include "ui/CommandMap.h"
#include "ui/DpiScale.h"

namespace quendal {

namespace {

constexpr unsigned kPollPeriodMs = 200;
constexpr unsigned kArrivalSettleMs = 1000;
// From major version 5 on, the first device-node change that finds the device comes before
// its audio interfaces are ready; the second one attaches.
constexpr unsigned kVersionWithEarlyArrival = 5;
constexpr int kStartupHidingPaints = 2;

// The window's layout around its sheet, in pixels at 96 DPI: the frame's left edge, the width
// and the strip height added to the sheet's, the icon's place and size below the sheet, and the
// Close button's bottom edge below the sheet.
constexpr int kFrameLeft = 4;
constexpr int kExtraWidth = 10;
constexpr int kStripHeight = 42;
constexpr int kIconLeft = 9;
constexpr int kIconGap = 4;
constexpr int kIconWidth = 168;
constexpr int kIconHeight = 32;
constexpr int kCloseBottomGap = 36;

constexpr int kVolumePageIndex = 0;
constexpr int kEffectsPageIndex = 1;
constexpr int kInformationPageIndex = 2;

struct TrayLook {
  unsigned icon;
  unsigned menu;
};

// The tray icon and menu of each display state, in the order of DisplayState.
constexpr std::array<TrayLook, 3> kTrayLooks{{
    {IDI_NOT_CONNECTED, IDR_MENU_NOT_CONNECTED},
    {IDI_CONNECTED, IDR_MENU_CONNECTED},
    {IDI_SETTINGS_OPEN, IDR_MENU_SETTINGS_OPEN},
}};

// Enter and Escape (IDOK, IDCANCEL) close the settings like the Close button: the program only
// ever ends through the exit sequence.
constexpr std::array<CommandEntry<CControlPanelDlg>, 8> kCommandMap{{
    {ID_TRAY_EXIT, &CControlPanelDlg::OnExit},
    {ID_CHECK_PRESENCE, &CControlPanelDlg::OnCheckPresence},
    {ID_TRAY_OPEN_SETTINGS, &CControlPanelDlg::OnOpenSettings},
    {ID_TRAY_CLOSE_SETTINGS, &CControlPanelDlg::OnCloseSettings},
    {ID_TRAY_SPEAKER_TEST, &CControlPanelDlg::OnSpeakerTest},
    {IDC_CLOSE, &CControlPanelDlg::OnCloseSettings},
    {kIdOk, &CControlPanelDlg::OnCloseSettings},
    {kIdCancel, &CControlPanelDlg::OnCloseSettings},
}};

}  // namespace

CControlPanelDlg::CControlPanelDlg(const PanelServices& services, CommandTarget& application)
    : Dialog(IDD_CONTROL_PANEL),
      m_staticFrame(*this, IDC_SHEET_FRAME),
      m_hIcon(services.windows.LoadWindowIcon(IDI_CONNECTED)),
      m_trayIcon(services.tray, services.system),
      m_services(services),
      m_application(application) {}

// The sheet goes first: it refers to pages that only the exit sequence deletes.
CControlPanelDlg::~CControlPanelDlg() {
  RemoveBoxListener(this);
  m_sheet.reset();
}

bool CControlPanelDlg::OnInitDialog() {
  SetBoxListener(this);
  Window()->SetIcon(m_hIcon);
  CreatePages();
  m_sheet->Create(Window()->Id(), IDC_CLOSE);
  m_services.windows.CreateModeless(*m_pSpeakerTestDlg, Window()->Id());
  LayOutAroundSheet();
  m_nArrivalEvents = 0;
  if (m_services.presence.IsDevicePresent() != 0) {
    if (!m_services.presence.RegisterAudioFilter()) {
      OnExit();
      return false;
    }
    m_bConnected = true;
    m_bDeviceAttached = 1;
    ShowTray(DisplayState::kConnected);
    ActivateEffectsPage(CEffectsPage::ActivateRestore);
    Window()->SetTimer(IDT_SOURCE_POLL, kPollPeriodMs);
  } else {
    m_bConnected = false;
    m_bDeviceAttached = 0;
    ShowTray(DisplayState::kNotConnected);
  }
  m_bInitialized = true;
  return true;
}

void CControlPanelDlg::CreatePages() {
  const PanelServices& s = m_services;
  m_pEffectsPage = std::make_unique<CEffectsPage>(s.device, s.registry, s.strings);
  m_pVolumePage =
      std::make_unique<CVolumePage>(s.device, s.registry, s.strings, s.mixer, s.endpoints);
  m_pSpeakerTestDlg = std::make_unique<CSpeakerTestDlg>(s.device, s.registry, s.strings, s.sound,
                                                        s.bitmaps, s.pad, s.system, s.surroundDot);
  m_pInformationPage = std::make_unique<CInformationPage>();
  m_sheet = s.windows.CreatePropertySheet();
  m_sheet->AddPage(*m_pVolumePage);
  m_sheet->AddPage(*m_pEffectsPage);
  m_sheet->AddPage(*m_pInformationPage);
}

// Sizes the window around the sheet: the frame control under the sheet, the icon and the Close
// button in a strip below it. The sheet grows with its font; the margins, given at 96 DPI, grow
// with the window's DPI.
void CControlPanelDlg::LayOutAroundSheet() {
  DialogWindow& window = *Window();
  const DpiScale px(window);
  const Rect sheet = m_sheet->GetWindowRect();
  const int width = sheet.Width();
  const int height = sheet.Height();
  const int frameLeft = px(kFrameLeft);
  const Rect frame{frameLeft, 0, frameLeft + width, height};
  m_staticFrame.Move(frame, true);
  m_sheet->PlaceOnTop(frame, false);

  const Rect outer = window.GetWindowRect();
  const int frameHeight = outer.Height() - window.GetClientRect().Height();
  window.MoveWindow({outer.left, outer.top, outer.left + width + px(kExtraWidth),
                     outer.top + frameHeight + height + px(kStripHeight)},
                    true);
  const int iconTop = height + px(kIconGap);
  window.MoveControl(
      IDC_PANEL_ICON,
      {px(kIconLeft), iconTop, px(kIconLeft) + px(kIconWidth), iconTop + px(kIconHeight)}, true);
  const Rect close = window.GetControlRect(IDC_CLOSE);
  const int closeBottom = height + px(kCloseBottomGap);
  window.MoveControl(
      IDC_CLOSE, {width - close.Width(), closeBottom - close.Height(), width, closeBottom}, true);
}

// The system has moved the window to a screen of another DPI and suggests its new rectangle;
// the sheet has grown or shrunk with its font, so the window is laid out around it again.
void CControlPanelDlg::OnDpiChanged(const Rect& suggested) {
  Window()->MoveWindow(suggested, true);
  LayOutAroundSheet();
}

bool CControlPanelDlg::OnCommand(int id, int /*notifyCode*/) {
  if (AnyBoxOpen() && DeferCommand(id)) return true;
  return DispatchCommand<CControlPanelDlg>(*this, kCommandMap, id) ||
         m_application.OnAppCommand(id);
}

// Every command of this window changes what a waiting handler may rely on: the exit deletes the
// pages, the others close the speaker test or move the sheet to another page. Of the user's
// commands the last one counts; the exit wins over all. The About box only shows a window.
bool CControlPanelDlg::DeferCommand(int id) {
  const auto own = std::ranges::find(kCommandMap, id, &CommandEntry<CControlPanelDlg>::id);
  if (own == kCommandMap.end()) return false;
  if (id == ID_TRAY_EXIT) {
    m_bExitPending = true;
  } else if (id != ID_CHECK_PRESENCE) {
    m_nPendingCommand = id;
  }
  return true;
}

// Posted, the deferred work runs from the message loop after the handler that showed the box
// has returned; arriving under another box, it is deferred again.
void CControlPanelDlg::OnLastBoxClosed() {
  if (Window() == nullptr || !m_pEffectsPage) return;
  if (std::exchange(m_bExitPending, false)) {
    Window()->PostCommand(ID_TRAY_EXIT);
    return;
  }
  if (m_bResumePending || m_nFoldedDeviceEvents > 0) Window()->PostCommand(ID_CHECK_PRESENCE);
  if (m_nPendingCommand != 0) Window()->PostCommand(std::exchange(m_nPendingCommand, 0));
}

bool CControlPanelDlg::OnClose() {
  Window()->PostCommand(IDC_CLOSE);
  return true;
}

// The window's template is visible; these first two paints are what hide it after start-up.
void CControlPanelDlg::OnPaint() {
  if (m_nPaintCount >= kStartupHidingPaints) return;
  Window()->ShowOwnedPopups(false);
  Window()->Show(ShowCommand::kHide);
  ++m_nPaintCount;
}

// The sheet, a child of this window, moves with it; placing it again keeps it over the frame
// and above its siblings whatever moved the window.
void CControlPanelDlg::OnMove() {
  if (!m_bInitialized) {
    Window()->Show(ShowCommand::kHide);
    return;
  }
  PlaceSheetOverFrame();
}

void CControlPanelDlg::PlaceSheetOverFrame() {
  m_sheet->PlaceOnTop(m_staticFrame.GetRect(), false);
}

void CControlPanelDlg::OnTaskbarCreated() {
  m_trayIcon.OnTaskbarCreated();
  RetryTrayWhileRefused();
}

bool CControlPanelDlg::OnWindowMessage(unsigned message, std::uintptr_t wParam,
                                       std::intptr_t lParam, std::intptr_t& result) {
  switch (message) {
    case kWmDeviceChange:
      OnDeviceChange(static_cast<unsigned>(wParam));
      result = 1;
      return true;
    case WM_TRAYNOTIFY:
      result = m_trayIcon.OnTrayNotification(wParam, lParam);
      return true;
    case WM_PANEL_PING:
      result = 1;
      return true;
    case kWmQueryEndSession:
      result = 1;  // the program never holds the session back
      return true;
    case kWmEndSession:
      if (wParam != 0) OnSessionEnd();
      result = 0;
      return true;
    case kWmPowerBroadcast:
      if (wParam != kPbtApmResumeAutomatic && wParam != kPbtApmResumeSuspend) return false;
      OnResume();
      result = 1;
      return true;
    case kWmQuit:
      OnExit();
      return true;
    default:
      return false;
  }
}

// The tick kills its timer first and re-arms it last, so its question box is never re-entered
// and the interval counts from the end of the previous tick.
void CControlPanelDlg::OnTimer(unsigned id) {
  if (id == IDT_TRAY_RETRY) {
    if (!m_trayIcon.RetryAdd()) Window()->KillTimer(IDT_TRAY_RETRY);
    return;
  }
  Window()->KillTimer(IDT_SOURCE_POLL);
  // A tick under another handler's box would stack its question on that box.
  if (id == IDT_SOURCE_POLL && !m_pSpeakerTestDlg->m_bShown && m_bConnected && m_bInitialized &&
      !AnyBoxOpen()) {
    PollSourceLayout();
  }
  Window()->SetTimer(IDT_SOURCE_POLL, kPollPeriodMs);
}

// Every failure here only means no sound and no question on this tick.
void CControlPanelDlg::PollSourceLayout() {
  ControlChannel channel(m_services.device);
  if (!channel.Open()) return;
  const auto info = channel.GetSourceChannels();
  if (!info) return;
  const SourceLayout layout = LayoutOf(*info);
  if (layout == SourceLayout::kNone) return;
  m_services.sound.PlayResource(IDW_SILENCE, false);
  if (layout == SourceLayout::kMultiChannel && m_pEffectsPage->IsMultichannelQuestionArmed()) {
    AskAboutEffectsOnMultichannel();
  }
}

// The effects page asks; this window stays disabled while its question is up.
void CControlPanelDlg::AskAboutEffectsOnMultichannel() {
  Window()->EnableWindow(false);
  m_pEffectsPage->AskAboutEffectsOnMultichannel();
  Window()->EnableWindow(true);
}

// A change that arrives while a box is open (also a box of this handler's own attach) is
// counted and checked once the box has closed: a flood of them leads to one more check, not to
// checks nested in each other's boxes.
void CControlPanelDlg::OnDeviceChange(unsigned event) {
  if (event != kDbtDevNodesChanged) return;
  if (AnyBoxOpen()) {
    ++m_nFoldedDeviceEvents;
    if (!m_bRemovalFolded && m_bDeviceAttached == 1 && m_services.presence.IsDevicePresent() == 0) {
      m_bRemovalFolded = true;
    }
    return;
  }
  CheckPresence(1);
}

void CControlPanelDlg::OnCheckPresence() {
  if (!m_pEffectsPage) return;  // the exit sequence has run
  if (std::exchange(m_bResumePending, false)) OnResume();
  const unsigned events = std::exchange(m_nFoldedDeviceEvents, 0);
  if (std::exchange(m_bRemovalFolded, false) && m_bDeviceAttached == 1) DetachDevice();
  if (events > 0) CheckPresence(events);
}

// Folded changes count as the changes they were towards the early arrival.
void CControlPanelDlg::CheckPresence(unsigned events) {
  const unsigned version = m_services.system.MajorVersion();
  if (m_bDeviceAttached == 0 && m_services.presence.IsDevicePresent() != 0) {
    if (version >= kVersionWithEarlyArrival) {
      m_nArrivalEvents += events;
      if (m_nArrivalEvents < 2) return;
    }
    if (!AttachDevice()) return;
  }
  if (m_bDeviceAttached == 1 && m_services.presence.IsDevicePresent() == 0) DetachDevice();
}

// The pause lets the newly arrived device settle before its filter is registered and its
// settings are restored; a device pulled out again during the pause is not attached.
bool CControlPanelDlg::AttachDevice() {
  m_services.system.Sleep(kArrivalSettleMs);
  if (m_services.presence.IsDevicePresent() == 0) return false;
  m_bDeviceAttached = 1;
  m_bConnected = true;
  ShowTray(DisplayState::kConnected);
  if (!m_services.presence.RegisterAudioFilter()) {
    OnExit();
    return false;
  }
  RestoreDeviceSettings();
  Window()->SetTimer(IDT_SOURCE_POLL, kPollPeriodMs);
  return true;
}

// The device comes up with its own power-on state, so the effects and the six gains all go
// back. Start-up leaves the gains out: the volume page's creation has just sent them.
void CControlPanelDlg::RestoreDeviceSettings() {
  ActivateEffectsPage(CEffectsPage::ActivateRestore);
  m_pVolumePage->RestoreChannelGains();
}

// The detour over page 2 makes the effects page's activation run even when it is already the
// selected page: a sheet need not activate the page it already shows, and both the restore
// and the reset at exit must reach the device.
void CControlPanelDlg::ActivateEffectsPage(CEffectsPage::ActivateAction action) {
  m_sheet->SetActivePage(kInformationPageIndex);
  m_pEffectsPage->SetActivateAction(action);
  m_sheet->SetActivePage(kEffectsPageIndex);
}

void CControlPanelDlg::DetachDevice() {
  m_bDeviceAttached = 0;
  Window()->KillTimer(IDT_SOURCE_POLL);
  m_nArrivalEvents = 0;
  // An open speaker test must close properly, or its shown flag would silence the poll and the
  // Speaker test command after the next arrival; the device it would talk to has gone.
  if (m_pSpeakerTestDlg->m_bShown) m_pSpeakerTestDlg->CloseTestAfterRemoval();
  // Selecting the volume page also closes the effects page's channel handle.
  m_sheet->SetActivePage(kVolumePageIndex);
  m_pEffectsPage->SetDisplayVisible(false);
  m_bConnected = false;
  ShowTray(DisplayState::kNotConnected);
  Window()->ShowOwnedPopups(false);
  Window()->Show(ShowCommand::kHide);
}

void CControlPanelDlg::OnOpenSettings() {
  if (m_pSpeakerTestDlg->m_bShown) m_pSpeakerTestDlg->CloseTest();
  if (m_bConnected) {
    // Start-up hiding is over once the user asks for the window: a late paint must not hide
    // it again.
    m_nPaintCount = kStartupHidingPaints;
    const Rect frame = m_staticFrame.GetRect();
    m_sheet->SetActivePage(kVolumePageIndex);
    m_sheet->PlaceOnTop(frame, true);
    m_pEffectsPage->SetDisplayVisible(true);
    Window()->Show(ShowCommand::kRestore);
  }
  ShowTray(DisplayState::kSettingsOpen);
}

void CControlPanelDlg::OnCloseSettings() {
  Window()->ShowOwnedPopups(false);
  m_pEffectsPage->SetDisplayVisible(false);
  m_sheet->SetActivePage(kVolumePageIndex);
  ShowTray(DisplayState::kConnected);
  Window()->Show(ShowCommand::kHide);
}

void CControlPanelDlg::OnSpeakerTest() {
  if (m_pSpeakerTestDlg->m_bShown) return;
  OnCloseSettings();
  m_pSpeakerTestDlg->OpenTest();
}

// A suspend may have taken the device away or let it come, and handles opened before it may
// be dead: presence is checked again, and an attached device gets its settings back and the
// selected page a new handle.
void CControlPanelDlg::OnResume() {
  if (!m_pEffectsPage) return;  // the exit sequence has run
  if (AnyBoxOpen()) {
    m_bResumePending = true;
    return;
  }
  const bool present = m_services.presence.IsDevicePresent() != 0;
  if (m_bDeviceAttached == 0) {
    if (present) AttachDevice();
    return;
  }
  if (!present) {
    DetachDevice();
    return;
  }
  // The restore's detour leaves the effects page selected with a new handle; going back to
  // another selected page opens that page's handle anew.
  const int selected = m_sheet->GetActiveIndex();
  RestoreDeviceSettings();
  if (selected != kEffectsPageIndex) m_sheet->SetActivePage(selected);
  // Last, so that the open speaker test's own filter state is what the device keeps.
  if (m_pSpeakerTestDlg->m_bShown) m_pSpeakerTestDlg->ReopenAfterResume();
}

// The system ends the process soon after this returns, and no one is there to answer a box: a
// running test is ended quietly and the device reset as at exit.
void CControlPanelDlg::OnSessionEnd() {
  if (!m_pEffectsPage) return;  // the exit sequence has run
  if (m_pSpeakerTestDlg->m_bShown) m_pSpeakerTestDlg->CloseTestWithoutBoxes();
  ResetDeviceForExit();
}

void CControlPanelDlg::ResetDeviceForExit() {
  Window()->KillTimer(IDT_SOURCE_POLL);
  ActivateEffectsPage(CEffectsPage::ActivateResetForExit);
}

// Runs once. The speaker test's window gives the filter its stored state back when it closes, so
// it closes first and the reset is the last thing the device hears.
void CControlPanelDlg::OnExit() {
  if (!m_pEffectsPage) return;
  m_bExitPending = false;
  Window()->KillTimer(IDT_SOURCE_POLL);
  if (m_pSpeakerTestDlg->m_bShown) m_pSpeakerTestDlg->CloseTestWithoutBoxes();
  ResetDeviceForExit();
  m_pEffectsPage->DestroyWindow();
  m_pSpeakerTestDlg->DestroyWindow();
  m_pInformationPage->DestroyWindow();
  m_pVolumePage->DestroyWindow();
  m_pEffectsPage.reset();
  m_pSpeakerTestDlg.reset();
  m_pInformationPage.reset();
  m_pVolumePage.reset();
  m_bConnected = false;
  m_trayIcon.RemoveIcon();
  Window()->EndDialog(kIdCancel);
}

void CControlPanelDlg::ShowTray(DisplayState state) {
  const TrayLook& look = kTrayLooks[static_cast<std::size_t>(state)];
  m_trayIcon.RemoveIcon();
  m_trayIcon.AddIcon(Window()->Id(), WM_TRAYNOTIFY, m_services.strings.Load(IDS_PRODUCT_NAME),
                     m_services.tray.LoadIcon(look.icon), look.menu);
  RetryTrayWhileRefused();
}

// Until its notification area exists (at logon) the shell refuses icons; the one refused is
// offered again for a while, without a word to the user.
void CControlPanelDlg::RetryTrayWhileRefused() {
  if (m_trayIcon.IsWaitingForShell()) Window()->SetTimer(IDT_TRAY_RETRY, CTrayIcon::kRetryPeriodMs);
}

}  // namespace quendal
