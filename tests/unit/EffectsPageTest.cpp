#include "pages/EffectsPage.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "fakes/FakeDeviceIo.h"
#include "fakes/FakeDialogWindow.h"
#include "fakes/FakeRegistry.h"
#include "platform/WindowsValues.h"
#include "resource_ids.h"
#include "support/RcStringTable.h"

namespace quendal {
namespace {

using test::FakeDeviceIo;
using test::FakeDialogWindow;
using test::FakeRegistry;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::vector<int> kOutputGroup{IDC_OUTPUT_2_1, IDC_OUTPUT_5_1};
const std::vector<int> kCrossoverGroup{IDC_CROSSOVER_120, IDC_CROSSOVER_300, IDC_CROSSOVER_450};
const int kEffectControls[] = {IDC_OUTPUT_2_1,    IDC_OUTPUT_5_1,    IDC_BASS_GROUP,
                               IDC_CROSSOVER_120, IDC_CROSSOVER_300, IDC_CROSSOVER_450};

class EffectsPageTest : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(io.misuses, 0);
    EXPECT_EQ(registry.misuses, 0);
  }

  // The sheet creates the page's window on its first activation.
  void CreateWindow() {
    auto created = std::make_unique<FakeDialogWindow>();
    window = created.get();
    page.AttachWindow(std::move(created));
    page.OnInitDialog();
  }

  void StoreEffects(std::uint32_t enable, std::uint32_t output, std::uint32_t bass) {
    registry.PutDword("EnableFilter", enable);
    registry.PutDword("OutputMode", output);
    registry.PutDword("BassOutputMode", bass);
  }

  // The control-panel window's page restore.
  bool Restore() {
    if (window == nullptr) CreateWindow();
    page.m_nActivateAction = CEffectsPage::ActivateRestore;
    return page.OnSetActive();
  }

  // Activates the page with its stored settings already on the device, in a shown window.
  void Activate() {
    page.SetDisplayVisible(true);
    ASSERT_TRUE(Restore());
    io.ClearLog();
    registry.writes.clear();
  }

  void Click(int id) { page.OnCommand(id, kBnClicked); }

  bool EffectControlsEnabled(bool enabled) const {
    for (int id : kEffectControls) {
      if (window->controls[id].enabled != enabled) return false;
    }
    return true;
  }

  void ExpectTransferErrorShown() const {
    ASSERT_EQ(window->boxes.size(), 1u);
    EXPECT_EQ(window->boxes[0].text, strings.Load(IDS_TRANSFER_ERROR));
    EXPECT_EQ(window->boxes[0].caption, strings.Load(IDS_IO_CONTROL_ERROR));
    EXPECT_EQ(window->boxes[0].style, kMbOk);
  }

  FakeDeviceIo io;
  FakeRegistry registry;
  test::RcStringTable strings;
  CEffectsPage page{io, registry, strings};
  FakeDialogWindow* window = nullptr;
};

// Two sets of settings, so that every control is seen both checked and clear: the fake's
// controls start clear, which alone would pass for a setting never shown.
TEST_F(EffectsPageTest, InitialisationLoadsTheStoredSettingsIntoTheControls) {
  struct Case {
    std::uint32_t enable;
    std::uint32_t output;
    std::uint32_t bass;
    int checkedOutput;
    int checkedCrossover;
  };
  const Case cases[] = {
      {0, 0, 2, IDC_OUTPUT_2_1, IDC_CROSSOVER_450},
      {1, 1, 0, IDC_OUTPUT_5_1, IDC_CROSSOVER_120},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.enable << c.output << c.bass);
    StoreEffects(c.enable, c.output, c.bass);
    CEffectsPage created{io, registry, strings};
    auto owned = std::make_unique<FakeDialogWindow>();
    const FakeDialogWindow& shown = *owned;
    created.AttachWindow(std::move(owned));
    created.OnInitDialog();
    EXPECT_EQ(shown.IsButtonChecked(IDC_ENABLE_EFFECTS), c.enable == 1);
    for (int id : kOutputGroup) EXPECT_EQ(shown.IsButtonChecked(id), id == c.checkedOutput);
    for (int id : kCrossoverGroup) EXPECT_EQ(shown.IsButtonChecked(id), id == c.checkedCrossover);
  }
  EXPECT_TRUE(io.requests.empty());
  EXPECT_THAT(registry.writes, IsEmpty());
}

