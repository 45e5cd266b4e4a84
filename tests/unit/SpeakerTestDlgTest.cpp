// The speaker-test window itself: start-up, mode radios, Start/Stop, opening, closing and the
// release of everything it holds.
#include <gmock/gmock.h>

#include "SpeakerTestFixture.h"

namespace quendal::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::Values;

using SpeakerTestDlgTest = SpeakerTestFixture;

TEST_F(SpeakerTestDlgTest, FirstCreationStoresTheDefaultsAndDisablesStartInManualMode) {
  CreateWindow();
  EXPECT_THAT(registry.writes, ElementsAre("TestMode", "TestBtnStatus"));
  EXPECT_EQ(registry.Dword("TestMode"), 2u);
  EXPECT_EQ(registry.Dword("TestBtnStatus"), 0u);
  EXPECT_FALSE(window->controls[IDC_MODE_AUTOMATIC].checked);
  EXPECT_TRUE(window->controls[IDC_MODE_MANUAL].checked);
  EXPECT_FALSE(window->controls[IDC_MODE_SURROUND].checked);
  EXPECT_FALSE(window->controls[IDC_START_STOP].enabled);
  // Created hidden: only OpenTest shows it, and loads the pictures.
  EXPECT_THAT(window->shows, IsEmpty());
  EXPECT_EQ(dlg.m_bShown, 0);
  EXPECT_TRUE(io.openedPaths.empty());
  EXPECT_TRUE(window->controls[IDC_START_STOP].buttonBitmap.empty());
  dlg.OpenTest();
  EXPECT_EQ(window->controls[IDC_START_STOP].buttonBitmap, L"TESTX");
  // The picture is redrawn at once, not left for the next paint.
  EXPECT_EQ(window->controls[IDC_START_STOP].redrawnButtonBitmap, L"TESTX");
}

struct StoredState {
  std::uint32_t mode;
  std::uint32_t status;
  int checkedRadio;  // 0: none
  bool startEnabled;
  const wchar_t* picture;
};

class StartUpTest : public SpeakerTestFixture, public ::testing::WithParamInterface<StoredState> {};

TEST_P(StartUpTest, ShowsTheStoredModeAndButtonWithoutRewritingThem) {
  const StoredState& state = GetParam();
  registry.PutDword("TestMode", state.mode);
  registry.PutDword("TestBtnStatus", state.status);
  CreateWindow();
  for (int id : kModeRadios) EXPECT_EQ(window->controls[id].checked, id == state.checkedRadio);
  EXPECT_EQ(window->controls[IDC_START_STOP].enabled, state.startEnabled);
  EXPECT_THAT(registry.writes, IsEmpty());
  EXPECT_EQ(dlg.m_dwTestMode, state.mode);
  EXPECT_EQ(dlg.m_dwTestBtnStatus, state.status);
  dlg.OpenTest();
  EXPECT_EQ(window->controls[IDC_START_STOP].buttonBitmap, state.picture);
}

INSTANTIATE_TEST_SUITE_P(
    StoredValues, StartUpTest,
    Values(StoredState{1, 1, IDC_MODE_AUTOMATIC, true, L"TESTU"},
           StoredState{2, 0, IDC_MODE_MANUAL, false, L"TESTX"},
           StoredState{3, 1, IDC_MODE_SURROUND, true, L"TESTU"},
           // Left by a run that ended during a test: the button offers Start again.
           StoredState{3, 2, IDC_MODE_SURROUND, true, L"TESTU"},
           StoredState{0, 0, 0, false, L"TESTX"}, StoredState{13, 1, 0, true, L"TESTU"}));

// A value found too short counts as missing and leaves the byte count at its size; the next read
// starts from 4 bytes again and finds its value.
TEST_F(SpeakerTestDlgTest, ShortValueDoesNotShortenTheNextRead) {
  registry.Put("TestMode", kRegBinary, {1, 0});
  registry.PutDword("TestBtnStatus", 1);
  CreateWindow();
  EXPECT_EQ(dlg.m_dwTestMode, 2u);
  EXPECT_EQ(registry.Dword("TestMode"), 2u);
  EXPECT_EQ(dlg.m_dwTestBtnStatus, 1u);
  EXPECT_EQ(dlg.m_cbData, 4u);
  EXPECT_TRUE(window->controls[IDC_START_STOP].enabled);
}

