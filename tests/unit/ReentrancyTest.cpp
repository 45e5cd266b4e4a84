// Every box of the program runs a message loop, and in it any other event may reach the
// program: the user's Exit or another tray command, the device leaving or coming back, a poll
// tick, a resume from sleep. Each box is opened here with each such event arriving while it is
// up; under AddressSanitizer this also proves that nothing the waiting handler returns to was
// deleted under it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "ControlPanelFixture.h"
#include "device/ControlCodes.h"
#include "platform/WindowsValues.h"
#include "resource_ids.h"

namespace quendal::test {
namespace {

using Rig = ControlPanelRig;

constexpr std::pair<unsigned, unsigned> kNotConnected{IDI_NOT_CONNECTED, IDR_MENU_NOT_CONNECTED};
constexpr std::pair<unsigned, unsigned> kSettingsOpen{IDI_SETTINGS_OPEN, IDR_MENU_SETTINGS_OPEN};

// The exit reset, in the order the device hears it.
const std::vector<std::uint32_t> kExitReset{
    IOCTL_FILTER_DISABLE, IOCTL_SET_VOLUME_LFE, IOCTL_SET_VOLUME_C, IOCTL_SET_VOLUME_R,
    IOCTL_SET_VOLUME_L,   IOCTL_SET_VOLUME_RR,  IOCTL_SET_VOLUME_RL};
// The six gains as every attach restores them.
const std::vector<std::uint32_t> kGainRestore{IOCTL_SET_VOLUME_L,  IOCTL_SET_VOLUME_R,
                                              IOCTL_SET_VOLUME_C,  IOCTL_SET_VOLUME_LFE,
                                              IOCTL_SET_VOLUME_RL, IOCTL_SET_VOLUME_RR};

std::vector<std::uint32_t> CodesFrom(const Rig& f, std::size_t first) {
  const std::vector<std::uint32_t> codes = f.io.Codes();
  return {codes.begin() + static_cast<std::ptrdiff_t>(std::min(first, codes.size())), codes.end()};
}

int Occurrences(const std::vector<std::uint32_t>& codes,
                const std::vector<std::uint32_t>& sequence) {
  int count = 0;
  for (auto at = codes.begin();
       (at = std::search(at, codes.end(), sequence.begin(), sequence.end())) != codes.end(); ++at) {
    ++count;
  }
  return count;
}

void StartConnected(Rig& f) { f.StartConnected(); }

void OpenSpeakerTest(Rig& f) {
  f.StartConnected();
  f.panel.OnSpeakerTest();
  ASSERT_EQ(f.panel.m_pSpeakerTestDlg->m_bShown, 1);
}

void PressStart(Rig& f) { f.panel.m_pSpeakerTestDlg->OnCommand(IDC_START_STOP, kBnClicked); }

struct BoxCase {
  const char* name;
  // Brings the program to the moment just before the box.
  std::function<void(Rig&)> prepare;
  // Runs the handler that shows the box.
  std::function<void(Rig&)> show;
};

const BoxCase kBoxes[] = {
    {"the 5.1 question",
     [](Rig& f) {
       StartConnected(f);
       f.io.replies[IOCTL_GET_SOURCE_CHANNELS] = {1, 0, 0, 0};
     },
     [](Rig& f) { f.panel.OnTimer(IDT_SOURCE_POLL); }},
    {"a refused switch of the effects",
     [](Rig& f) {
       StartConnected(f);
       f.panel.OnOpenSettings();
       ASSERT_TRUE(f.sheet().SetActivePage(1));
       f.EffectsWindow().controls[IDC_ENABLE_EFFECTS].checked = false;
       f.io.refusedCodes.insert(IOCTL_FILTER_DISABLE);
     },
     [](Rig& f) { f.panel.m_pEffectsPage->OnCommand(IDC_ENABLE_EFFECTS, kBnClicked); }},
    {"the library's warning on arrival",
     [](Rig& f) {
       f.system.majorVersion = 4;
       ASSERT_TRUE(f.Start());
       f.presence.warns = true;
       f.presence.present = true;
     },
     [](Rig& f) { f.panel.OnDeviceChange(kDbtDevNodesChanged); }},
    {"the driver not loaded on arrival",
     [](Rig& f) {
       // The first failed opening of the process is silent; the one on arrival speaks.
       f.system.majorVersion = 4;
       f.io.refuseOpen = true;
       f.presence.present = true;
       ASSERT_TRUE(f.Start());
       f.presence.present = false;
       f.panel.OnDeviceChange(kDbtDevNodesChanged);
       f.presence.present = true;
     },
     [](Rig& f) { f.panel.OnDeviceChange(kDbtDevNodesChanged); }},
    {"the speaker test's driver not loaded",
     [](Rig& f) {
       StartConnected(f);
       f.io.refuseOpen = true;
     },
     [](Rig& f) { f.panel.OnCommand(ID_TRAY_SPEAKER_TEST, 0); }},
    {"a refused filter-off as the speaker test opens",
     [](Rig& f) {
       StartConnected(f);
       f.io.refusedCodes.insert(IOCTL_FILTER_DISABLE);
     },
     [](Rig& f) { f.panel.OnCommand(ID_TRAY_SPEAKER_TEST, 0); }},
    {"a refused surround start",
     [](Rig& f) {
       OpenSpeakerTest(f);
       f.panel.m_pSpeakerTestDlg->OnCommand(IDC_MODE_SURROUND, kBnClicked);
       f.io.refusedCodes.insert(IOCTL_FILTER_ENABLE);
     },
     PressStart},
    {"a refused surround stop",
     [](Rig& f) {
       OpenSpeakerTest(f);
       f.panel.m_pSpeakerTestDlg->OnCommand(IDC_MODE_SURROUND, kBnClicked);
       PressStart(f);
       f.io.refusedCodes.insert(IOCTL_FILTER_DISABLE);
     },
     PressStart},
};

struct EventCase {
  const char* name;
  // Happens while the box is open.
  std::function<void(Rig&)> arrive;
  // Checks, once the box and its handler are done and the posted work has run, that the event
  // took effect; `first` is the index of the first request sent after the box opened.
  std::function<void(Rig&, std::size_t first)> verify;
};

void Unplug(Rig& f) {
  f.presence.present = false;
  f.panel.OnDeviceChange(kDbtDevNodesChanged);
}

const EventCase kEvents[] = {
    {"Exit", [](Rig& f) { f.panel.OnCommand(ID_TRAY_EXIT, 0); },
     [](Rig& f, std::size_t first) {
       EXPECT_EQ(f.window->endResult, kIdCancel);
       EXPECT_EQ(f.panel.m_pEffectsPage, nullptr);
       const std::vector<std::uint32_t> after = CodesFrom(f, first);
       EXPECT_EQ(Occurrences(after, kExitReset), 1) << "the exit sequence runs once";
       ASSERT_GE(after.size(), kExitReset.size());
       EXPECT_TRUE(std::equal(kExitReset.begin(), kExitReset.end(),
                              after.end() - static_cast<std::ptrdiff_t>(kExitReset.size())))
           << "the reset is the last thing the device hears";
       EXPECT_TRUE(f.tray.shown.empty());
     }},
    {"an unplug", Unplug,
     [](Rig& f, std::size_t) {
       EXPECT_EQ(f.panel.m_bDeviceAttached, 0);
       EXPECT_EQ(f.TrayState(), kNotConnected);
       EXPECT_FALSE(f.PollRunning());
       EXPECT_EQ(f.panel.m_pSpeakerTestDlg->m_bShown, 0);
     }},
    {"an unplug and a plug",
     [](Rig& f) {
       Unplug(f);
       f.presence.present = true;
       f.panel.OnDeviceChange(kDbtDevNodesChanged);
       f.panel.OnDeviceChange(kDbtDevNodesChanged);
     },
     [](Rig& f, std::size_t first) {
       EXPECT_EQ(f.panel.m_bDeviceAttached, 1);
       EXPECT_TRUE(f.PollRunning());
       EXPECT_GE(Occurrences(CodesFrom(f, first), kGainRestore), 1)
           << "the device that came back got its gains";
     }},
    {"a poll tick on 5.1 material",
     [](Rig& f) {
       f.io.replies[IOCTL_GET_SOURCE_CHANNELS] = {1, 0, 0, 0};
       f.panel.OnTimer(IDT_SOURCE_POLL);
     },
     [](Rig& f, std::size_t) {
       if (f.panel.m_bConnected) {
         EXPECT_TRUE(f.PollRunning());
       }
     }},
    {"the settings opened from the tray",
     [](Rig& f) { f.panel.OnCommand(ID_TRAY_OPEN_SETTINGS, 0); },
     [](Rig& f, std::size_t) {
       EXPECT_EQ(f.TrayState(), kSettingsOpen);
       EXPECT_EQ(f.panel.m_pSpeakerTestDlg->m_bShown, 0);
     }},
    {"the speaker test chosen from the tray",
     [](Rig& f) { f.panel.OnCommand(ID_TRAY_SPEAKER_TEST, 0); },
     [](Rig& f, std::size_t) {
       if (f.panel.m_bConnected) {
         EXPECT_EQ(f.panel.m_pSpeakerTestDlg->m_bShown, 1);
       }
     }},
    {"a resume from sleep",
     [](Rig& f) {
       std::intptr_t result = 0;
       f.panel.OnWindowMessage(kWmPowerBroadcast, kPbtApmResumeSuspend, 0, result);
     },
     [](Rig& f, std::size_t first) {
       if (f.panel.m_bDeviceAttached == 1) {
         EXPECT_GE(Occurrences(CodesFrom(f, first), kGainRestore), 1) << "restored on resume";
       }
     }},
};

TEST(ReentrancyTest, EveryBoxSurvivesEveryEventArrivingWhileItIsOpen) {
  for (const BoxCase& box : kBoxes) {
    for (const EventCase& event : kEvents) {
      const std::string name = std::string(box.name) + " + " + event.name;
      SCOPED_TRACE(name);
      Rig f;
      box.prepare(f);
      ASSERT_FALSE(::testing::Test::HasFatalFailure()) << name;
      std::size_t first = 0;
      BoxEvents::WhileNextBoxIsOpen([&] {
        // The driver is back to normal for what follows; the waiting handler and everything it
        // returns to must still be there once the event has been taken in.
        f.io.refusedCodes.clear();
        f.io.refuseOpen = false;
        f.presence.warns = false;
        first = f.io.requests.size();
        event.arrive(f);
        EXPECT_NE(f.panel.m_pEffectsPage, nullptr) << name << ": deleted under the box";
      });
      box.show(f);
      EXPECT_FALSE(BoxEvents::Pending()) << name << ": the box did not open";
      f.RunPostedCommands();
      EXPECT_EQ(BoxEvents::MaxDepth(), 1) << name << ": a box opened over the box";
      event.verify(f, first);
      // Whatever state the pair left, the program still ends cleanly and releases everything.
      f.panel.OnCommand(ID_TRAY_EXIT, 0);
      EXPECT_EQ(f.window->endResult, kIdCancel) << name;
      EXPECT_EQ(f.io.OpenHandles(), 0) << name;
      EXPECT_EQ(f.registry.OpenKeys(), 0) << name;
      EXPECT_EQ(f.tray.OpenMenus(), 0) << name;
    }
  }
}

// A docking station or a hub brings dozens of device-node changes at once. Under a box they are
// counted, and the check that follows runs once, after the box; the arrival rule still sees
// them all.
TEST(ReentrancyTest, AFloodOfDeviceChangesUnderABoxLeadsToOneCheckAfterIt) {
  Rig f;
  StartConnected(f);
  f.io.replies[IOCTL_GET_SOURCE_CHANNELS] = {1, 0, 0, 0};
  int queriesUnderTheBox = 0;
  BoxEvents::WhileNextBoxIsOpen([&] {
    const int before = f.presence.presenceQueries;
    f.presence.present = false;
    for (int i = 0; i < 50; ++i) f.panel.OnDeviceChange(kDbtDevNodesChanged);
    f.presence.present = true;
    for (int i = 0; i < 50; ++i) f.panel.OnDeviceChange(kDbtDevNodesChanged);
    queriesUnderTheBox = f.presence.presenceQueries - before;
    EXPECT_EQ(f.panel.m_bDeviceAttached, 1) << "nothing is detached under the box";
  });
  f.panel.OnTimer(IDT_SOURCE_POLL);
  EXPECT_EQ(queriesUnderTheBox, 1) << "once it was seen gone, the rest is only counted";
  EXPECT_EQ(std::count(f.window->postedCommands.begin(), f.window->postedCommands.end(),
                       ID_CHECK_PRESENCE),
            1);
  const int registrationsBefore = f.presence.registrations;
  f.RunPostedCommands();
  EXPECT_EQ(f.presence.registrations, registrationsBefore + 1) << "detached, then attached once";
  EXPECT_EQ(f.panel.m_bDeviceAttached, 1);
  EXPECT_EQ(f.system.sleeps.size(), 1u);
  EXPECT_EQ(BoxEvents::MaxDepth(), 1);
}

}  // namespace
}  // namespace quendal::test
