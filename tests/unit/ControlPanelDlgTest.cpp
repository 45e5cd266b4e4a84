#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "ControlPanelFixture.h"
#include "device/ControlCodes.h"
#include "platform/WindowsValues.h"
#include "resource_ids.h"
#include "ui/DpiScale.h"

namespace quendal::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr std::pair<unsigned, unsigned> kNotConnected{IDI_NOT_CONNECTED, IDR_MENU_NOT_CONNECTED};
constexpr std::pair<unsigned, unsigned> kConnected{IDI_CONNECTED, IDR_MENU_CONNECTED};
constexpr std::pair<unsigned, unsigned> kSettingsOpen{IDI_SETTINGS_OPEN, IDR_MENU_SETTINGS_OPEN};
constexpr unsigned kLeftButtonDown = 0x0201;
constexpr unsigned kKeySelect = 0x0401;

using ControlPanelDlgTest = ControlPanelFixture;

TEST_F(ControlPanelDlgTest, StartWithoutTheDeviceWaitsNotConnected) {
  CreateWindow();
  ASSERT_TRUE(panel.OnInitDialog());
  // The hidden speaker-test window is made once the icon is there.
  EXPECT_THAT(windows.modeless, IsEmpty());
  EXPECT_THAT(window->postedCommands, ElementsAre(ID_CREATE_SPEAKER_TEST));
  RunPostedCommands();
  EXPECT_EQ(TrayState(), kNotConnected);
  EXPECT_EQ(tray.shown.begin()->second.tip, L"Quendal5.1RIR");
  EXPECT_EQ(tray.shown.begin()->second.callbackMessage, unsigned{WM_TRAYNOTIFY});
  EXPECT_FALSE(PollRunning());
  EXPECT_FALSE(panel.m_bConnected);
  EXPECT_EQ(presence.registrations, 0);
  // The sheet holds volume, effects and information; only the volume page has a window.
  ASSERT_EQ(sheet().pages.size(), 3u);
  EXPECT_EQ(sheet().pages[0], panel.m_pVolumePage.get());
  EXPECT_EQ(sheet().pages[1], panel.m_pEffectsPage.get());
  EXPECT_EQ(sheet().pages[2], panel.m_pInformationPage.get());
  EXPECT_EQ(sheet().owner, window->Id());
  EXPECT_EQ(sheet().closeCommand, IDC_CLOSE);
  EXPECT_EQ(panel.m_pEffectsPage->Window(), nullptr);
  // The speaker-test window exists, hidden, owned by the control panel.
  ASSERT_THAT(windows.modeless, ElementsAre(panel.m_pSpeakerTestDlg.get()));
  EXPECT_THAT(windows.modelessOwners, ElementsAre(window->Id()));
  EXPECT_FALSE(SpeakerWindow().visible);
  EXPECT_EQ(windows.IconResource(window->icon), unsigned{IDI_CONNECTED});
  EXPECT_EQ(panel.OnQueryDragIcon(), window->icon);
}

TEST_F(ControlPanelDlgTest, StartWithTheDeviceRestoresTheEffectsAndStartsThePoll) {
  presence.present = true;
  ASSERT_TRUE(Start());
  EXPECT_EQ(presence.registrations, 1);
  EXPECT_EQ(TrayState(), kConnected);
  EXPECT_THAT(sheet().selections, ElementsAre(2, 1));
  EXPECT_EQ(panel.m_pEffectsPage->m_nActivateAction, CEffectsPage::ActivateRestored);
  // The six stored gains from the volume page's creation, then the effects restore.
  EXPECT_THAT(io.Codes(),
              ElementsAre(IOCTL_SET_VOLUME_L, IOCTL_SET_VOLUME_R, IOCTL_SET_VOLUME_C,
                          IOCTL_SET_VOLUME_LFE, IOCTL_SET_VOLUME_RL, IOCTL_SET_VOLUME_RR,
                          IOCTL_FILTER_ENABLE, IOCTL_OUTPUT_5_1, IOCTL_SET_BASS_OUTPUT));
  EXPECT_EQ(window->timers.at(IDT_SOURCE_POLL), 200u);
}

TEST_F(ControlPanelDlgTest, FailedRegistrationAtStartRunsTheExitSequence) {
  presence.present = true;
  presence.registers = false;
  EXPECT_FALSE(Start());
  EXPECT_EQ(window->endResult, kIdCancel);
  EXPECT_TRUE(tray.shown.empty());
  EXPECT_EQ(tray.OpenIcons(), 0);
  EXPECT_EQ(tray.OpenMenus(), 0);
  EXPECT_EQ(panel.m_pEffectsPage, nullptr);
  EXPECT_EQ(io.Codes().back(), IOCTL_SET_VOLUME_RL);
}