TEST_F(SpeakerTestDlgTest, LaysOutThePicturesFromTheGroupBox) {
  CreateWindow();
  const struct {
    int control;
    Rect rect;
  } expected[] = {
      {IDC_SPEAKER_FRONT_LEFT, {25, 101, 73, 149}},
      {IDC_SPEAKER_CENTER, {106, 81, 154, 129}},
      {IDC_SPEAKER_FRONT_RIGHT, {188, 101, 236, 149}},
      {IDC_SPEAKER_SUBWOOFER, {106, 192, 154, 240}},
      {IDC_SPEAKER_REAR_LEFT, {25, 161, 73, 209}},
      {IDC_SPEAKER_REAR_RIGHT, {188, 161, 236, 209}},
      {IDC_LISTENER, {106, 136, 154, 184}},
  };
  for (const auto& picture : expected) {
    EXPECT_EQ(window->controls[picture.control].rect, picture.rect) << picture.control;
  }
  EXPECT_THAT(dlg.m_rcSpeaker, ElementsAre(expected[0].rect, expected[1].rect, expected[2].rect,
                                           expected[4].rect, expected[5].rect, expected[3].rect));
}

// At 192 DPI the group box has grown with the dialog font, and the offsets and the picture size
// are twice their 96-DPI pixels; the same layout follows a change of DPI while the window lives.
TEST_F(SpeakerTestDlgTest, ScalesThePicturesAndTheirHitRectanglesWithTheWindowsDpi) {
  constexpr Rect kGroupBoxAt192{30, 132, 492, 490};
  const struct {
    int control;
    Rect rect;
  } expected[] = {
      {IDC_SPEAKER_FRONT_LEFT, {50, 203, 146, 299}},
      {IDC_SPEAKER_CENTER, {213, 162, 309, 258}},
      {IDC_SPEAKER_FRONT_RIGHT, {376, 203, 472, 299}},
      {IDC_SPEAKER_SUBWOOFER, {213, 384, 309, 480}},
      {IDC_SPEAKER_REAR_LEFT, {50, 322, 146, 418}},
      {IDC_SPEAKER_REAR_RIGHT, {376, 322, 472, 418}},
      {IDC_LISTENER, {213, 273, 309, 369}},
  };
  auto expectLaidOutAt192 = [&](const char* when) {
    for (const auto& picture : expected) {
      EXPECT_EQ(window->controls[picture.control].rect, picture.rect) << when << picture.control;
    }
    EXPECT_THAT(dlg.m_rcSpeaker, ElementsAre(expected[0].rect, expected[1].rect, expected[2].rect,
                                             expected[4].rect, expected[5].rect, expected[3].rect))
        << when;
  };
  windowDpi = 192;
  groupBox = kGroupBoxAt192;
  CreateWindow();
  expectLaidOutAt192("created at 192 DPI: ");

  window->dpi = 96;
  window->controls[IDC_SPEAKER_GROUP].rect = kGroupBox;
  dlg.OnDpiChanged({10, 20, 500, 400});
  EXPECT_EQ(window->windowRect, (Rect{10, 20, 500, 400}));
  EXPECT_EQ(dlg.m_rcSpeaker[0], (Rect{25, 101, 73, 149}));

  window->dpi = 192;
  window->controls[IDC_SPEAKER_GROUP].rect = kGroupBoxAt192;
  dlg.OnDpiChanged({10, 20, 900, 800});
  expectLaidOutAt192("after a change back to 192 DPI: ");
}

