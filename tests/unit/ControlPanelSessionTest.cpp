// The device's settings coming back on every attach and resume, and the device left reset when
// the user's session ends or the program is told to quit.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <functional>
#include <limits>
#include <set>
#include <vector>

#include "ControlPanelFixture.h"
#include "device/ControlCodes.h"
#include "fakes/BoxEvents.h"
#include "platform/WindowsValues.h"
#include "resource_ids.h"

namespace quendal::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

constexpr unsigned kPbtApmSuspend = 4;

std::vector<std::uint8_t> GainBytes(float gain) {
  const auto bits = std::bit_cast<std::uint32_t>(gain);
  return {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
          static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
}

struct StoredGain {
  const char* value;
  float stored;
  std::uint32_t code;
  float sent;
};

// Stored gains in the order they must reach the device, with what the device must get: two
// lie outside the sliders' range and one is not a number.
const StoredGain kStoredGains[] = {
    {"VolumeL", 2.0f, IOCTL_SET_VOLUME_L, 2.0f},
    {"VolumeR", 100.0f, IOCTL_SET_VOLUME_R, GainForSliderPosition(kChannelSliderTop)},
    {"VolumeC", std::numeric_limits<float>::quiet_NaN(), IOCTL_SET_VOLUME_C, 1.0f},
    {"VolumeLFE", 0.5f, IOCTL_SET_VOLUME_LFE, 0.5f},
    {"VolumeRL", 0.0f, IOCTL_SET_VOLUME_RL, GainForSliderPosition(kChannelSliderBottom)},
    {"VolumeRR", 1.25f, IOCTL_SET_VOLUME_RR, 1.25f},
};

class ControlPanelSessionTest : public ControlPanelFixture {
 protected:
  void StoreSettings(ControlPanelFixture& f) const {
    for (const StoredGain& gain : kStoredGains) {
      f.registry.PutDword(gain.value, std::bit_cast<std::uint32_t>(gain.stored));
    }
  }

  // The effects restore of the stored defaults (effects on, 5.1, crossover), then the six
  // gains, each once.
  static void ExpectEverythingRestored(const FakeDeviceIo& io, const char* name) {
    std::vector<std::uint32_t> codes{IOCTL_FILTER_ENABLE, IOCTL_OUTPUT_5_1, IOCTL_SET_BASS_OUTPUT};
    for (const StoredGain& gain : kStoredGains) codes.push_back(gain.code);
    ASSERT_THAT(io.Codes(), ElementsAreArray(codes)) << name;
    for (std::size_t i = 0; i < std::size(kStoredGains); ++i) {
      EXPECT_EQ(io.requests[3 + i].input, GainBytes(kStoredGains[i].sent))
          << name << ": " << kStoredGains[i].value;
    }
  }

  static void ExpectResetLast(const FakeDeviceIo& io, const char* name) {
    const std::vector<std::uint32_t> codes = io.Codes();
    ASSERT_GE(codes.size(), 7u) << name;
    EXPECT_THAT(std::vector<std::uint32_t>(codes.end() - 7, codes.end()),
                ElementsAre(IOCTL_FILTER_DISABLE, IOCTL_SET_VOLUME_LFE, IOCTL_SET_VOLUME_C,
                            IOCTL_SET_VOLUME_R, IOCTL_SET_VOLUME_L, IOCTL_SET_VOLUME_RR,
                            IOCTL_SET_VOLUME_RL))
        << name;
    for (std::size_t i = codes.size() - 6; i < codes.size(); ++i) {
      EXPECT_EQ(io.requests[i].input, GainBytes(1.0f)) << name;
    }
  }

  static std::size_t BoxesShown(const ControlPanelFixture& f) {
    std::size_t boxes = f.window->boxes.size();
    for (const Dialog* dialog : {static_cast<const Dialog*>(f.panel.m_pEffectsPage.get()),
                                 static_cast<const Dialog*>(f.panel.m_pVolumePage.get()),
                                 static_cast<const Dialog*>(f.panel.m_pSpeakerTestDlg.get())}) {
      if (dialog != nullptr && dialog->Window() != nullptr) {
        boxes += FakeWindowOf(*dialog)->boxes.size();
      }
    }
    return boxes;
  }
};

struct AttachCase {
  const char* name;
  bool presentAtStart;
  std::function<void(ControlPanelRig&)> events;
};

void Unplug(ControlPanelRig& f) {
  f.presence.present = false;
  f.panel.OnDeviceChange(kDbtDevNodesChanged);
}

// The second device-node change that finds the device attaches it.
void Plug(ControlPanelRig& f) {
  f.presence.present = true;
  f.panel.OnDeviceChange(kDbtDevNodesChanged);
  f.panel.OnDeviceChange(kDbtDevNodesChanged);
}

void Resume(ControlPanelRig& f, std::uintptr_t event) {
  std::intptr_t result = 0;
  EXPECT_TRUE(f.panel.OnWindowMessage(kWmPowerBroadcast, event, 0, result));
  EXPECT_EQ(result, 1);
}

TEST_F(ControlPanelSessionTest, EveryAttachRestoresTheStoredEffectsAndAllSixGains) {
  const AttachCase cases[] = {
      {"plugged in after a start without it", false, Plug},
      {"unplugged and plugged in again", true,
       [](ControlPanelRig& f) {
         Unplug(f);
         f.io.ClearLog();
         Plug(f);
       }},
      {"resume (automatic) while attached", true,
       [](ControlPanelRig& f) { Resume(f, kPbtApmResumeAutomatic); }},
      {"resume (by the user) while attached", true,
       [](ControlPanelRig& f) { Resume(f, kPbtApmResumeSuspend); }},
      {"resume after a plug during the sleep", false,
       [](ControlPanelRig& f) {
         f.presence.present = true;
         Resume(f, kPbtApmResumeAutomatic);
       }},
  };
  for (const AttachCase& c : cases) {
    ControlPanelRig f;
    StoreSettings(f);
    f.presence.present = c.presentAtStart;
    ASSERT_TRUE(f.Start()) << c.name;
    f.io.ClearLog();
    c.events(f);
    EXPECT_EQ(f.panel.m_bDeviceAttached, 1) << c.name;
    EXPECT_TRUE(f.PollRunning()) << c.name;
    ExpectEverythingRestored(f.io, c.name);
    // The stored gains stay as the user left them, out-of-range ones too.
    for (const StoredGain& gain : kStoredGains) {
      EXPECT_EQ(f.registry.Dword(gain.value), std::bit_cast<std::uint32_t>(gain.stored))
          << c.name << ": " << gain.value;
    }
  }
}

TEST_F(ControlPanelSessionTest, ARefusedSliderGainIsNotWhatTheNextAttachSends) {
  StoreSettings(*this);
  StartConnected();
  panel.OnOpenSettings();
  CVolumePage& page = *panel.m_pVolumePage;
  FakeWindowOf(page)->controls[IDC_SLIDER_FRONT_LEFT].sliderPos = 30;
  io.refusedCodes = {IOCTL_SET_VOLUME_L};
  std::intptr_t result = 0;
  ASSERT_TRUE(page.OnNotify(IDC_SLIDER_FRONT_LEFT, kNmReleasedCapture, result));
  io.refusedCodes.clear();
  io.ClearLog();
  Send(kWmPowerBroadcast, kPbtApmResumeAutomatic);
  ASSERT_GE(io.requests.size(), 4u);
  EXPECT_EQ(io.requests[3].code, IOCTL_SET_VOLUME_L);
  EXPECT_EQ(io.requests[3].input, GainBytes(kStoredGains[0].sent));
}

TEST_F(ControlPanelSessionTest, StartUpSendsTheGainsOnlyFromTheVolumePage) {
  StoreSettings(*this);
  presence.present = true;
  ASSERT_TRUE(Start());
  std::vector<std::uint32_t> codes;
  for (const StoredGain& gain : kStoredGains) codes.push_back(gain.code);
  codes.insert(codes.end(), {IOCTL_FILTER_ENABLE, IOCTL_OUTPUT_5_1, IOCTL_SET_BASS_OUTPUT});
  EXPECT_THAT(io.Codes(), ElementsAreArray(codes));
}

TEST_F(ControlPanelSessionTest, DeviceGoneAfterTheSettlingPauseIsNotAttached) {
  system.majorVersion = 4;  // one event attaches
  ASSERT_TRUE(Start());
  io.ClearLog();
  presence.present = true;
  system.whileSleeping = [this] { presence.present = false; };
  panel.OnDeviceChange(kDbtDevNodesChanged);
  EXPECT_THAT(system.sleeps, ElementsAre(1000u));
  EXPECT_EQ(panel.m_bDeviceAttached, 0);
  EXPECT_FALSE(panel.m_bConnected);
  EXPECT_EQ(presence.registrations, 0);
  EXPECT_EQ(TrayState(),
            (std::pair<unsigned, unsigned>{IDI_NOT_CONNECTED, IDR_MENU_NOT_CONNECTED}));
  EXPECT_FALSE(PollRunning());
  EXPECT_THAT(io.requests, IsEmpty());
  // Plugged in for good, the next change attaches it.
  system.whileSleeping = nullptr;
  presence.present = true;
  panel.OnDeviceChange(kDbtDevNodesChanged);
  EXPECT_EQ(panel.m_bDeviceAttached, 1);
}

TEST_F(ControlPanelSessionTest, ResumeWithTheDeviceGoneDetachesIt) {
  StartConnected();
  presence.present = false;
  Send(kWmPowerBroadcast, kPbtApmResumeAutomatic);
  EXPECT_EQ(panel.m_bDeviceAttached, 0);
  EXPECT_FALSE(panel.m_bConnected);
  EXPECT_FALSE(PollRunning());
  EXPECT_THAT(io.requests, IsEmpty());
}

TEST_F(ControlPanelSessionTest, ResumeGivesTheSelectedPageANewHandleAndKeepsItSelected) {
  for (int page : {0, 1, 2}) {
    ControlPanelRig f;
    f.StartConnected();
    f.panel.OnOpenSettings();
    ASSERT_TRUE(f.sheet().SetActivePage(page));
    const std::size_t opensBefore = f.io.openedPaths.size();
    const int handlesBefore = f.io.OpenHandles();
    Resume(f, kPbtApmResumeSuspend);
    EXPECT_EQ(f.sheet().activeIndex, page);
    EXPECT_EQ(f.io.OpenHandles(), handlesBefore) << page;  // the old handle was closed
    EXPECT_EQ(f.panel.m_pVolumePage->m_hDevice.IsOpen(), page == 0) << page;
    EXPECT_EQ(f.panel.m_pEffectsPage->m_hDevice.IsOpen(), page == 1) << page;
    // The effects restore's handle, the gains' own and, for the volume page, its new one.
    EXPECT_EQ(f.io.openedPaths.size(), opensBefore + (page == 0 ? 3u : 2u)) << page;
  }
}

TEST_F(ControlPanelSessionTest, PowerEventsOtherThanAResumeAreLeftToTheSystem) {
  StartConnected();
  std::intptr_t result = 0;
  EXPECT_FALSE(panel.OnWindowMessage(kWmPowerBroadcast, kPbtApmSuspend, 0, result));
  EXPECT_THAT(io.requests, IsEmpty());
  EXPECT_EQ(presence.presenceQueries, 1);  // start-up's only
}

struct SessionEndCase {
  const char* name;
  std::uint32_t testMode;  // 0: the speaker test stays closed
  bool started;
  std::set<std::uint32_t> refused;
};

const SessionEndCase kTestStates[] = {
    {"settings closed", 0, false, {}},
    {"speaker test open", 1, false, {}},
    {"automatic test running", 1, true, {}},
    {"surround test running", 3, true, {}},
    {"surround test whose stop and filter restore are refused",
     3,
     true,
     {IOCTL_SPEAKER_TEST_STOP, IOCTL_FILTER_ENABLE}},
};

// Starts connected with the speaker test in the case's state, the driver refusing what the
// case says, and the request log cleared.
void EnterTestState(ControlPanelRig& f, const SessionEndCase& c) {
  f.registry.PutDword("TestMode", c.testMode);
  f.registry.PutDword("TestBtnStatus", 1);
  f.StartConnected();
  if (c.testMode != 0) {
    f.panel.OnSpeakerTest();
    if (c.started) {
      f.panel.m_pSpeakerTestDlg->OnStartStop();
      ASSERT_EQ(f.registry.Dword("TestBtnStatus"), 2u) << c.name;
    }
  }
  f.io.refusedCodes = c.refused;
  f.io.ClearLog();
}

struct Ending {
  const char* name;
  void (*end)(ControlPanelRig&);
};

// The session's end leaves the process to the system; the Exit deletes the windows. Either way a
// running test ends first, so that the reset is the last thing the device hears, and no box
// waits for an answer.
const Ending kEndings[] = {
    {"session end",
     [](ControlPanelRig& f) {
       EXPECT_EQ(f.Send(kWmQueryEndSession), 1);
       EXPECT_THAT(f.io.requests, IsEmpty());  // asking changes nothing yet
       f.Send(kWmEndSession, 1);
     }},
    {"Exit", [](ControlPanelRig& f) { f.panel.OnCommand(ID_TRAY_EXIT, 0); }},
};

TEST_F(ControlPanelSessionTest, SessionEndAndExitEndTheTestQuietlyAndLeaveTheDeviceReset) {
  for (const Ending& ending : kEndings) {
    for (const SessionEndCase& c : kTestStates) {
      SCOPED_TRACE(ending.name);
      ControlPanelRig f;
      EnterTestState(f, c);
      ending.end(f);
      ExpectResetLast(f.io, c.name);
      EXPECT_NE(f.registry.Dword("TestBtnStatus"), 2u) << c.name;
      EXPECT_EQ(BoxEvents::MaxDepth(), 0) << c.name;
      EXPECT_FALSE(f.PollRunning()) << c.name;
      if (f.panel.m_pSpeakerTestDlg) {
        EXPECT_EQ(f.panel.m_pSpeakerTestDlg->m_bShown, 0) << c.name;
        EXPECT_EQ(f.io.OpenHandles(), 1) << c.name;  // the effects page's, released at exit
      } else {
        EXPECT_EQ(f.io.OpenHandles(), 0) << c.name;
      }
    }
  }
}

// The device has gone: a request would only fail and show a transfer error in the middle of the
// removal.
TEST_F(ControlPanelSessionTest, RemovalClosesTheSpeakerTestWithoutARequestOrABox) {
  for (const SessionEndCase& c : kTestStates) {
    if (c.testMode == 0) continue;
    ControlPanelRig f;
    EnterTestState(f, c);
    Unplug(f);
    EXPECT_THAT(f.io.requests, IsEmpty()) << c.name;
    EXPECT_EQ(BoxEvents::MaxDepth(), 0) << c.name;
    EXPECT_EQ(f.panel.m_pSpeakerTestDlg->m_bShown, 0) << c.name;
    EXPECT_FALSE(f.panel.m_pSpeakerTestDlg->m_hDevice.IsOpen()) << c.name;
    EXPECT_NE(f.registry.Dword("TestBtnStatus"), 2u) << c.name;
    EXPECT_FALSE(f.SpeakerWindow().timers.contains(ID_TIMER_SURROUND)) << c.name;
    EXPECT_FALSE(f.SpeakerWindow().timers.contains(ID_TIMER_SEQUENCE)) << c.name;
  }
}

// The restore puts the stored filter state on the device; the open window's own state (off, on
// for a surround test) must be what the device keeps, through a channel opened after the sleep.
TEST_F(ControlPanelSessionTest, ResumeReopensTheSpeakerTestsChannelAndPutsItsFilterBackLast) {
  for (const SessionEndCase& c : kTestStates) {
    if (c.testMode == 0 || !c.refused.empty()) continue;
    ControlPanelRig f;
    EnterTestState(f, c);
    const int handlesBefore = f.io.OpenHandles();
    const std::size_t opensBefore = f.io.openedPaths.size();
    Resume(f, kPbtApmResumeSuspend);
    const bool surround = c.testMode == 3 && c.started;
    ASSERT_FALSE(f.io.requests.empty()) << c.name;
    EXPECT_EQ(f.io.requests.back().code, surround ? IOCTL_FILTER_ENABLE : IOCTL_FILTER_DISABLE)
        << c.name;
    EXPECT_TRUE(f.panel.m_pSpeakerTestDlg->m_hDevice.IsOpen()) << c.name;
    EXPECT_GT(f.io.openedPaths.size(), opensBefore) << c.name;
    EXPECT_EQ(f.io.OpenHandles(), handlesBefore) << c.name;  // the old one was closed
    EXPECT_EQ(f.panel.m_pSpeakerTestDlg->m_bShown, 1) << c.name;
  }
}

TEST_F(ControlPanelSessionTest, SessionThatGoesOnChangesNothing) {
  StartConnected();
  Send(kWmQueryEndSession);
  Send(kWmEndSession, 0);
  EXPECT_THAT(io.requests, IsEmpty());
  EXPECT_TRUE(PollRunning());
}

TEST_F(ControlPanelSessionTest, QuitRunsTheExitSequenceOnce) {
  StartConnected();
  Send(kWmQuit);
  ExpectResetLast(io, "quit");
  EXPECT_EQ(window->endResult, kIdCancel);
  EXPECT_EQ(panel.m_pEffectsPage, nullptr);
  EXPECT_TRUE(tray.shown.empty());
  io.ClearLog();
  // Late messages after the exit sequence find nothing to do.
  Send(kWmQuit);
  Send(kWmEndSession, 1);
  Send(kWmPowerBroadcast, kPbtApmResumeAutomatic);
  EXPECT_THAT(io.requests, IsEmpty());
  EXPECT_EQ(io.OpenHandles(), 0);
  EXPECT_EQ(registry.OpenKeys(), 0);
}

}  // namespace
}  // namespace quendal::test