TEST_F(ControlPanelDlgTest, LaysTheWindowOutAroundTheSheet) {
  CreateWindow().controls[IDC_CLOSE].rect = {480, 330, 546, 354};
  const Rect outerBefore = window->windowRect;
  ASSERT_TRUE(Start());
  const Rect sheetRect = FakePropertySheet().windowRect;  // as every fake sheet is created
  const Rect frame = window->controls[IDC_SHEET_FRAME].rect;
  const Rect picture = window->controls[IDC_PANEL_ICON].rect;
  const Rect close = window->controls[IDC_CLOSE].rect;
  const Rect client = window->clientRect;
  // The frame has the sheet's size, and the sheet lies on it.
  EXPECT_EQ(frame.Width(), sheetRect.Width());
  EXPECT_EQ(frame.Height(), sheetRect.Height());
  EXPECT_EQ(sheet().placements.front(), frame);
  // The Close button keeps its size, its right edge at the sheet's width and its bottom edge
  // 36 pixels below the sheet.
  EXPECT_EQ(close.Width(), 66);
  EXPECT_EQ(close.Height(), 24);
  EXPECT_EQ(close.right, sheetRect.Width());
  EXPECT_EQ(close.bottom, sheetRect.Height() + 36);
  // The picture and the button stand in a strip below the frame, inside the client area.
  EXPECT_GE(picture.top, frame.bottom);
  EXPECT_GE(close.top, frame.bottom);
  EXPECT_GE(picture.left, 0);
  EXPECT_LE(picture.right, close.left);
  EXPECT_LE(picture.bottom, client.bottom);
  EXPECT_LE(close.bottom, client.bottom);
  // The window grows or shrinks around them, its top-left corner staying where it was.
  EXPECT_EQ(window->windowRect.left, outerBefore.left);
  EXPECT_EQ(window->windowRect.top, outerBefore.top);
}

// The margins around the sheet, given at 96 DPI, grow with the window's DPI; the sheet and the
// Close button have grown with the dialog font, as the system creates them at that DPI.
TEST_F(ControlPanelDlgTest, ScalesTheLayoutAroundTheSheetWithTheWindowsDpi) {
  const struct {
    int dpi;
    Rect frame;
    Rect picture;
    Rect close;
    int outerWidth;
    int clientHeight;
  } cases[] = {
      {96, {4, 0, 434, 320}, {9, 324, 177, 356}, {364, 332, 430, 356}, 440, 362},
      {120, {5, 0, 543, 400}, {11, 405, 221, 445}, {455, 415, 538, 445}, 551, 453},
      {144, {6, 0, 651, 480}, {14, 486, 266, 534}, {546, 498, 645, 534}, 660, 543},
      {192, {8, 0, 868, 640}, {18, 648, 354, 712}, {728, 664, 860, 712}, 880, 724},
  };
  for (const auto& c : cases) {
    ControlPanelRig rig;
    FakeDialogWindow& created = rig.CreateWindow();
    created.dpi = c.dpi;
    created.controls[IDC_CLOSE].rect = {0, 0, ScaleForDpi(66, c.dpi), ScaleForDpi(24, c.dpi)};
    rig.windows.sheetRect = {0, 0, ScaleForDpi(430, c.dpi), ScaleForDpi(320, c.dpi)};
    ASSERT_TRUE(rig.Start());
    const FakeDialogWindow& w = *rig.window;
    EXPECT_EQ(w.controls.at(IDC_SHEET_FRAME).rect, c.frame) << c.dpi;
    EXPECT_EQ(rig.sheet().placements.front(), c.frame) << c.dpi;
    EXPECT_EQ(w.controls.at(IDC_PANEL_ICON).rect, c.picture) << c.dpi;
    EXPECT_EQ(w.controls.at(IDC_CLOSE).rect, c.close) << c.dpi;
    EXPECT_EQ(w.windowRect.Width(), c.outerWidth) << c.dpi;
    EXPECT_EQ(w.clientRect.Height(), c.clientHeight) << c.dpi;
    // Below the sheet and inside the client area, whatever the DPI.
    EXPECT_GE(c.close.top, c.frame.bottom) << c.dpi;
    EXPECT_LE(c.close.bottom, w.clientRect.bottom) << c.dpi;
    EXPECT_LE(c.picture.right, c.close.left) << c.dpi;
  }
}

