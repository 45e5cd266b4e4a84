// The surround test: the source's motion, the dot on the pad and the driver's speaker test.
#include <gmock/gmock.h>

#include <algorithm>

#include "SpeakerTestFixture.h"

namespace quendal::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr Colour kRed = 0x000000FF;
constexpr Rect kPadClient{0, 0, kPadWidth, kPadHeight};

// True when the pad shows its own picture everywhere except a red dot around `centre`, as far as
// the dot lies on the pad.
bool PadShowsOnlyTheDotAt(const FakePad& pad, PadPoint centre) {
  std::vector<PadPoint> dot;
  for (const PadPoint& pixel : DotPixels(centre)) {
    if (pad.At(pixel.x, pixel.y) != kInvalidColour) dot.push_back(pixel);
  }
  for (int y = 0; y < kPadHeight; ++y) {
    for (int x = 0; x < kPadWidth; ++x) {
      const bool inDot = std::find(dot.begin(), dot.end(), PadPoint{x, y}) != dot.end();
      if (pad.At(x, y) != (inDot ? kRed : FakePad::Background(x, y))) return false;
    }
  }
  return true;
}

struct QuarterTurn {
  double elapsedMs;
  float sx;
  float sy;
  PadPoint dot;
};

// Clockwise as seen on the pad, one quarter every 1877.5 ms: front, right, back, left, front.
TEST(SurroundMotion, SourceTurnsAQuarterEvery1877point5MillisecondsFromTheFront) {
  const QuarterTurn turns[] = {
      {0.0, 0.0f, 4.0f, {34, 0}},      {1877.5, 4.0f, 0.0f, {68, 28}},
      {3755.0, 0.0f, -4.0f, {34, 57}}, {5632.5, -4.0f, 0.0f, {0, 28}},
      {7510.0, 0.0f, 4.0f, {34, 0}},
  };
  for (const QuarterTurn& turn : turns) {
    SCOPED_TRACE(turn.elapsedMs);
    const SourcePosition source = SourceAt(turn.elapsedMs);
    EXPECT_NEAR(source.sx, turn.sx, 1e-6);
    EXPECT_NEAR(source.sy, turn.sy, 1e-6);
    EXPECT_EQ(DotOnPad(source.sx, source.sy, kPadClient), turn.dot);
  }
  // An eighth of a turn lies on the ellipse inscribed in the pad.
  const SourcePosition eighth = SourceAt(938.75);
  EXPECT_NEAR(eighth.sx, 2.828427f, 1e-5);
  EXPECT_EQ(DotOnPad(eighth.sx, eighth.sy, kPadClient), (PadPoint{58, 8}));
}

// The motion and the dot, driven on the surround test itself.
class SurroundMotionTest : public SurroundFixture {
 protected:
  static constexpr std::uint32_t kStart = 50'000;

  void Start(std::uint32_t now = kStart) {
    clock.now = now;
    surround.StartSurround();
  }
  void TickAt(std::uint32_t now) {
    clock.now = now;
    surround.OnMotionTick();
  }
  bool PadShowsOnlyTheDotAt(PadPoint centre) const {
    return test::PadShowsOnlyTheDotAt(pad, centre);
  }
  int StartRequests() const {
    const auto codes = io.Codes();
    return static_cast<int>(std::count(codes.begin(), codes.end(), IOCTL_SPEAKER_TEST_START));
  }
};

class SurroundTest : public SpeakerTestFixture {
 protected:
  static constexpr std::uint32_t kStart = 50'000;

  void SetUp() override { OpenWith(3, 1); }

  void PressStart(std::uint32_t now = kStart) {
    clock.now = now;
    Click(IDC_START_STOP);
  }
  void TickAt(std::uint32_t now) {
    clock.now = now;
    dlg.OnTimer(ID_TIMER_SURROUND);
  }
};

TEST_F(SurroundTest, StartSwitchesTheFilterOnStartsTheDriverTestTheSoundAndTheMotion) {
  PressStart();
  EXPECT_THAT(io.Codes(), ElementsAre(IOCTL_FILTER_ENABLE, IOCTL_SPEAKER_TEST_START));
  EXPECT_THAT(sound.log, ElementsAre("loop-memory 209"));
  EXPECT_EQ(dlg.m_surround->m_dwStartTime, kStart);
  EXPECT_EQ(window->timers.at(ID_TIMER_SURROUND), 0u);
  EXPECT_TRUE(window->boxes.empty());
}