// Start-up loads no picture; the first opening loads them all, later ones none.
TEST_F(SpeakerTestDlgTest, FirstOpeningLoadsTheActivePicturesFirstInTheOrderOfTheirSlots) {
  CreateWindow();
  EXPECT_THAT(bitmaps.loaded, IsEmpty());
  for (int opening = 0; opening < 2; ++opening) {
    dlg.OpenTest();
    dlg.CloseTest();
  }
  EXPECT_THAT(
      bitmaps.loaded,
      ElementsAre(IDB_FRONT_LEFT_ACTIVE, IDB_FRONT_RIGHT_ACTIVE, IDB_CENTER_ACTIVE,
                  IDB_SUBWOOFER_ACTIVE, IDB_REAR_LEFT_ACTIVE, IDB_REAR_RIGHT_ACTIVE, IDB_FRONT_LEFT,
                  IDB_FRONT_RIGHT, IDB_CENTER, IDB_SUBWOOFER, IDB_REAR_LEFT, IDB_REAR_RIGHT));
  EXPECT_EQ(bitmaps.IdOf(dlg.m_hbmSpeaker[2].active), IDB_CENTER_ACTIVE);
  EXPECT_EQ(bitmaps.IdOf(dlg.m_hbmSpeaker[5].normal), IDB_REAR_RIGHT);
}

// Mode radios.

TEST_F(SpeakerTestDlgTest, AutomaticSwitchesTheFilterOffThenStoresModeAndReadyStatus) {
  OpenWith(2, 0);
  ChooseMode(IDC_MODE_AUTOMATIC);
  EXPECT_THAT(io.Codes(), ElementsAre(IOCTL_FILTER_DISABLE));
  EXPECT_THAT(registry.writes, ElementsAre("TestMode", "TestBtnStatus"));
  EXPECT_EQ(registry.Dword("TestMode"), 1u);
  EXPECT_EQ(registry.Dword("TestBtnStatus"), 1u);
  EXPECT_TRUE(window->controls[IDC_START_STOP].enabled);
  EXPECT_EQ(window->controls[IDC_START_STOP].buttonBitmap, L"TESTU");
  EXPECT_TRUE(window->boxes.empty());
}

TEST_F(SpeakerTestDlgTest, ManualSwitchesTheFilterOffAndDisablesStart) {
  OpenWith(1, 1);
  ChooseMode(IDC_MODE_MANUAL);
  EXPECT_THAT(io.Codes(), ElementsAre(IOCTL_FILTER_DISABLE));
  EXPECT_EQ(registry.Dword("TestMode"), 2u);
  EXPECT_EQ(registry.Dword("TestBtnStatus"), 0u);
  EXPECT_FALSE(window->controls[IDC_START_STOP].enabled);
  EXPECT_EQ(window->controls[IDC_START_STOP].buttonBitmap, L"TESTX");
}

TEST_F(SpeakerTestDlgTest, SurroundNeedsNoChannelAndSendsNothing) {
  CreateWindow();
  ClearLogs();
  ChooseMode(IDC_MODE_SURROUND);
  EXPECT_TRUE(io.requests.empty());
  EXPECT_EQ(registry.Dword("TestMode"), 3u);
  EXPECT_EQ(registry.Dword("TestBtnStatus"), 1u);
  EXPECT_TRUE(window->controls[IDC_START_STOP].enabled);
  EXPECT_EQ(window->controls[IDC_START_STOP].buttonBitmap, L"TESTU");
}

TEST_F(SpeakerTestDlgTest, AutomaticAndManualDoNothingWithoutAChannel) {
  CreateWindow();
  ClearLogs();
  const std::wstring picture = window->controls[IDC_START_STOP].buttonBitmap;
  ChooseMode(IDC_MODE_AUTOMATIC);
  ChooseMode(IDC_MODE_MANUAL);
  EXPECT_TRUE(io.requests.empty());
  EXPECT_THAT(registry.writes, IsEmpty());
  EXPECT_FALSE(window->controls[IDC_START_STOP].enabled);
  EXPECT_EQ(window->controls[IDC_START_STOP].buttonBitmap, picture);
}

struct RefusedModeCase {
  int radio;
  bool startEnabled;
  const wchar_t* picture;
};

class RefusedModeTest : public SpeakerTestFixture,
                        public ::testing::WithParamInterface<RefusedModeCase> {};