TEST_F(EffectsPageTest, FirstCreationWritesTheDefaultsInOrder) {
  CreateWindow();
  EXPECT_THAT(registry.writes, ElementsAre("EnableFilter", "OutputMode", "BassOutputMode"));
  EXPECT_EQ(registry.Dword("EnableFilter"), 1u);
  EXPECT_EQ(registry.Dword("OutputMode"), 1u);
  EXPECT_EQ(registry.Dword("BassOutputMode"), 0u);
}

TEST_F(EffectsPageTest, RestoreSendsTheStoredEffectsAndWritesThemBackUnchanged) {
  StoreEffects(1, 1, 1);
  ASSERT_TRUE(Restore());
  EXPECT_THAT(io.Codes(),
              ElementsAre(IOCTL_FILTER_ENABLE, IOCTL_OUTPUT_5_1, IOCTL_SET_BASS_OUTPUT));
  EXPECT_THAT(io.requests[2].input, ElementsAre(60, 0, 0, 0, 40, 0, 0, 0, 100, 0, 0, 0));
  EXPECT_THAT(registry.writes, ElementsAre("EnableFilter", "OutputMode", "BassOutputMode"));
  EXPECT_EQ(registry.Dword("EnableFilter"), 1u);
  EXPECT_EQ(registry.Dword("OutputMode"), 1u);
  EXPECT_EQ(registry.Dword("BassOutputMode"), 1u);
  EXPECT_EQ(page.m_nActivateAction, CEffectsPage::ActivateRestored);
  EXPECT_TRUE(EffectControlsEnabled(true));
  EXPECT_TRUE(window->boxes.empty());
}

