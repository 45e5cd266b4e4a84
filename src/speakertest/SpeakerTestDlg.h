// The speaker-test window: a modeless dialog, hidden until the control-panel window opens it,
// with three tests chosen by radio buttons and run by one Start/Stop button:
//   automatic (mode 1) - a tone on one speaker after the other, its picture blinking
//   manual (mode 2)    - the tone of the speaker whose picture the user holds the mouse on
//   surround (mode 3)  - a sound circling the listener while a dot circles on the pad
// While shown it holds its own driver channel and keeps the effects filter off (on during a
// surround test); every hiding goes through CloseTest, which gives the filter back its stored
// state and closes the channel.
#pragma once

#include <array>
#include <cstdint>

#include "device/ControlChannel.h"
#include "device/SettingsKey.h"
#include "platform/Bitmaps.h"
#include "platform/DeviceIo.h"
#include "platform/Pad.h"
#include "platform/Registry.h"
#include "platform/Sound.h"
#include "platform/StringTable.h"
#include "platform/System.h"
#include "speakertest/Speakers.h"
#include "speakertest/SurroundMotion.h"
#include "ui/Dialog.h"

namespace quendal {

class CSpeakerTestDlg : public Dialog {
 public:
  // Values of "TestMode" and "TestBtnStatus".
  enum TestMode : std::uint32_t { ModeAutomatic = 1, ModeManual = 2, ModeSurround = 3 };
  enum ButtonStatus : std::uint32_t { ButtonDisabled = 0, ButtonReady = 1, ButtonRunning = 2 };

  // The pictures of one speaker, as loaded at start-up.
  struct SpeakerBitmaps {
    BitmapHandle active = 0;
    BitmapHandle normal = 0;
  };

  CSpeakerTestDlg(DeviceIo& io, Registry& registry, const StringTable& strings, Sound& sound,
                  Bitmaps& bitmaps, Pad& pad, const System& clock, SurroundDotGlobals& dot);
  // The pictures go with the window; this only catches a window that was never destroyed.
  ~CSpeakerTestDlg() override { DeleteSpeakerBitmaps(); }

  // Runs CloseTest, closes the settings key and deletes the speaker pictures before the window
  // goes.
  bool DestroyWindow() override;
  bool OnInitDialog() override;
  bool OnCommand(int id, int notifyCode) override;
  void OnTimer(unsigned id) override;
  // The close box hides the window through CloseTest instead of destroying it.
  bool OnClose() override;
  void OnLButtonDown(int x, int y) override;
  void OnLButtonUp(int x, int y) override;
  void OnMouseMove(int x, int y) override;

  // Shows the window with the channel open and the effects filter off; on a channel that does
  // not open it says so and stays hidden.
  void OpenTest();
  // Stops any test, restores the effects filter, closes the channel and hides the window.
  void CloseTest();

  void OnAutomatic();
  void OnManual();
  void OnSurround();
  void OnStartStop();

  // Automatic sequence.
  void StartSequence();
  void StopSequence();
  // Surround test.
  void StartSurround();
  void StopSurround();
  // Erases the previous dot on the pad and draws the one of source position (sx, sy).
  void DrawSourceDot(float sx, float sy);

  int m_bShown = 0;
  ControlChannel m_hDevice;
  std::uint32_t m_dwEnableFilter = 1;
  std::uint32_t m_dwTestMode = ModeManual;
  std::uint32_t m_dwTestBtnStatus = ButtonDisabled;
  SettingsKey m_hKey;
  std::uint32_t m_dwStartTime = 0;
  // Hit rectangles in client coordinates: front left, centre, front right, rear left, rear
  // right, subwoofer.
  std::array<Rect, kSpeakerCount> m_rcSpeaker{};
  int m_nPressed = 0;
  // 0 idle, 1 about to start, 2 to 7 sounding speaker code m_nStep - 1.
  int m_nStep = 0;
  // 100 ms ticks of the automatic sequence, 0 to 59.
  int m_nTick = 0;
  // Front left, front right, centre, subwoofer, rear left, rear right.
  std::array<SpeakerBitmaps, kSpeakerCount> m_hbmSpeaker{};

 private:
  void LayOutPictures();
  void LoadSpeakerBitmaps();
  void DeleteSpeakerBitmaps();
  void SetStartPicture(const wchar_t* picture);
  void EnableModeRadios(bool enable);
  void SetTestMode(std::uint32_t mode);
  void SetButtonStatus(std::uint32_t status);
  void StartTestOfMode();
  void StopTestOfMode();
  void ShowWindow(ShowCommand command);
  void ShowRequestFailure();

  void OnSequenceTick();
  void OnMotionTick();
  void EraseSourceDot(DrawingContext context);
  void PaintSourceDot(DrawingContext context, PadPoint centre);
  void ShowSpeaker(int code, bool active);
  void PlayTone(int code);
  void ReleasePressedSpeaker();

  const StringTable& m_strings;
  Sound& m_sound;
  Bitmaps& m_bitmaps;
  Pad& m_pad;
  const System& m_clock;
  SurroundDotGlobals& m_dot;
};

}  // namespace quendal
