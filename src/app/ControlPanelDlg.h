// The program's main window. Hidden but while the user has the settings open, it owns the
// pages, the property sheet, the speaker-test window and the tray icon; it follows the device
// being plugged in and out, polls the source layout every 200 ms, and runs the exit sequence.
#pragma once

#include <memory>

#include "app/PanelServices.h"
#include "app/TrayIcon.h"
#include "pages/EffectsPage.h"
#include "pages/InformationPage.h"
#include "pages/VolumePage.h"
#include "speakertest/SpeakerTestDlg.h"
#include "ui/Controls.h"
#include "ui/Dialog.h"
#include "ui/OpenBoxes.h"
#include "ui/PropertySheet.h"

namespace quendal {

// Where the window sends the commands it does not handle itself (the About command).
class CommandTarget {
 public:
  virtual ~CommandTarget() = default;
  virtual bool OnAppCommand(int id) = 0;
};

// While a message box of the program is open, the handler that showed it waits inside the box's
// message loop. The window's commands, device changes and resumes that arrive then are only
// noted, and run once the last box has closed and its handler has returned: nothing the waiting
// handler relies on is changed or deleted under it, and no second box opens over the first.
class CControlPanelDlg : public Dialog, public BoxListener {
 public:
  CControlPanelDlg(const PanelServices& services, CommandTarget& application);
  ~CControlPanelDlg() override;

  bool OnInitDialog() override;
  bool OnCommand(int id, int notifyCode) override;
  void OnTimer(unsigned id) override;
  bool OnClose() override;
  void OnPaint() override;
  void OnMove() override;
  void OnDpiChanged(const Rect& suggested) override;
  void OnTaskbarCreated() override;
  bool OnWindowMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam,
                       std::intptr_t& result) override;
  IconHandle OnQueryDragIcon() override { return m_hIcon; }

  void OnDeviceChange(unsigned event);
  void OnOpenSettings();
  void OnCloseSettings();
  void OnSpeakerTest();
  void OnExit();
  // A resume from sleep.
  void OnResume();
  // The user's session is ending (logoff, shutdown).
  void OnSessionEnd();
  // Runs the device changes and the resume that arrived while a box was open.
  void OnCheckPresence();
  void OnLastBoxClosed() override;

  // The frame control that the sheet covers.
  StaticControl m_staticFrame;
  // Owned objects; created by the initialisation, destroyed by the exit sequence.
  std::unique_ptr<CEffectsPage> m_pEffectsPage;
  std::unique_ptr<CSpeakerTestDlg> m_pSpeakerTestDlg;
  std::unique_ptr<CInformationPage> m_pInformationPage;
  std::unique_ptr<CVolumePage> m_pVolumePage;
  // The window's icon (big and small), its drag icon and its minimised picture.
  IconHandle m_hIcon;
  bool m_bConnected = false;
  bool m_bInitialized = false;
  int m_bDeviceAttached = 0;
  int m_nPaintCount = 0;
  CTrayIcon m_trayIcon;
  std::unique_ptr<PropertySheet> m_sheet;
  unsigned m_nArrivalEvents = 0;

 private:
  // The display states, each with its own tray icon and menu.
  enum class DisplayState { kNotConnected, kConnected, kSettingsOpen };

  void CreatePages();
  void LayOutAroundSheet();
  // The device has arrived: connect, register the filter and restore the effects and gains,
  // then poll. False when the device was gone after the settling pause, or when the
  // registration failed and the exit sequence ran.
  bool AttachDevice();
  void RestoreDeviceSettings();
  // The first part of the exit sequence: the poll stops and the device is reset.
  void ResetDeviceForExit();
  void DetachDevice();
  // One or more device-node changes: attach a device that has come, detach one that has gone.
  void CheckPresence(unsigned events);
  // Notes a command of this window that arrived while a box is open; false for others.
  bool DeferCommand(int id);
  void ActivateEffectsPage(CEffectsPage::ActivateAction action);
  void PlaceSheetOverFrame();
  void PollSourceLayout();
  void AskAboutEffectsOnMultichannel();
  void ShowTray(DisplayState state);
  void RetryTrayWhileRefused();

  PanelServices m_services;
  CommandTarget& m_application;
  // What arrived while a box was open, to run once the last one has closed.
  bool m_bExitPending = false;
  bool m_bResumePending = false;
  unsigned m_nFoldedDeviceEvents = 0;
  // The attached device was found gone by one of them: even back by the check, it came back
  // with its power-on state.
  bool m_bRemovalFolded = false;
  int m_nPendingCommand = 0;
};

}  // namespace quendal