TEST_P(RefusedModeTest, KeepsTheStoredModeButTheButtonHasChangedAlready) {
  OpenWith(3, 1);
  io.refusedCodes = {IOCTL_FILTER_DISABLE};
  ChooseMode(GetParam().radio);
  ExpectTransferErrorShown();
  EXPECT_THAT(registry.writes, IsEmpty());
  EXPECT_EQ(dlg.m_dwTestMode, 3u);
  EXPECT_EQ(dlg.m_dwTestBtnStatus, 1u);
  EXPECT_EQ(window->controls[IDC_START_STOP].enabled, GetParam().startEnabled);
  EXPECT_EQ(window->controls[IDC_START_STOP].buttonBitmap, GetParam().picture);
}

INSTANTIATE_TEST_SUITE_P(FilterOffRefused, RefusedModeTest,
                         Values(RefusedModeCase{IDC_MODE_AUTOMATIC, true, L"TESTU"},
                                RefusedModeCase{IDC_MODE_MANUAL, false, L"TESTX"}));

// Start/Stop.

class StartWithoutStartTest : public SpeakerTestFixture,
                              public ::testing::WithParamInterface<std::uint32_t> {};

TEST_P(StartWithoutStartTest, PressDisablesTheButtonAndStartsNothing) {
  OpenWith(GetParam(), 1);
  ASSERT_TRUE(window->controls[IDC_START_STOP].enabled);
  Click(IDC_START_STOP);
  EXPECT_FALSE(window->controls[IDC_START_STOP].enabled);
  EXPECT_EQ(window->controls[IDC_START_STOP].buttonBitmap, L"TESTX");
  EXPECT_THAT(registry.writes, ElementsAre("TestBtnStatus"));
  EXPECT_EQ(registry.Dword("TestBtnStatus"), 0u);
  EXPECT_TRUE(io.requests.empty());
  EXPECT_TRUE(window->timers.empty());
}

INSTANTIATE_TEST_SUITE_P(ManualOrNoMode, StartWithoutStartTest, Values(0u, 2u));

TEST_F(SpeakerTestDlgTest, StartAndStopInAutomaticModeSwitchButtonRadiosAndStatus) {
  OpenWith(1, 1);
  Click(IDC_START_STOP);
  EXPECT_EQ(window->controls[IDC_START_STOP].buttonBitmap, L"TESTD");
  EXPECT_EQ(window->controls[IDC_START_STOP].redrawnButtonBitmap, L"TESTD");
  EXPECT_TRUE(ModeRadiosEnabled(false));
  EXPECT_EQ(registry.Dword("TestBtnStatus"), 2u);
  EXPECT_EQ(window->timers.at(ID_TIMER_SEQUENCE), 100u);
  Click(IDC_START_STOP);
  EXPECT_EQ(window->controls[IDC_START_STOP].buttonBitmap, L"TESTU");
  EXPECT_EQ(window->controls[IDC_START_STOP].redrawnButtonBitmap, L"TESTU");
  EXPECT_TRUE(ModeRadiosEnabled(true));
  EXPECT_EQ(registry.Dword("TestBtnStatus"), 1u);
  EXPECT_TRUE(window->timers.empty());
  // The automatic test sends nothing to the driver.
  EXPECT_TRUE(io.requests.empty());
}

TEST_F(SpeakerTestDlgTest, StartStopReadsTheStoredModeBack) {
  OpenWith(1, 1);
  registry.PutDword("TestMode", 3);
  Click(IDC_START_STOP);
  EXPECT_EQ(dlg.m_dwTestMode, 3u);
  EXPECT_THAT(io.Codes(), ElementsAre(IOCTL_FILTER_ENABLE, IOCTL_SPEAKER_TEST_START));
  EXPECT_FALSE(window->timers.contains(ID_TIMER_SEQUENCE));
}

TEST_F(SpeakerTestDlgTest, RunningStatusFoundAtStartUpActsAsStopOnTheFirstPress) {
  OpenWith(3, 2);
  Click(IDC_START_STOP);
  EXPECT_EQ(registry.Dword("TestBtnStatus"), 1u);
  EXPECT_EQ(window->controls[IDC_START_STOP].buttonBitmap, L"TESTU");
  EXPECT_TRUE(ModeRadiosEnabled(true));
  EXPECT_THAT(io.Codes(), ElementsAre(IOCTL_FILTER_DISABLE, IOCTL_SPEAKER_TEST_STOP));
  EXPECT_THAT(sound.log, ElementsAre("stop", "stop-memory"));

  ClearLogs();
  Click(IDC_START_STOP);
  EXPECT_EQ(registry.Dword("TestBtnStatus"), 2u);
  EXPECT_THAT(io.Codes(), ElementsAre(IOCTL_FILTER_ENABLE, IOCTL_SPEAKER_TEST_START));
  EXPECT_EQ(window->timers.at(ID_TIMER_SURROUND), 0u);
}