TEST_F(ControlPanelDlgTest, ADpiChangeMovesTheWindowToTheSuggestedPlaceAndLaysItOutAgain) {
  CreateWindow().controls[IDC_CLOSE].rect = {0, 0, 66, 24};
  ASSERT_TRUE(Start());
  window->dpi = 192;
  window->controls[IDC_CLOSE].rect = {0, 0, 132, 48};
  sheet().windowRect = {0, 0, 860, 640};
  panel.OnDpiChanged({200, 150, 1100, 1000});
  EXPECT_EQ(window->windowRect.left, 200);
  EXPECT_EQ(window->windowRect.top, 150);
  EXPECT_EQ(window->windowRect.Width(), 880);
  EXPECT_EQ(window->controls[IDC_SHEET_FRAME].rect, (Rect{8, 0, 868, 640}));
  EXPECT_EQ(sheet().placements.back(), (Rect{8, 0, 868, 640}));
  EXPECT_EQ(window->controls[IDC_CLOSE].rect, (Rect{728, 664, 860, 712}));
}

struct Transition {
  const char* name;
  std::function<void(ControlPanelRig&)> events;
  std::pair<unsigned, unsigned> tray;
  bool windowShown;
  bool pollRunning;
  bool speakerTestShown;
};

TEST_F(ControlPanelDlgTest, FollowsTheStateTable) {
  auto open = [](ControlPanelRig& f) { f.panel.OnOpenSettings(); };
  const Transition transitions[] = {
      {"open settings", open, kSettingsOpen, true, true, false},
      {"close settings",
       [](ControlPanelRig& f) {
         CControlPanelDlg& p = f.panel;
         p.OnOpenSettings();
         p.OnCommand(ID_TRAY_CLOSE_SETTINGS, 0);
       },
       kConnected, false, true, false},
      {"close button",
       [](ControlPanelRig& f) {
         CControlPanelDlg& p = f.panel;
         p.OnOpenSettings();
         p.OnCommand(IDC_CLOSE, kBnClicked);
       },
       kConnected, false, true, false},
      {"Enter",
       [](ControlPanelRig& f) {
         CControlPanelDlg& p = f.panel;
         p.OnOpenSettings(), p.OnCommand(kIdOk, 0);
       },
       kConnected, false, true, false},
      {"Escape",
       [](ControlPanelRig& f) {
         CControlPanelDlg& p = f.panel;
         p.OnOpenSettings(), p.OnCommand(kIdCancel, 0);
       },
       kConnected, false, true, false},
      {"speaker test from open settings",
       [](ControlPanelRig& f) {
         CControlPanelDlg& p = f.panel;
         p.OnOpenSettings();
         p.OnCommand(ID_TRAY_SPEAKER_TEST, 0);
       },
       kConnected, false, true, true},
      {"open settings from the speaker test",
       [](ControlPanelRig& f) {
         CControlPanelDlg& p = f.panel;
         p.OnSpeakerTest();
         p.OnCommand(ID_TRAY_OPEN_SETTINGS, 0);
       },
       kSettingsOpen, true, true, false},
      {"removal with the settings open",
       [](ControlPanelRig& f) {
         CControlPanelDlg& p = f.panel;
         p.OnOpenSettings();
         f.presence.present = false;
         p.OnDeviceChange(kDbtDevNodesChanged);
       },
       kNotConnected, false, false, false},
      {"removal with the speaker test open",
       [](ControlPanelRig& f) {
         CControlPanelDlg& p = f.panel;
         p.OnSpeakerTest();
         f.presence.present = false;
         p.OnDeviceChange(kDbtDevNodesChanged);
       },
       kNotConnected, false, false, false},
  };
  for (const Transition& t : transitions) {
    ControlPanelRig fixture;
    fixture.presence.present = true;
    ASSERT_TRUE(fixture.Start()) << t.name;
    t.events(fixture);
    EXPECT_EQ(fixture.TrayState(), t.tray) << t.name;
    EXPECT_EQ(fixture.window->visible, t.windowShown) << t.name;
    EXPECT_EQ(fixture.PollRunning(), t.pollRunning) << t.name;
    EXPECT_EQ(fixture.panel.m_pSpeakerTestDlg->m_bShown != 0, t.speakerTestShown) << t.name;
    EXPECT_EQ(fixture.tray.OpenIcons(), 1) << t.name;
    EXPECT_EQ(fixture.tray.OpenMenus(), 2) << t.name;  // the menu bar and its popup
  }
}

TEST_F(ControlPanelDlgTest, OpenSettingsShowsTheSheetOverTheFrameOnTheVolumePage) {
  StartConnected();
  panel.OnOpenSettings();
  EXPECT_EQ(sheet().activeIndex, 0);
  EXPECT_TRUE(sheet().visible);
  EXPECT_EQ(sheet().placements.back(), window->GetControlRect(IDC_SHEET_FRAME));
  EXPECT_EQ(window->shows.back(), ShowCommand::kRestore);
  // Leaving the effects page closed its channel handle.
  EXPECT_FALSE(panel.m_pEffectsPage->m_hDevice.IsOpen());
}