TEST_F(SurroundTest, StopSwitchesTheFilterOffSilencesStopsTheDriverTestAndTheMotion) {
  PressStart();
  ClearLogs();
  Click(IDC_START_STOP);
  EXPECT_THAT(io.Codes(), ElementsAre(IOCTL_FILTER_DISABLE, IOCTL_SPEAKER_TEST_STOP));
  EXPECT_THAT(sound.log, ElementsAre("stop", "stop-memory"));
  EXPECT_FALSE(window->timers.contains(ID_TIMER_SURROUND));
  EXPECT_TRUE(window->boxes.empty());
}

TEST_F(SurroundMotionTest, TicksPlaceTheDotFromTheElapsedTime) {
  Start();
  const struct {
    std::uint32_t elapsed;
    PadPoint dot;
  } ticks[] = {{0, {34, 0}}, {3755, {34, 57}}, {7510, {34, 0}}, {7510 * 500 + 3755, {34, 57}}};
  for (const auto& tick : ticks) {
    SCOPED_TRACE(tick.elapsed);
    TickAt(kStart + tick.elapsed);
    EXPECT_EQ(dot.g_ptDot, tick.dot);
    EXPECT_TRUE(PadShowsOnlyTheDotAt(tick.dot));
  }
  EXPECT_THAT(pad.contextControls, ::testing::Each(IDC_SURROUND_PAD));
}

TEST_F(SurroundMotionTest, StartRequestIsRepeatedOnlyWithinTheFirst0point00045OfARevolution) {
  Start();
  const struct {
    std::uint32_t elapsed;
    bool resent;
  } ticks[] = {{0, true},    {3, true},    {4, false},    {1877, false}, {7509, false},
               {7510, true}, {7513, true}, {7514, false}, {15020, true}, {15024, false}};
  for (const auto& tick : ticks) {
    SCOPED_TRACE(tick.elapsed);
    io.ClearLog();
    TickAt(kStart + tick.elapsed);
    EXPECT_EQ(StartRequests(), tick.resent ? 1 : 0);
  }
}

TEST_F(SurroundMotionTest, RefusedRepeatedStartIsSilent) {
  Start();
  io.refusedCodes = {IOCTL_SPEAKER_TEST_START};
  TickAt(kStart);
  EXPECT_EQ(StartRequests(), 2);
  EXPECT_TRUE(refusalsShown == 0);
}

TEST_F(SurroundMotionTest, WrapOfTheMillisecondCounterDoesNotDisturbTheMotion) {
  Start(0xFFFFFF00u);
  io.ClearLog();
  TickAt(0xFFFFFF00u + 3755u);  // 3499 after the wrap
  EXPECT_EQ(dot.g_ptDot, (PadPoint{34, 57}));
  EXPECT_EQ(StartRequests(), 0);
  TickAt(0xFFFFFF00u + 7510u);
  EXPECT_EQ(dot.g_ptDot, (PadPoint{34, 0}));
  EXPECT_EQ(StartRequests(), 1);
}

TEST_F(SurroundMotionTest, FirstDotOfTheProcessErasesNothing) {
  Start();
  TickAt(kStart + 1000);
  EXPECT_EQ(pad.reads, 9);
  ASSERT_EQ(pad.writes.size(), 9u);
  for (const PixelWrite& write : pad.writes) EXPECT_EQ(write.colour, kRed);
  EXPECT_EQ(pad.OpenContexts(), 0);
}