TEST_F(SpeakerTestDlgTest, UnknownButtonStatusMakesThePressDoNothing) {
  OpenWith(1, 7);
  Click(IDC_START_STOP);
  EXPECT_THAT(registry.writes, IsEmpty());
  EXPECT_TRUE(window->timers.empty());
  EXPECT_EQ(window->controls[IDC_START_STOP].buttonBitmap, L"TESTU");
}

TEST_F(SpeakerTestDlgTest, WithNoSettingsKeyAtAllEverythingRunsOnTheMembers) {
  registry.refusedRoots = {RegistryRoot::kLocalMachine, RegistryRoot::kCurrentUser};
  CreateWindow();
  EXPECT_TRUE(window->controls[IDC_MODE_MANUAL].checked);
  dlg.OpenTest();
  EXPECT_EQ(window->controls[IDC_START_STOP].buttonBitmap, L"TESTX");
  EXPECT_EQ(dlg.m_bShown, 1);
  ChooseMode(IDC_MODE_SURROUND);
  io.ClearLog();
  // The failed read-backs leave the members as the radio set them.
  Click(IDC_START_STOP);
  EXPECT_EQ(dlg.m_dwTestBtnStatus, 2u);
  EXPECT_THAT(io.Codes(), ElementsAre(IOCTL_FILTER_ENABLE, IOCTL_SPEAKER_TEST_START));
  dlg.CloseTest();
  EXPECT_THAT(io.Codes(),
              ElementsAre(IOCTL_FILTER_ENABLE, IOCTL_SPEAKER_TEST_START, IOCTL_FILTER_DISABLE,
                          IOCTL_SPEAKER_TEST_STOP, IOCTL_FILTER_ENABLE));
  EXPECT_EQ(registry.OpenKeys(), 0);
  EXPECT_TRUE(registry.ValuesAt(RegistryRoot::kLocalMachine).empty());
}

// Opening and closing.

struct FilterCase {
  std::optional<std::uint32_t> stored;
  std::uint32_t restoreCode;
};

class OpenCloseTest : public SpeakerTestFixture,
                      public ::testing::WithParamInterface<FilterCase> {};

TEST_P(OpenCloseTest, FilterIsOffWhileShownAndTakesItsStoredStateBackOnClose) {
  if (GetParam().stored) registry.PutDword("EnableFilter", *GetParam().stored);
  CreateWindow();
  registry.writes.clear();
  dlg.OpenTest();
  EXPECT_THAT(io.Codes(), ElementsAre(IOCTL_FILTER_DISABLE));
  EXPECT_EQ(io.OpenHandles(), 1);
  EXPECT_EQ(dlg.m_bShown, 1);
  EXPECT_THAT(window->shows, ElementsAre(ShowCommand::kRestore));
  EXPECT_EQ(registry.Dword("EnableFilter"), GetParam().stored.value_or(1));
  EXPECT_EQ(registry.writes.size(), GetParam().stored ? 0u : 1u);

  io.ClearLog();
  dlg.CloseTest();
  EXPECT_THAT(io.Codes(), ElementsAre(GetParam().restoreCode));
  EXPECT_EQ(io.OpenHandles(), 0);
  EXPECT_FALSE(dlg.m_hDevice.IsOpen());
  EXPECT_EQ(dlg.m_bShown, 0);
  EXPECT_FALSE(window->visible);
  EXPECT_THAT(sound.log, ElementsAre("stop", "play 215"));
}

INSTANTIATE_TEST_SUITE_P(EnableFilter, OpenCloseTest,
                         Values(FilterCase{1, IOCTL_FILTER_ENABLE},
                                FilterCase{0, IOCTL_FILTER_DISABLE},
                                FilterCase{std::nullopt, IOCTL_FILTER_ENABLE}));

