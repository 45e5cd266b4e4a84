// The speaker-test window: a modeless dialog, hidden until the control-panel window opens it,
// with three tests chosen by radio buttons and run by one Start/Stop button:
//   automatic (mode 1) - CAutomaticSequence: a tone on one speaker after the other, its picture
//                        blinking
//   manual (mode 2)    - CManualTest: the tone of the speaker whose picture the user holds the
//                        mouse on
//   surround (mode 3)  - CSurroundTest: a sound circling the listener while a dot circles on
//                        the pad
// The window lays out the pictures, keeps the mode and the button's status, and hands its
// timers and mouse messages to the tests. While shown it holds its own driver channel and keeps
// the effects filter off (on during a surround test); every hiding goes through CloseTest, which
// gives the filter back its stored state and closes the channel.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "device/ControlChannel.h"
#include "device/SettingsKey.h"
#include "platform/Bitmaps.h"
#include "platform/DeviceIo.h"
#include "platform/Pad.h"
#include "platform/Registry.h"
#include "platform/Sound.h"
#include "platform/StringTable.h"
#include "platform/System.h"
#include "speakertest/AutomaticSequence.h"
#include "speakertest/ManualTest.h"
#include "speakertest/SpeakerBoard.h"
#include "speakertest/SurroundTest.h"
#include "ui/BitmapButton.h"
#include "ui/Dialog.h"

namespace quendal {

class CSpeakerTestDlg : public Dialog {
 public:
  // Values of "TestMode" and "TestBtnStatus".
  enum TestMode : std::uint32_t { ModeAutomatic = 1, ModeManual = 2, ModeSurround = 3 };
  enum ButtonStatus : std::uint32_t { ButtonDisabled = 0, ButtonReady = 1, ButtonRunning = 2 };

  CSpeakerTestDlg(DeviceIo& io, Registry& registry, const StringTable& strings, Sound& sound,
                  Bitmaps& bitmaps, Pad& pad, const System& clock, SurroundDotGlobals& dot);
  // The pictures go with the window; this only catches a window that was never destroyed.
  ~CSpeakerTestDlg() override { DeleteSpeakerBitmaps(); }

  // Runs CloseTest, closes the settings key and deletes the speaker pictures before the window
  // goes.
  bool DestroyWindow() override;
  bool OnInitDialog() override;
  bool OnCommand(int id, int notifyCode) override;
  // ID_TIMER_SEQUENCE ticks the automatic sequence, ID_TIMER_SURROUND the surround motion.
  void OnTimer(unsigned id) override;
  // The close box hides the window through CloseTest instead of destroying it.
  bool OnClose() override;
  void OnDpiChanged(const Rect& suggested) override;
  // The mouse belongs to the manual test; a press counts only in manual mode.
  void OnLButtonDown(int x, int y) override;
  void OnLButtonUp(int x, int y) override;
  void OnMouseMove(int x, int y) override;

  // Shows the window with the channel open and the effects filter off; on a channel that does
  // not open it says so and stays hidden.
  void OpenTest();
  // Stops any test, restores the effects filter, closes the channel and hides the window.
  void CloseTest();
  // Closes the test as CloseTest does, with no box for a refused request: used when the session
  // ends and nobody is left to answer one.
  void CloseTestWithoutBoxes();
  // Closes the test after the device was removed: nothing is sent to the device that has gone,
  // and no box is shown.
  void CloseTestAfterRemoval();
  // After a resume from sleep, while the window is shown: the channel opened before the
  // suspend may be dead, so it is opened again and the filter put back as the window keeps it
  // (off, on during a surround test). A channel that no longer opens closes the window.
  void ReopenAfterResume();

  void OnAutomatic();
  void OnManual();
  void OnSurround();
  void OnStartStop();

  int m_bShown = 0;
  BitmapButton m_btnStart;
  ControlChannel m_hDevice;
  std::uint32_t m_dwEnableFilter = 1;
  std::uint32_t m_dwTestMode = ModeManual;
  std::uint32_t m_dwTestBtnStatus = ButtonDisabled;
  // Byte count of the settings reads: 4 before each read, the size of the data found after it.
  std::uint32_t m_cbData = 4;
  SettingsKey m_hKey;
  // The layout's scratch rectangle: the pictures' group box.
  Rect m_rcWork;
  SpeakerRects m_rcSpeaker{};
  SpeakerPictures m_hbmSpeaker{};

  // The tests, created with the window and driven by it.
  std::optional<CSpeakerBoard> m_speakers;
  std::optional<CAutomaticSequence> m_sequence;
  std::optional<CManualTest> m_manual;
  std::optional<CSurroundTest> m_surround;

 private:
  void LayOutPictures();
  // The Start button's picture and the twelve speaker pictures, once, at the first opening.
  void LoadPictures();
  void LoadSpeakerBitmaps();
  void DeleteSpeakerBitmaps();
  void CreateTests();
  void EnableModeRadios(bool enable);
  bool TryReadSetting(const SettingsValue& value, std::uint32_t& data);
  std::uint32_t ReadSettingOrDefault(const SettingsValue& value);
  void SetTestMode(std::uint32_t mode);
  void SetButtonStatus(std::uint32_t status);
  void StartTestOfMode();
  void StopTestOfMode();
  void ShowWindow(ShowCommand command);
  void ShowRequestFailure();

  const StringTable& m_strings;
  Sound& m_sound;
  Bitmaps& m_bitmaps;
  Pad& m_pad;
  const System& m_clock;
  SurroundDotGlobals& m_dot;
  bool m_bReportFailures = true;
  bool m_bPicturesLoaded = false;
};

}  // namespace quendal