TEST_F(SurroundMotionTest, DotIsSavedRestoredAndDrawnPixelByPixelInTheDotOrder) {
  dot.g_ptDot = {10, 10};
  for (std::size_t i = 0; i < kDotPixels; ++i) dot.g_crSaved[i] = 0x00010101u * (i + 1);
  const std::array<Colour, kDotPixels> saved = dot.g_crSaved;
  surround.DrawSourceDot(0.0f, 0.0f);

  const std::array<PadPoint, kDotPixels> old = DotPixels({10, 10});
  const std::array<PadPoint, kDotPixels> now = DotPixels({34, 28});
  ASSERT_EQ(pad.writes.size(), 18u);
  for (std::size_t i = 0; i < kDotPixels; ++i) {
    EXPECT_EQ(pad.writes[i].x, old[i].x);
    EXPECT_EQ(pad.writes[i].y, old[i].y);
    EXPECT_EQ(pad.writes[i].colour, saved[i]);
    EXPECT_EQ(pad.writes[9 + i].x, now[i].x);
    EXPECT_EQ(pad.writes[9 + i].y, now[i].y);
    EXPECT_EQ(pad.writes[9 + i].colour, kRed);
    EXPECT_EQ(dot.g_crSaved[i], FakePad::Background(now[i].x, now[i].y));
  }
  EXPECT_EQ(pad.reads, 9);
}