TEST_F(SpeakerTestDlgTest, ChannelThatDoesNotOpenIsReportedAndTheWindowStaysHidden) {
  CreateWindow();
  io.refuseOpen = true;
  dlg.OpenTest();
  ASSERT_EQ(window->boxes.size(), 1u);
  EXPECT_EQ(window->boxes[0].text, strings.Load(IDS_DRIVER_NOT_LOADED));
  EXPECT_EQ(window->boxes[0].caption, strings.Load(IDS_ERROR_CAPTION));
  EXPECT_EQ(window->boxes[0].style, kMbIconHand);
  EXPECT_EQ(dlg.m_bShown, 0);
  EXPECT_THAT(window->shows, IsEmpty());
  EXPECT_TRUE(io.requests.empty());
  EXPECT_FALSE(registry.Dword("EnableFilter").has_value());

  // The user may try the speaker-test command again.
  io.refuseOpen = false;
  dlg.OpenTest();
  EXPECT_EQ(dlg.m_bShown, 1);
  EXPECT_TRUE(window->visible);
}

TEST_F(SpeakerTestDlgTest, RefusedFilterOffAtOpeningIsReportedAndTheWindowOpensAnyway) {
  CreateWindow();
  io.refusedCodes = {IOCTL_FILTER_DISABLE};
  dlg.OpenTest();
  ExpectTransferErrorShown();
  EXPECT_EQ(dlg.m_bShown, 1);
  EXPECT_TRUE(window->visible);
}

TEST_F(SpeakerTestDlgTest, RefusedRestoreAtCloseIsReportedAndTheChannelClosedAnyway) {
  OpenWith(2, 0);
  io.refusedCodes = {IOCTL_FILTER_ENABLE};
  dlg.CloseTest();
  ExpectTransferErrorShown();
  EXPECT_EQ(io.OpenHandles(), 0);
  EXPECT_EQ(dlg.m_bShown, 0);
  EXPECT_FALSE(window->visible);
}

// Every way the user can leave the window: the Exit button, Enter, Escape and the close box.
enum class WayOut { kExitButton, kEnter, kEscape, kCloseBox };

class WayOutTest : public SpeakerTestFixture, public ::testing::WithParamInterface<WayOut> {
 protected:
  void Leave() {
    switch (GetParam()) {
      case WayOut::kExitButton:
        EXPECT_TRUE(dlg.OnCommand(IDC_LEAVE_TEST, kBnClicked));
        break;
      case WayOut::kEnter:
        EXPECT_TRUE(dlg.OnCommand(kIdOk, kBnClicked));
        break;
      case WayOut::kEscape:
        EXPECT_TRUE(dlg.OnCommand(kIdCancel, kBnClicked));
        break;
      case WayOut::kCloseBox:
        EXPECT_TRUE(dlg.OnClose());
        break;
    }
  }
};

TEST_P(WayOutTest, StopsTheRunningTestRestoresTheFilterAndHidesTheWindow) {
  OpenWith(1, 1);
  Click(IDC_START_STOP);
  dlg.OnTimer(ID_TIMER_SEQUENCE);
  dlg.OnTimer(ID_TIMER_SEQUENCE);
  dlg.OnTimer(ID_TIMER_SEQUENCE);  // front left active
  ASSERT_THAT(ActiveSpeakers(), ElementsAre(IDC_SPEAKER_FRONT_LEFT));
  sound.log.clear();

  Leave();
  EXPECT_TRUE(window->timers.empty());
  EXPECT_THAT(ActiveSpeakers(), IsEmpty());
  EXPECT_EQ(registry.Dword("TestBtnStatus"), 1u);
  EXPECT_EQ(window->controls[IDC_START_STOP].buttonBitmap, L"TESTU");
  EXPECT_TRUE(ModeRadiosEnabled(true));
  EXPECT_THAT(io.Codes(), ElementsAre(IOCTL_FILTER_ENABLE));
  EXPECT_EQ(io.OpenHandles(), 0);
  EXPECT_EQ(dlg.m_bShown, 0);
  EXPECT_FALSE(window->visible);
  EXPECT_EQ(sound.log.back(), "play 215");
  // The control-panel window may open it again.
  dlg.OpenTest();
  EXPECT_EQ(dlg.m_bShown, 1);
  EXPECT_EQ(io.OpenHandles(), 1);
}