// The start-up restore leaves the effects page selected in the hidden sheet: its source-layout
// display runs only while the settings window shows that page, and stops on every way the
// window hides.
TEST_F(ControlPanelDlgTest, SourceLayoutDisplayRunsOnlyWhileTheSettingsShowTheEffectsTab) {
  struct HidePath {
    const char* name;
    std::function<void(ControlPanelFixture&)> hide;
  };
  const HidePath paths[] = {
      {"close settings", [](ControlPanelFixture& f) { f.panel.OnCloseSettings(); }},
      {"speaker test", [](ControlPanelFixture& f) { f.panel.OnSpeakerTest(); }},
      {"removal",
       [](ControlPanelFixture& f) {
         f.presence.present = false;
         f.panel.OnDeviceChange(kDbtDevNodesChanged);
       }},
  };
  for (const HidePath& path : paths) {
    SCOPED_TRACE(path.name);
    ControlPanelRig f;
    f.StartConnected();
    f.io.replies[IOCTL_GET_SOURCE_CHANNELS] = {1, 0, 0, 0};
    CEffectsPage& page = *f.panel.m_pEffectsPage;
    FakeDialogWindow& effects = f.EffectsWindow();
    ASSERT_EQ(f.sheet().activeIndex, 1);
    EXPECT_FALSE(effects.timers.contains(IDT_SOURCE_LAYOUT));
    page.OnTimer(IDT_SOURCE_LAYOUT);
    EXPECT_THAT(f.io.Codes(), IsEmpty());

    f.panel.OnOpenSettings();
    ASSERT_TRUE(f.sheet().SetActivePage(1));  // the user picks the Effects tab
    EXPECT_EQ(effects.timers.at(IDT_SOURCE_LAYOUT), 300u);
    page.OnTimer(IDT_SOURCE_LAYOUT);
    EXPECT_THAT(f.io.Codes(), ElementsAre(IOCTL_GET_SOURCE_CHANNELS));
    EXPECT_EQ(effects.controls[IDC_SOURCE_LAYOUT].text, f.strings.Load(IDS_SOURCE_MULTICHANNEL));

    path.hide(f);
    f.io.ClearLog();
    EXPECT_FALSE(effects.timers.contains(IDT_SOURCE_LAYOUT));
    page.OnTimer(IDT_SOURCE_LAYOUT);
    EXPECT_THAT(f.io.Codes(), IsEmpty());
  }
}

TEST_F(ControlPanelDlgTest, CloseBoxPostsTheCloseButton) {
  StartConnected();
  EXPECT_TRUE(panel.OnClose());
  EXPECT_THAT(window->postedCommands, ElementsAre(IDC_CLOSE));
}

TEST_F(ControlPanelDlgTest, SpeakerTestCommandDoesNothingWhileTheTestIsShown) {
  StartConnected();
  panel.OnSpeakerTest();
  const auto opensBefore = io.openedPaths.size();
  panel.OnSpeakerTest();
  EXPECT_EQ(io.openedPaths.size(), opensBefore);
  EXPECT_EQ(panel.m_pSpeakerTestDlg->m_bShown, 1);
}

struct PollCase {
  const char* name;
  std::vector<std::uint8_t> reply;
  bool refused;
  bool unopenable;
  bool played;
  bool asked;
};

TEST_F(ControlPanelDlgTest, PollTickPlaysSilenceOnMaterialAndAsksOnceAboutMultichannel) {
  const PollCase cases[] = {
      {"5.1 and 2 both set", {1, 1, 0, 0}, false, false, true, true},
      {"5.1", {1, 0, 0, 0}, false, false, true, true},
      {"2-channel", {0, 1, 0, 0}, false, false, true, false},
      {"nothing playing", {0, 0, 0, 0}, false, false, false, false},
      {"refused", {1, 0, 0, 0}, true, false, false, false},
      {"unopenable", {1, 0, 0, 0}, false, true, false, false},
  };
  for (const PollCase& c : cases) {
    ControlPanelRig f;
    f.presence.present = true;
    ASSERT_TRUE(f.Start());
    const int handlesBefore = f.io.OpenHandles();
    f.io.replies[IOCTL_GET_SOURCE_CHANNELS] = c.reply;
    if (c.refused) f.io.refusedCodes.insert(IOCTL_GET_SOURCE_CHANNELS);
    f.io.refuseOpen = c.unopenable;
    f.panel.OnTimer(IDT_SOURCE_POLL);
    EXPECT_EQ(f.sound.log.size(), c.played ? 1u : 0u) << c.name;
    if (c.played) {
      EXPECT_EQ(f.sound.log[0], "play 215") << c.name;
    }
    ASSERT_EQ(f.EffectsWindow().boxes.size(), c.asked ? 1u : 0u) << c.name;
    if (c.asked) {
      EXPECT_EQ(f.EffectsWindow().boxes[0].text, f.strings.Load(IDS_MULTICHANNEL_QUESTION));
      EXPECT_EQ(f.EffectsWindow().boxes[0].caption, f.strings.Load(IDS_WARNING_CAPTION));
      EXPECT_EQ(f.EffectsWindow().boxes[0].style, 0x34u);
    }
    EXPECT_TRUE(f.PollRunning()) << c.name;
    EXPECT_TRUE(f.window->enabled) << c.name;
    EXPECT_EQ(f.io.OpenHandles(), handlesBefore) << c.name;
  }
}