TEST_F(SurroundMotionTest, LaterDotErasesTheOneLeftByAStoppedTest) {
  Start();
  TickAt(kStart + 900);
  const PadPoint left = dot.g_ptDot;
  surround.StopSurround();
  ASSERT_TRUE(PadShowsOnlyTheDotAt(left));  // the dot stays until the pad is repainted

  Start(kStart + 20'000);
  TickAt(kStart + 20'000);
  EXPECT_TRUE(PadShowsOnlyTheDotAt({34, 0}));
}

TEST_F(SurroundTest, WindowOfALaterRunOfTheWindowErasesTheDotOfAnEarlierOne) {
  PressStart();
  TickAt(kStart + 2500);
  dlg.CloseTest();
  // The same process creates another window over the same pad and dot record.
  CSpeakerTestDlg other{io, registry, strings, sound, bitmaps, pad, clock, dot};
  auto created = std::make_unique<FakeDialogWindow>();
  created->controls[IDC_SPEAKER_GROUP].rect = kGroupBox;
  other.AttachWindow(std::move(created));
  other.OnInitDialog();
  other.OpenTest();
  clock.now = kStart + 40'000;
  other.OnCommand(IDC_START_STOP, kBnClicked);
  other.OnTimer(ID_TIMER_SURROUND);
  EXPECT_TRUE(PadShowsOnlyTheDotAt(pad, {34, 0}));
  other.DestroyWindow();
}

// With the dot's left column off the pad, the rest of it is still erased: no red trail is left
// along the left edge while the source passes the left.
TEST_F(SurroundMotionTest, DotOnTheLeftEdgeLeavesNoTrail) {
  surround.DrawSourceDot(-4.0f, 0.0f);
  ASSERT_EQ(dot.g_ptDot, (PadPoint{0, 28}));
  ASSERT_EQ(dot.g_crSaved[0], kInvalidColour);
  surround.DrawSourceDot(-4.0f, 0.3f);
  surround.DrawSourceDot(0.0f, 4.0f);
  EXPECT_TRUE(PadShowsOnlyTheDotAt({34, 0}));
}

TEST_F(SurroundMotionTest, NothingIsDrawnWhileTheWindowWaitsForARepaint) {
  Start();
  TickAt(kStart + 1000);
  const PadPoint drawn = dot.g_ptDot;
  pad.writes.clear();
  pad.reads = 0;
  pad.repaintPending = true;
  TickAt(kStart + 2000);
  EXPECT_EQ(pad.reads, 0);
  EXPECT_THAT(pad.writes, IsEmpty());
  EXPECT_EQ(dot.g_ptDot, drawn);
  EXPECT_EQ(pad.OpenContexts(), 0);
  EXPECT_EQ(pad.contextControls.size(), 2u);

  pad.repaintPending = false;
  TickAt(kStart + 2000);
  EXPECT_EQ(pad.writes.size(), 18u);
  EXPECT_NE(dot.g_ptDot, drawn);
}

TEST_F(SurroundMotionTest, NoDrawingContextMeansNoDrawing) {
  Start();
  pad.refuseContext = true;
  TickAt(kStart + 100);
  EXPECT_EQ(pad.reads, 0);
  EXPECT_THAT(pad.writes, IsEmpty());
}

TEST_F(SurroundTest, RefusedFilterOnStartsNothingButTheNextPressStops) {
  io.refusedCodes = {IOCTL_FILTER_ENABLE};
  PressStart();
  ExpectTransferErrorShown();
  EXPECT_THAT(io.Codes(), ElementsAre(IOCTL_FILTER_ENABLE));
  EXPECT_THAT(sound.log, IsEmpty());
  EXPECT_TRUE(window->timers.empty());
  EXPECT_EQ(window->controls[IDC_START_STOP].buttonBitmap, L"TESTD");
  EXPECT_EQ(registry.Dword("TestBtnStatus"), 2u);

  ClearLogs();
  Click(IDC_START_STOP);
  EXPECT_THAT(io.Codes(), ElementsAre(IOCTL_FILTER_DISABLE, IOCTL_SPEAKER_TEST_STOP));
  EXPECT_EQ(window->controls[IDC_START_STOP].buttonBitmap, L"TESTU");
  EXPECT_EQ(registry.Dword("TestBtnStatus"), 1u);
}

TEST_F(SurroundTest, RefusedDriverStartIsReportedAndSoundAndMotionStartAnyway) {
  io.refusedCodes = {IOCTL_SPEAKER_TEST_START};
  PressStart();
  ExpectTransferErrorShown();
  EXPECT_THAT(sound.log, ElementsAre("loop-memory 209"));
  EXPECT_EQ(window->timers.at(ID_TIMER_SURROUND), 0u);
}

// A refused filter-off leaves the sound to the next start or the window's closing, but never the
// motion: its timer would tick for the life of the process and start the driver's test again
// once the window is opened later.
TEST_F(SurroundTest, RefusedFilterOffAtStopReportsItAndStopsTheMotion) {
  PressStart();
  ClearLogs();
  io.refusedCodes = {IOCTL_FILTER_DISABLE};
  Click(IDC_START_STOP);
  ExpectTransferErrorShown();
  EXPECT_THAT(io.Codes(), ElementsAre(IOCTL_FILTER_DISABLE));
  EXPECT_THAT(sound.log, IsEmpty());
  EXPECT_FALSE(window->timers.contains(ID_TIMER_SURROUND));

  // Closing still closes the channel and silences.
  io.refusedCodes.clear();
  dlg.CloseTest();
  EXPECT_EQ(io.OpenHandles(), 0);
  EXPECT_EQ(sound.log.back(), "play 215");
}

TEST_F(SurroundTest, ClosingWhileTheDriverRefusesTheStopLeavesNoMotionForTheNextOpening) {
  PressStart();
  io.refusedCodes = {IOCTL_FILTER_DISABLE};
  dlg.CloseTest();
  EXPECT_FALSE(window->timers.contains(ID_TIMER_SURROUND));
  EXPECT_EQ(io.OpenHandles(), 0);
  io.refusedCodes.clear();
  dlg.OpenTest();
  io.ClearLog();
  EXPECT_FALSE(window->timers.contains(ID_TIMER_SURROUND));
  EXPECT_EQ(dlg.m_dwTestBtnStatus, CSpeakerTestDlg::ButtonReady);
}

TEST_F(SurroundTest, RefusedDriverStopIsReportedAndTheMotionStopsAnyway) {
  PressStart();
  ClearLogs();
  io.refusedCodes = {IOCTL_SPEAKER_TEST_STOP};
  Click(IDC_START_STOP);
  ExpectTransferErrorShown();
  EXPECT_THAT(sound.log, ElementsAre("stop", "stop-memory"));
  EXPECT_FALSE(window->timers.contains(ID_TIMER_SURROUND));
}

using SurroundWithoutChannelTest = SpeakerTestFixture;

TEST_F(SurroundWithoutChannelTest, StartAndStopDoNothingButTurnTheButton) {
  registry.PutDword("TestMode", 3);
  registry.PutDword("TestBtnStatus", 1);
  CreateWindow();
  Click(IDC_START_STOP);
  EXPECT_EQ(window->controls[IDC_START_STOP].buttonBitmap, L"TESTD");
  Click(IDC_START_STOP);
  EXPECT_TRUE(io.requests.empty());
  EXPECT_THAT(sound.log, IsEmpty());
  EXPECT_TRUE(window->timers.empty());
}

}  // namespace
}  // namespace quendal::test
