// The effects page, sheet page 1: effects on and off, 2.1/5.1 output, bass crossover and the
// source-layout display. Every change goes to the driver first and is stored only once the
// driver accepted it. The control-panel window also uses the page to restore the stored effects
// to the device and to reset the device at exit, by setting its activate action and selecting
// it, and has it ask the 5.1 question when its poll finds 5.1 material playing.
#pragma once

#include <string>

#include "device/ControlChannel.h"
#include "device/SettingsKey.h"
#include "platform/DeviceIo.h"
#include "platform/Registry.h"
#include "platform/StringTable.h"
#include "ui/PropertyPage.h"

namespace quendal {

class CEffectsPage : public PropertyPage {
 public:
  // What the next activation sends to the driver.
  enum ActivateAction : int {
    ActivateNone = 0,
    ActivateRestore = 1,       // re-apply the stored effects settings
    ActivateResetForExit = 2,  // effects off and every channel gain to unity, silently
    ActivateRestored = 3,      // a restore has been sent
  };

  CEffectsPage(DeviceIo& io, Registry& registry, const StringTable& strings);

  bool OnInitDialog() override;
  bool OnSetActive() override;
  bool OnKillActive() override;
  bool OnCommand(int id, int notifyCode) override;
  void OnTimer(unsigned id) override;

  // What the next activation sends to the driver.
  void SetActivateAction(ActivateAction action) { m_nActivateAction = action; }

  // Whether the window that holds the sheet is shown. The source-layout display runs only while
  // the page is both selected and seen: a hidden page shows nobody anything, and its requests
  // would keep the device busy all day.
  void SetDisplayVisible(bool visible);

  void LoadSettings();
  // Shows the members in the controls, then switches the effects to match m_bEnableEffects.
  // While the page is not active it does so through a short-lived handle of its own, so that
  // the outcome is the same as with the page active.
  void ApplyEnableEffects();

  // Whether 5.1 material may bring the question: the effects are on and the question has not
  // been asked since they were last switched on.
  bool IsMultichannelQuestionArmed() const { return m_bWarnArmed != 0 && m_bEnableEffects != 0; }
  // Asks whether the effects should stay on for 5.1 material, once per arming; No switches them
  // off.
  void AskAboutEffectsOnMultichannel();

  void OnEnableEffects();
  void OnOutput21();
  void OnOutput51();
  void OnCrossover120();
  void OnCrossover300();
  void OnCrossover450();
  // Sends crossover `index` (0..2); on success stores it. Fails silently.
  bool SetBassCrossover(int index);

  int m_bEnableEffects = 0;
  std::wstring m_strSourceLayout;
  int m_nBassOutputMode = -1;
  int m_nOutputMode = -1;
  ControlChannel m_hDevice;
  SettingsKey m_hKey;
  int m_bWarnArmed = 1;
  int m_nActivateAction = ActivateNone;

 protected:
  void DoDataExchange(DataExchange& dx) override;

 private:
  void SendOutputMode(std::uint32_t code);
  void ResetDeviceForExit();
  void ShowSourceLayout();
  void StartSourceLayoutDisplay();
  std::wstring SourceLayoutText(SourceLayout layout) const;
  void EnableEffectControls(bool enable);

  const StringTable& m_strings;
  // The page lives as long as the process, so this counts the failed openings of the process.
  int m_nFailedOpenings = 0;
  // The control-panel window starts hidden and lives in the tray.
  bool m_bDisplayVisible = false;
};

}  // namespace quendal