TEST_F(ControlPanelDlgTest, PollIsIdleWhileTheSpeakerTestIsShownAndForOtherTimers) {
  StartConnected();
  io.replies[IOCTL_GET_SOURCE_CHANNELS] = {1, 0, 0, 0};
  panel.OnTimer(IDT_SOURCE_POLL + 1);
  EXPECT_TRUE(io.requests.empty());
  EXPECT_TRUE(PollRunning());
  panel.OnSpeakerTest();
  io.ClearLog();
  panel.OnTimer(IDT_SOURCE_POLL);
  EXPECT_TRUE(io.requests.empty());
  EXPECT_TRUE(sound.log.empty());
  EXPECT_TRUE(PollRunning());
}

TEST_F(ControlPanelDlgTest, YesKeepsTheEffectsAndTheQuestionWaitsForTheNextSwitchOn) {
  StartConnected();
  io.replies[IOCTL_GET_SOURCE_CHANNELS] = {1, 0, 0, 0};
  EffectsWindow().answers = {kIdYes};
  panel.OnTimer(IDT_SOURCE_POLL);
  panel.OnTimer(IDT_SOURCE_POLL);
  EXPECT_EQ(EffectsWindow().boxes.size(), 1u);
  EXPECT_EQ(panel.m_pEffectsPage->m_bEnableEffects, 1);
  EXPECT_EQ(registry.Dword("EnableFilter"), 1u);
  // The user switches the effects on again: the question is armed once more.
  panel.m_pEffectsPage->OnCommand(IDC_ENABLE_EFFECTS, kBnClicked);
  panel.OnTimer(IDT_SOURCE_POLL);
  EXPECT_EQ(EffectsWindow().boxes.size(), 2u);
}

TEST_F(ControlPanelDlgTest, NoSwitchesTheEffectsOffWhetherOrNotThePageIsActive) {
  for (bool settingsClosed : {false, true}) {
    ControlPanelRig f;
    f.StartConnected();
    if (settingsClosed) f.panel.OnCloseSettings();  // the effects page holds no handle
    f.io.ClearLog();
    f.io.replies[IOCTL_GET_SOURCE_CHANNELS] = {1, 0, 0, 0};
    f.EffectsWindow().answers = {kIdNo};
    f.panel.OnTimer(IDT_SOURCE_POLL);
    EXPECT_THAT(f.io.Codes(), ElementsAre(IOCTL_GET_SOURCE_CHANNELS, IOCTL_FILTER_DISABLE))
        << settingsClosed;
    EXPECT_EQ(f.registry.Dword("EnableFilter"), 0u) << settingsClosed;
    EXPECT_FALSE(f.EffectsWindow().controls[IDC_ENABLE_EFFECTS].checked) << settingsClosed;
    EXPECT_FALSE(f.EffectsWindow().controls[IDC_OUTPUT_5_1].enabled) << settingsClosed;
    EXPECT_EQ(f.panel.m_pEffectsPage->m_hDevice.IsOpen(), !settingsClosed);
  }
}

struct ArrivalCase {
  unsigned version;
  int eventsToAttach;
};

TEST_F(ControlPanelDlgTest, ArrivalAttachesAfterTheEventsItsSystemNeeds) {
  for (const ArrivalCase c : {ArrivalCase{4, 1}, ArrivalCase{5, 2}, ArrivalCase{6, 2}}) {
    ControlPanelRig f;
    f.system.majorVersion = c.version;
    ASSERT_TRUE(f.Start());
    f.presence.present = true;
    f.panel.OnDeviceChange(0x8000);  // not a device-node change: ignored
    EXPECT_EQ(f.presence.presenceQueries, 1) << c.version;
    for (int event = 1; event < c.eventsToAttach; ++event) {
      f.panel.OnDeviceChange(kDbtDevNodesChanged);
      EXPECT_EQ(f.panel.m_bDeviceAttached, 0) << c.version;
      EXPECT_EQ(f.TrayState(), kNotConnected) << c.version;
    }
    f.panel.OnDeviceChange(kDbtDevNodesChanged);
    EXPECT_EQ(f.panel.m_bDeviceAttached, 1) << c.version;
    EXPECT_TRUE(f.panel.m_bConnected) << c.version;
    EXPECT_THAT(f.system.sleeps, ElementsAre(1000u)) << c.version;
    EXPECT_EQ(f.presence.registrations, 1) << c.version;
    EXPECT_EQ(f.TrayState(), kConnected) << c.version;
    EXPECT_THAT(f.sheet().selections, ElementsAre(2, 1)) << c.version;
    EXPECT_TRUE(f.PollRunning()) << c.version;
    EXPECT_TRUE(f.window->shows.empty()) << c.version;  // an arrival never shows the window
  }
}