INSTANTIATE_TEST_SUITE_P(AllWays, WayOutTest,
                         Values(WayOut::kExitButton, WayOut::kEnter, WayOut::kEscape,
                                WayOut::kCloseBox));

TEST_F(SpeakerTestDlgTest, ClosingDuringASurroundTestStopsItBeforeRestoringTheFilter) {
  OpenWith(3, 1);
  Click(IDC_START_STOP);
  ClearLogs();
  dlg.CloseTest();
  EXPECT_THAT(io.Codes(),
              ElementsAre(IOCTL_FILTER_DISABLE, IOCTL_SPEAKER_TEST_STOP, IOCTL_FILTER_ENABLE));
  EXPECT_THAT(sound.log, ElementsAre("stop", "stop", "stop-memory", "play 215"));
  EXPECT_TRUE(window->timers.empty());
  EXPECT_EQ(registry.Dword("TestBtnStatus"), 1u);
}

// Destruction at program exit.

TEST_F(SpeakerTestDlgTest, DestroyWindowClosesTheTestAndReleasesChannelKeyAndPictures) {
  OpenWith(1, 1);
  Click(IDC_START_STOP);
  int destroyed = 0;
  window->destroyCount = &destroyed;
  window = nullptr;  // the window goes with DestroyWindow

  EXPECT_TRUE(dlg.DestroyWindow());
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(io.OpenHandles(), 0);
  EXPECT_THAT(io.Codes(), ElementsAre(IOCTL_FILTER_ENABLE));
  EXPECT_EQ(registry.OpenKeys(), 0);
  EXPECT_EQ(registry.Dword("TestBtnStatus"), 1u);
  EXPECT_EQ(bitmaps.LiveBitmaps(), 0);
  EXPECT_THAT(bitmaps.deleted, ElementsAreArray(bitmaps.loaded));
  EXPECT_EQ(dlg.m_bShown, 0);
}

TEST_F(SpeakerTestDlgTest, DestroyWindowDeletesOnlyThePicturesThatLoaded) {
  struct Case {
    const char* name;
    bool opened;
    std::size_t deleted;
  };
  const Case cases[] = {{"never opened", false, 0}, {"opened", true, 10}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeBitmaps pictures;
    pictures.refusedIds = {IDB_CENTER_ACTIVE, IDB_REAR_LEFT};
    CSpeakerTestDlg created{io, registry, strings, sound, pictures, pad, clock, dot};
    created.AttachWindow(std::make_unique<FakeDialogWindow>());
    created.OnInitDialog();
    if (c.opened) created.OpenTest();
    EXPECT_TRUE(created.DestroyWindow());
    EXPECT_EQ(pictures.LiveBitmaps(), 0);
    EXPECT_EQ(pictures.deleted.size(), c.deleted);
    EXPECT_EQ(pictures.misuses, 0);
    EXPECT_EQ(registry.OpenKeys(), 0);
    EXPECT_EQ(io.OpenHandles(), 0);
  }
}

TEST(SpeakerTestDlgLifetime, PicturesOfAWindowNeverDestroyedGoWithTheObject) {
  FakeDeviceIo io;
  FakeRegistry registry;
  RcStringTable strings;
  FakeSound sound;
  FakeBitmaps bitmaps;
  FakePad pad{10, 10};
  FakeClock clock;
  SurroundDotGlobals dot;
  {
    CSpeakerTestDlg dlg{io, registry, strings, sound, bitmaps, pad, clock, dot};
    dlg.AttachWindow(std::make_unique<FakeDialogWindow>());
    dlg.OnInitDialog();
    dlg.OpenTest();
    EXPECT_EQ(bitmaps.LiveBitmaps(), 12);
  }
  EXPECT_EQ(bitmaps.LiveBitmaps(), 0);
  EXPECT_EQ(io.OpenHandles(), 0);
  EXPECT_EQ(registry.OpenKeys(), 0);
}

}  // namespace
}  // namespace quendal::test