// The start-up restore selects the page in a hidden window; the display starts only once the
// window shows it, and stops again whenever the window hides, the page still selected.
TEST_F(EffectsPageTest, SourceLayoutDisplayRunsOnlyWhileThePageIsSelectedAndSeen) {
  StoreEffects(1, 1, 0);
  io.replies[IOCTL_GET_SOURCE_CHANNELS] = {1, 0, 0, 0};
  ASSERT_TRUE(Restore());
  io.ClearLog();
  struct Step {
    const char* name;
    std::function<void()> act;
    bool running;
    std::vector<std::uint32_t> requests;  // what the step and one tick of the display sent
  };
  const Step steps[] = {
      {"restored hidden", [] {}, false, {}},
      {"shown",
       [&] { page.SetDisplayVisible(true); },
       true,
       {IOCTL_GET_SOURCE_CHANNELS, IOCTL_GET_SOURCE_CHANNELS}},
      {"shown again", [&] { page.SetDisplayVisible(true); }, true, {IOCTL_GET_SOURCE_CHANNELS}},
      {"hidden", [&] { page.SetDisplayVisible(false); }, false, {}},
      {"deselected hidden", [&] { page.OnKillActive(); }, false, {}},
      {"shown deselected", [&] { page.SetDisplayVisible(true); }, false, {}},
      {"selected shown", [&] { page.OnSetActive(); }, true, {IOCTL_GET_SOURCE_CHANNELS}},
      {"deselected shown", [&] { page.OnKillActive(); }, false, {}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    window->controls[IDC_SOURCE_LAYOUT].text.clear();
    step.act();
    EXPECT_EQ(window->timers.contains(IDT_SOURCE_LAYOUT), step.running);
    if (step.running) {
      EXPECT_EQ(window->timers.at(IDT_SOURCE_LAYOUT), 300u);
    }
    page.OnTimer(IDT_SOURCE_LAYOUT);
    EXPECT_EQ(io.Codes(), step.requests);
    EXPECT_EQ(window->controls[IDC_SOURCE_LAYOUT].text,
              step.running ? strings.Load(IDS_SOURCE_MULTICHANNEL) : L"");
    io.ClearLog();
  }
  EXPECT_THAT(registry.writes, ElementsAre("EnableFilter", "OutputMode", "BassOutputMode"));
}

TEST_F(EffectsPageTest, RestoreWithEffectsOffOnlyDisablesTheFilter) {
  StoreEffects(0, 0, 2);
  ASSERT_TRUE(Restore());
  EXPECT_THAT(io.Codes(), ElementsAre(IOCTL_FILTER_DISABLE));
  EXPECT_THAT(registry.writes, ElementsAre("EnableFilter"));
  EXPECT_EQ(registry.Dword("EnableFilter"), 0u);
  EXPECT_TRUE(EffectControlsEnabled(false));
}

TEST_F(EffectsPageTest, StoredModesOutOfRangeCheckNoRadioAndSendNothing) {
  StoreEffects(1, 7, 9);
  ASSERT_TRUE(Restore());
  EXPECT_THAT(io.Codes(), ElementsAre(IOCTL_FILTER_ENABLE));
  for (int id : kOutputGroup) EXPECT_FALSE(window->controls[id].checked);
  for (int id : kCrossoverGroup) EXPECT_FALSE(window->controls[id].checked);
  EXPECT_EQ(registry.Dword("OutputMode"), 7u);
  EXPECT_EQ(registry.Dword("BassOutputMode"), 9u);
}

TEST_F(EffectsPageTest, ResetForExitDisablesThenSendsUnityGainsAndStoresNothing) {
  StoreEffects(1, 0, 2);
  Activate();
  page.OnKillActive();
  page.m_nActivateAction = CEffectsPage::ActivateResetForExit;
  io.refusedCodes = {IOCTL_FILTER_DISABLE, IOCTL_SET_VOLUME_C};  // silent, never stops the rest
  ASSERT_TRUE(page.OnSetActive());
  EXPECT_THAT(io.Codes(), ElementsAre(IOCTL_FILTER_DISABLE, IOCTL_SET_VOLUME_LFE,
                                      IOCTL_SET_VOLUME_C, IOCTL_SET_VOLUME_R, IOCTL_SET_VOLUME_L,
                                      IOCTL_SET_VOLUME_RR, IOCTL_SET_VOLUME_RL));
  for (std::size_t i = 1; i < io.requests.size(); ++i) {
    EXPECT_THAT(io.requests[i].input, ElementsAre(0x00, 0x00, 0x80, 0x3F));
  }
  EXPECT_THAT(registry.writes, IsEmpty());
  EXPECT_TRUE(window->boxes.empty());
  EXPECT_TRUE(window->controls[IDC_ENABLE_EFFECTS].checked);
  EXPECT_EQ(page.m_nActivateAction, CEffectsPage::ActivateResetForExit);
}

TEST_F(EffectsPageTest, UserSwitchingEffectsOnSendsOnlyTheFilterAndRearmsTheWarning) {
  StoreEffects(0, 1, 1);
  Activate();
  page.m_bWarnArmed = 0;
  window->controls[IDC_ENABLE_EFFECTS].checked = true;
  Click(IDC_ENABLE_EFFECTS);
  EXPECT_THAT(io.Codes(), ElementsAre(IOCTL_FILTER_ENABLE));
  EXPECT_EQ(registry.Dword("EnableFilter"), 1u);
  EXPECT_TRUE(EffectControlsEnabled(true));
  EXPECT_EQ(page.m_bWarnArmed, 1);
}

TEST_F(EffectsPageTest, RefusedEnableShowsTheFailureAndKeepsTheStoredValue) {
  StoreEffects(0, 1, 1);
  Activate();
  io.refusedCodes.insert(IOCTL_FILTER_ENABLE);
  window->controls[IDC_ENABLE_EFFECTS].checked = true;
  Click(IDC_ENABLE_EFFECTS);
  ExpectTransferErrorShown();
  EXPECT_EQ(registry.Dword("EnableFilter"), 0u);
  EXPECT_TRUE(window->controls[IDC_ENABLE_EFFECTS].checked);
  EXPECT_TRUE(EffectControlsEnabled(true));
}

TEST_F(EffectsPageTest, RefusedDisableShowsTheFailureAndKeepsTheStoredValue) {
  StoreEffects(1, 1, 1);
  Activate();
  io.refusedCodes.insert(IOCTL_FILTER_DISABLE);
  window->controls[IDC_ENABLE_EFFECTS].checked = false;
  Click(IDC_ENABLE_EFFECTS);
  ExpectTransferErrorShown();
  EXPECT_EQ(registry.Dword("EnableFilter"), 1u);
  EXPECT_TRUE(EffectControlsEnabled(false));
}

TEST_F(EffectsPageTest, OutputRadiosSendTheirModeAndStoreItOnlyWhenAccepted) {
  StoreEffects(1, 1, 0);
  Activate();
  window->ClickRadio(kOutputGroup, IDC_OUTPUT_2_1);
  Click(IDC_OUTPUT_2_1);
  EXPECT_THAT(io.Codes(), ElementsAre(IOCTL_OUTPUT_2_1));
  EXPECT_EQ(registry.Dword("OutputMode"), 0u);

  io.refusedCodes.insert(IOCTL_OUTPUT_5_1);
  window->ClickRadio(kOutputGroup, IDC_OUTPUT_5_1);
  Click(IDC_OUTPUT_5_1);
  ExpectTransferErrorShown();
  EXPECT_EQ(registry.Dword("OutputMode"), 0u);
  EXPECT_TRUE(window->controls[IDC_OUTPUT_5_1].checked);
}

TEST_F(EffectsPageTest, CrossoverRadiosSendTheirRecordAndFailSilently) {
  StoreEffects(1, 1, 0);
  Activate();
  window->ClickRadio(kCrossoverGroup, IDC_CROSSOVER_450);
  Click(IDC_CROSSOVER_450);
  ASSERT_THAT(io.Codes(), ElementsAre(IOCTL_SET_BASS_OUTPUT));
  EXPECT_THAT(io.requests[0].input, ElementsAre(40, 0, 0, 0, 27, 0, 0, 0, 67, 0, 0, 0));
  EXPECT_EQ(registry.Dword("BassOutputMode"), 2u);

  io.refusedCodes.insert(IOCTL_SET_BASS_OUTPUT);
  window->ClickRadio(kCrossoverGroup, IDC_CROSSOVER_120);
  Click(IDC_CROSSOVER_120);
  EXPECT_TRUE(window->boxes.empty());
  EXPECT_EQ(registry.Dword("BassOutputMode"), 2u);
  EXPECT_TRUE(window->controls[IDC_CROSSOVER_120].checked);
}

TEST_F(EffectsPageTest, ClicksAfterTheChannelClosedDoNothing) {
  StoreEffects(1, 1, 0);
  Activate();
  ASSERT_TRUE(page.OnKillActive());
  EXPECT_EQ(io.OpenHandles(), 0);
  EXPECT_FALSE(window->timers.contains(IDT_SOURCE_LAYOUT));
  for (int id : {IDC_ENABLE_EFFECTS, IDC_OUTPUT_2_1, IDC_OUTPUT_5_1, IDC_CROSSOVER_120,
                 IDC_CROSSOVER_300, IDC_CROSSOVER_450}) {
    Click(id);
  }
  page.OnTimer(IDT_SOURCE_LAYOUT);
  EXPECT_TRUE(io.requests.empty());
  EXPECT_THAT(registry.writes, IsEmpty());
  EXPECT_TRUE(window->boxes.empty());
}

TEST_F(EffectsPageTest, FirstFailedOpeningIsSilentAndLaterOnesWarnOnlyWithARestorePending) {
  CreateWindow();
  io.refuseOpen = true;
  struct Attempt {
    int action;
    bool warned;
  };
  const Attempt attempts[] = {
      {CEffectsPage::ActivateRestore, false},  // first failure of the process
      {CEffectsPage::ActivateRestore, true},       {CEffectsPage::ActivateNone, false},
      {CEffectsPage::ActivateResetForExit, false}, {CEffectsPage::ActivateRestore, true},
  };
  for (const Attempt& attempt : attempts) {
    window->boxes.clear();
    page.m_nActivateAction = attempt.action;
    EXPECT_FALSE(page.OnSetActive());
    EXPECT_EQ(page.m_nActivateAction, attempt.action);
    ASSERT_EQ(window->boxes.size(), attempt.warned ? 1u : 0u) << "action " << attempt.action;
    if (attempt.warned) {
      EXPECT_EQ(window->boxes[0].text, strings.Load(IDS_DRIVER_NOT_LOADED));
      EXPECT_EQ(window->boxes[0].caption, strings.Load(IDS_ERROR_CAPTION));
      EXPECT_EQ(window->boxes[0].style, kMbIconHand);
    }
  }
  EXPECT_TRUE(window->timers.empty());
  EXPECT_TRUE(io.requests.empty());

  io.refuseOpen = false;  // the pending restore goes through at the next activation
  page.m_nActivateAction = CEffectsPage::ActivateRestore;
  EXPECT_TRUE(page.OnSetActive());
  EXPECT_EQ(page.m_nActivateAction, CEffectsPage::ActivateRestored);
}

TEST_F(EffectsPageTest, SourceLayoutTimerShowsWhatIsPlaying) {
  struct Case {
    std::vector<std::uint8_t> reply;
    unsigned stringId;  // 0: empty
  };
  const Case cases[] = {
      {{1, 1, 0, 0}, IDS_SOURCE_MULTICHANNEL}, {{1, 0, 0, 0}, IDS_SOURCE_MULTICHANNEL},
      {{0, 1, 0, 0}, IDS_SOURCE_TWO_CHANNEL},  {{0, 0, 0, 0}, 0},
      {{0, 1}, IDS_SOURCE_TWO_CHANNEL},        {{}, 0},
  };
  Activate();
  for (const Case& c : cases) {
    window->controls[IDC_SOURCE_LAYOUT].text = L"stale";
    io.replies[IOCTL_GET_SOURCE_CHANNELS] = c.reply;
    page.OnTimer(IDT_SOURCE_LAYOUT);
    EXPECT_EQ(window->controls[IDC_SOURCE_LAYOUT].text,
              c.stringId ? strings.Load(c.stringId) : L"");
  }
  io.replies[IOCTL_GET_SOURCE_CHANNELS] = {1, 0, 0, 0};
  page.OnTimer(IDT_SOURCE_LAYOUT);
  io.refusedCodes.insert(IOCTL_GET_SOURCE_CHANNELS);
  page.OnTimer(IDT_SOURCE_LAYOUT);
  EXPECT_EQ(window->controls[IDC_SOURCE_LAYOUT].text, strings.Load(IDS_SOURCE_MULTICHANNEL));
  EXPECT_TRUE(window->boxes.empty());
}

TEST_F(EffectsPageTest, NoAnswerWhilePageIsInactiveSwitchesEffectsOffThroughItsOwnHandle) {
  StoreEffects(1, 1, 0);
  Activate();
  ASSERT_TRUE(page.OnKillActive());
  page.m_bEnableEffects = 0;
  page.ApplyEnableEffects();
  EXPECT_THAT(io.Codes(), ElementsAre(IOCTL_FILTER_DISABLE));
  EXPECT_EQ(registry.Dword("EnableFilter"), 0u);
  EXPECT_FALSE(window->controls[IDC_ENABLE_EFFECTS].checked);
  EXPECT_TRUE(EffectControlsEnabled(false));
  EXPECT_EQ(io.OpenHandles(), 0);
  EXPECT_FALSE(page.m_hDevice.IsOpen());
}

TEST_F(EffectsPageTest, RefusedDisableAfterNoAnswerShowsTheFailureAndStoresNothing) {
  StoreEffects(1, 1, 0);
  Activate();
  ASSERT_TRUE(page.OnKillActive());
  io.refusedCodes.insert(IOCTL_FILTER_DISABLE);
  page.m_bEnableEffects = 0;
  page.ApplyEnableEffects();
  ExpectTransferErrorShown();
  EXPECT_EQ(registry.Dword("EnableFilter"), 1u);
  EXPECT_EQ(io.OpenHandles(), 0);
}

TEST_F(EffectsPageTest, NoAnswerWhilePageIsActiveUsesTheOpenHandle) {
  StoreEffects(1, 1, 0);
  Activate();
  page.m_bEnableEffects = 0;
  page.ApplyEnableEffects();
  EXPECT_THAT(io.Codes(), ElementsAre(IOCTL_FILTER_DISABLE));
  EXPECT_EQ(registry.Dword("EnableFilter"), 0u);
  EXPECT_TRUE(page.m_hDevice.IsOpen());
  EXPECT_EQ(io.openedPaths.size(), 1u);
}

TEST_F(EffectsPageTest, WithoutAnyKeyTheDefaultsAreRestoredAndNothingIsStored) {
  registry.refusedRoots = {RegistryRoot::kLocalMachine, RegistryRoot::kCurrentUser};
  ASSERT_TRUE(Restore());
  EXPECT_THAT(io.Codes(),
              ElementsAre(IOCTL_FILTER_ENABLE, IOCTL_OUTPUT_5_1, IOCTL_SET_BASS_OUTPUT));
  EXPECT_THAT(registry.writes, IsEmpty());
  EXPECT_TRUE(window->boxes.empty());
}

TEST_F(EffectsPageTest, DestroyingThePageReleasesItsKeyAndChannel) {
  {
    CEffectsPage other(io, registry, strings);
    other.AttachWindow(std::make_unique<FakeDialogWindow>());
    other.OnInitDialog();
    other.m_nActivateAction = CEffectsPage::ActivateRestore;
    ASSERT_TRUE(other.OnSetActive());
    EXPECT_EQ(registry.OpenKeys(), 1);
    EXPECT_EQ(io.OpenHandles(), 1);
  }
  EXPECT_EQ(registry.OpenKeys(), 0);
  EXPECT_EQ(io.OpenHandles(), 0);
}

}  // namespace
}  // namespace quendal