TEST_F(ControlPanelDlgTest, RemovalResetsTheArrivalCountAndClosesTheEffectsHandle) {
  StartConnected();
  ASSERT_TRUE(panel.m_pEffectsPage->m_hDevice.IsOpen());
  presence.present = false;
  panel.OnDeviceChange(kDbtDevNodesChanged);
  EXPECT_EQ(panel.m_bDeviceAttached, 0);
  EXPECT_EQ(panel.m_nArrivalEvents, 0u);
  EXPECT_EQ(sheet().activeIndex, 0);
  EXPECT_FALSE(panel.m_pEffectsPage->m_hDevice.IsOpen());
  EXPECT_FALSE(PollRunning());
  EXPECT_EQ(window->ownedPopupsShown.back(), false);
  presence.present = true;
  panel.OnDeviceChange(kDbtDevNodesChanged);
  EXPECT_EQ(panel.m_bDeviceAttached, 0);  // the first event after a removal is ignored again
  panel.OnDeviceChange(kDbtDevNodesChanged);
  EXPECT_EQ(panel.m_bDeviceAttached, 1);
}

TEST_F(ControlPanelDlgTest, RemovalDuringTheSpeakerTestClosesItSoTheNextArrivalCanPoll) {
  StartConnected();
  panel.OnSpeakerTest();
  presence.present = false;
  panel.OnDeviceChange(kDbtDevNodesChanged);
  EXPECT_EQ(panel.m_pSpeakerTestDlg->m_bShown, 0);
  EXPECT_FALSE(SpeakerWindow().visible);
  presence.present = true;
  panel.OnDeviceChange(kDbtDevNodesChanged);
  panel.OnDeviceChange(kDbtDevNodesChanged);
  io.ClearLog();
  io.replies[IOCTL_GET_SOURCE_CHANNELS] = {0, 1, 0, 0};
  panel.OnTimer(IDT_SOURCE_POLL);
  EXPECT_THAT(io.Codes(), ElementsAre(IOCTL_GET_SOURCE_CHANNELS));
}

TEST_F(ControlPanelDlgTest, FailedRegistrationOnArrivalEndsTheProgram) {
  system.majorVersion = 4;
  ASSERT_TRUE(Start());
  presence.present = true;
  presence.registers = false;
  panel.OnDeviceChange(kDbtDevNodesChanged);
  EXPECT_EQ(window->endResult, kIdCancel);
  EXPECT_TRUE(tray.shown.empty());
  EXPECT_EQ(panel.m_pEffectsPage, nullptr);
}

TEST_F(ControlPanelDlgTest, ExitResetsTheDeviceEvenWithTheEffectsPageSelected) {
  StartConnected();
  panel.OnOpenSettings();
  ASSERT_TRUE(sheet().SetActivePage(1));  // the user looks at the Effects tab
  io.ClearLog();
  registry.writes.clear();
  std::vector<std::string> destroyed;
  auto watch = [&](Dialog& dialog, const char* name) {
    FakeWindowOf(dialog)->onDestroy = [&destroyed, name] { destroyed.push_back(name); };
  };
  sheet().SetActivePage(2);  // gives the information page its window
  sheet().SetActivePage(1);
  io.ClearLog();
  watch(*panel.m_pEffectsPage, "effects");
  watch(*panel.m_pSpeakerTestDlg, "speaker test");
  watch(*panel.m_pInformationPage, "information");
  watch(*panel.m_pVolumePage, "volume");

  panel.OnCommand(ID_TRAY_EXIT, 0);

  EXPECT_THAT(io.Codes(), ElementsAre(IOCTL_FILTER_DISABLE, IOCTL_SET_VOLUME_LFE,
                                      IOCTL_SET_VOLUME_C, IOCTL_SET_VOLUME_R, IOCTL_SET_VOLUME_L,
                                      IOCTL_SET_VOLUME_RR, IOCTL_SET_VOLUME_RL));
  EXPECT_THAT(destroyed, ElementsAre("effects", "speaker test", "information", "volume"));
  EXPECT_THAT(registry.writes, IsEmpty());
  EXPECT_FALSE(PollRunning());
  EXPECT_FALSE(panel.m_bConnected);
  EXPECT_TRUE(tray.shown.empty());
  EXPECT_EQ(tray.OpenIcons(), 0);
  EXPECT_EQ(tray.OpenMenus(), 0);
  EXPECT_EQ(window->endResult, kIdCancel);
  EXPECT_EQ(panel.m_pEffectsPage, nullptr);
  EXPECT_EQ(panel.m_pSpeakerTestDlg, nullptr);
  EXPECT_EQ(panel.m_pInformationPage, nullptr);
  EXPECT_EQ(panel.m_pVolumePage, nullptr);
  EXPECT_EQ(io.OpenHandles(), 0);
  EXPECT_EQ(registry.OpenKeys(), 0);
  EXPECT_EQ(mixer.OpenHandles(), 0);
  EXPECT_EQ(endpoints.OpenLists(), 0);
}

TEST_F(ControlPanelDlgTest, FirstTwoPaintsHideTheWindowAndOpenSettingsEndsThat) {
  StartConnected();
  ASSERT_TRUE(window->visible);
  panel.OnPaint();
  EXPECT_FALSE(window->visible);
  window->visible = true;  // the system shows it once more before settling
  panel.OnPaint();
  EXPECT_FALSE(window->visible);
  EXPECT_THAT(window->ownedPopupsShown, ElementsAre(false, false));
  panel.OnOpenSettings();
  panel.OnPaint();
  EXPECT_TRUE(window->visible);
}

TEST_F(ControlPanelDlgTest, OnlyOnePaintBeforeOpenSettingsLeavesTheOpenedWindowShown) {
  StartConnected();
  panel.OnPaint();
  panel.OnOpenSettings();
  panel.OnPaint();
  EXPECT_TRUE(window->visible);
}

TEST_F(ControlPanelDlgTest, MovingKeepsTheSheetOverTheFrame) {
  CreateWindow();
  panel.OnMove();  // before the initialisation has finished
  EXPECT_FALSE(window->visible);
  window->visible = true;

  StartConnected();
  window->windowRect = {300, 200, 740, 600};
  panel.OnMove();
  EXPECT_EQ(sheet().placements.back(), window->GetControlRect(IDC_SHEET_FRAME));
  EXPECT_FALSE(sheet().visible);
}

TEST_F(ControlPanelDlgTest, AnswersItsMessagesAndPassesOtherCommandsOn) {
  StartConnected();
  EXPECT_EQ(Send(WM_PANEL_PING), 1);
  EXPECT_EQ(Send(WM_TRAYNOTIFY, IDR_MENU_CONNECTED, 0x0202), 1);
  EXPECT_EQ(Send(WM_TRAYNOTIFY, IDR_MENU_NOT_CONNECTED, kLeftButtonDown), 0);  // stale id
  EXPECT_TRUE(tray.tracks.empty());
  std::intptr_t result = 0;
  EXPECT_FALSE(panel.OnWindowMessage(0x0400 + 99, 0, 0, result));
  EXPECT_TRUE(panel.OnCommand(ID_TRAY_ABOUT, 0));
  EXPECT_THAT(application.commands, ElementsAre(ID_TRAY_ABOUT));
}

TEST_F(ControlPanelDlgTest, TrayMenuCommandsReachTheWindow) {
  StartConnected();
  tray.choice = ID_TRAY_OPEN_SETTINGS;
  tray.onCommand = [this](WindowId, unsigned command) {
    panel.OnCommand(static_cast<int>(command), 0);
  };
  EXPECT_EQ(Send(WM_TRAYNOTIFY, IDR_MENU_CONNECTED, kLeftButtonDown), 1);
  EXPECT_EQ(TrayState(), kSettingsOpen);
  EXPECT_TRUE(window->visible);
}

TEST_F(ControlPanelDlgTest, UnplugWhileTheTrayMenuIsOpenLeavesTheMenuToItsLoop) {
  StartConnected();
  tray.whileTracking = [this] {
    presence.present = false;
    panel.OnDeviceChange(kDbtDevNodesChanged);
  };
  EXPECT_EQ(Send(WM_TRAYNOTIFY, IDR_MENU_CONNECTED, kLeftButtonDown), 1);
  EXPECT_EQ(tray.menusEnded, 1);
  EXPECT_EQ(TrayState(), kNotConnected);
  EXPECT_EQ(tray.OpenMenus(), 2);
}

TEST_F(ControlPanelDlgTest, ShellRestartBringsTheIconBack) {
  StartConnected();
  tray.RestartShell();
  panel.OnTaskbarCreated();
  EXPECT_EQ(TrayState(), kConnected);
}

TEST_F(ControlPanelDlgTest, EnterOnTheTrayIconOpensItsMenu) {
  StartConnected();
  tray.choice = ID_TRAY_OPEN_SETTINGS;
  tray.onCommand = [this](WindowId, unsigned command) {
    panel.OnCommand(static_cast<int>(command), 0);
  };
  EXPECT_EQ(tray.Version(window->Id(), IDR_MENU_CONNECTED), 3u);
  EXPECT_EQ(Send(WM_TRAYNOTIFY, IDR_MENU_CONNECTED, kKeySelect), 1);
  ASSERT_EQ(tray.tracks.size(), 1u);
  EXPECT_EQ(tray.tracks[0].menu, unsigned{IDR_MENU_CONNECTED});
  EXPECT_EQ(TrayState(), kSettingsOpen);
}

// At logon the shell may refuse the icon until its notification area exists. The icon is
// offered again every two seconds, without a box, and once shown no more; the retries leave
// the source poll alone.
TEST_F(ControlPanelDlgTest, ATrayIconTheShellRefusedIsOfferedAgainUntilItIsShown) {
  for (const bool connected : {false, true}) {
    ControlPanelRig f;
    f.presence.present = connected;
    f.tray.shellRefusesAdd = true;
    ASSERT_TRUE(f.Start());
    EXPECT_EQ(f.TrayState(), std::make_pair(0u, 0u)) << connected;
    EXPECT_EQ(f.window->timers[IDT_TRAY_RETRY], 2000u) << connected;

    f.panel.OnTimer(IDT_TRAY_RETRY);
    EXPECT_TRUE(f.window->timers.contains(IDT_TRAY_RETRY)) << connected;
    f.tray.shellRefusesAdd = false;
    f.io.ClearLog();
    f.panel.OnTimer(IDT_TRAY_RETRY);

    EXPECT_EQ(f.TrayState(), connected ? kConnected : kNotConnected) << connected;
    EXPECT_FALSE(f.window->timers.contains(IDT_TRAY_RETRY)) << connected;
    EXPECT_EQ(f.PollRunning(), connected) << connected;
    EXPECT_TRUE(f.io.requests.empty()) << connected;
    EXPECT_TRUE(f.window->boxes.empty()) << connected;
    const unsigned menu = connected ? IDR_MENU_CONNECTED : IDR_MENU_NOT_CONNECTED;
    EXPECT_EQ(f.Send(WM_TRAYNOTIFY, menu, kLeftButtonDown), 1) << connected;
    EXPECT_EQ(f.tray.tracks.size(), 1u) << connected;
  }
}

TEST_F(ControlPanelDlgTest, TrayRetriesEndAfterAMinuteAndTheShellsRestartStillBringsTheIcon) {
  tray.shellRefusesAdd = true;
  ASSERT_TRUE(Start());
  int ticks = 0;
  while (window->timers.contains(IDT_TRAY_RETRY) && ticks < 100) {
    panel.OnTimer(IDT_TRAY_RETRY);
    ++ticks;
  }
  EXPECT_EQ(ticks, 30);
  EXPECT_TRUE(window->boxes.empty());

  tray.shellRefusesAdd = false;
  panel.OnTaskbarCreated();
  EXPECT_EQ(TrayState(), kNotConnected);
  EXPECT_FALSE(window->timers.contains(IDT_TRAY_RETRY));
}

TEST_F(ControlPanelDlgTest, AShellRestartThatRefusesTheIconStartsTheRetries) {
  StartConnected();
  tray.RestartShell();
  tray.shellRefusesAdd = true;
  panel.OnTaskbarCreated();
  EXPECT_TRUE(window->timers.contains(IDT_TRAY_RETRY));
  tray.shellRefusesAdd = false;
  panel.OnTimer(IDT_TRAY_RETRY);
  EXPECT_EQ(TrayState(), kConnected);
  EXPECT_FALSE(window->timers.contains(IDT_TRAY_RETRY));
}

// An unplug and a re-plug inside the menu's loop change the icon twice; the menu still being
// tracked survives both.
TEST_F(ControlPanelDlgTest, UnplugAndReplugWhileTheTrayMenuIsOpenLeaveTheMenuToItsLoop) {
  StartConnected();
  tray.whileTracking = [this] {
    presence.present = false;
    panel.OnDeviceChange(kDbtDevNodesChanged);
    presence.present = true;
    panel.OnDeviceChange(kDbtDevNodesChanged);
    panel.OnDeviceChange(kDbtDevNodesChanged);
  };
  EXPECT_EQ(Send(WM_TRAYNOTIFY, IDR_MENU_CONNECTED, kLeftButtonDown), 1);
  EXPECT_EQ(tray.menusEnded, 1);
  EXPECT_EQ(TrayState(), kConnected);
  EXPECT_EQ(tray.OpenMenus(), 2);
}

}  // namespace
}  // namespace quendal::test
