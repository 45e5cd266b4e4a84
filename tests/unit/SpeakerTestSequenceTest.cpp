// The automatic sequence and the manual test.
#include <gmock/gmock.h>

#include <map>

#include "SpeakerTestFixture.h"

namespace quendal::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class SequenceTest : public SpeakerBoardFixture {
 protected:
  void SetUp() override { sequence.StartSequence(); }

  // One tick of the sequence timer; returns what the sound service was asked to do.
  std::vector<std::string> Tick() {
    sound.log.clear();
    sequence.OnSequenceTick();
    return sound.log;
  }

  CAutomaticSequence sequence{window, speakers};
};

struct TickRow {
  int tick;
  std::vector<std::string> sound;
  std::vector<int> active;
};

TEST_F(SequenceTest, TonesFollowClockwiseEverySecondAndThePictureBlinksOverTwoCycles) {
  const std::vector<TickRow> rows = {
      {0, {"loop 177"}, {}},
      {1, {}, {}},
      {2, {}, {IDC_SPEAKER_FRONT_LEFT}},
      {3, {}, {}},
      {8, {}, {IDC_SPEAKER_FRONT_LEFT}},
      {9, {}, {}},
      {10, {"loop 181"}, {}},
      {12, {}, {IDC_SPEAKER_CENTER}},
      {20, {"loop 180"}, {}},
      {24, {}, {IDC_SPEAKER_FRONT_RIGHT}},
      {30, {"loop 178"}, {}},
      {36, {}, {IDC_SPEAKER_REAR_RIGHT}},
      {40, {"loop 182"}, {}},
      {48, {}, {IDC_SPEAKER_SUBWOOFER}},
      {50, {"loop 179"}, {}},
      {58, {}, {IDC_SPEAKER_REAR_LEFT}},
      {59, {}, {}},
      {60, {"loop 177"}, {}},
      {62, {}, {IDC_SPEAKER_FRONT_LEFT}},
      {70, {"loop 181"}, {}},
      {110, {"loop 179"}, {}},
      {118, {}, {IDC_SPEAKER_REAR_LEFT}},
      {119, {}, {}},
  };
  std::map<int, const TickRow*> byTick;
  for (const TickRow& row : rows) byTick[row.tick] = &row;

  for (int tick = 0; tick < 120; ++tick) {
    SCOPED_TRACE(tick);
    const std::vector<std::string> played = Tick();
    // A tone starts on every tenth tick and on no other.
    EXPECT_EQ(played.size(), tick % 10 == 0 ? 1u : 0u);
    EXPECT_LE(ActiveSpeakers().size(), 1u);
    if (const auto row = byTick.find(tick); row != byTick.end()) {
      EXPECT_EQ(played, row->second->sound);
      EXPECT_EQ(ActiveSpeakers(), row->second->active);
    }
  }
  EXPECT_EQ(sequence.m_nStep, 1);
  EXPECT_EQ(sequence.m_nTick, 0);
  EXPECT_EQ(window.timers.at(ID_TIMER_SEQUENCE), 100u);
}

TEST_F(SequenceTest, PicturesSwitchBetweenTheirOwnNormalAndActiveBitmaps) {
  for (int tick = 0; tick < 13; ++tick) Tick();
  EXPECT_EQ(Picture(IDC_SPEAKER_FRONT_LEFT), IDB_FRONT_LEFT);
  EXPECT_EQ(Picture(IDC_SPEAKER_CENTER), IDB_CENTER_ACTIVE);
}

TEST_F(SequenceTest, StopInTheMiddleOfASpeakersSecondRestoresItsPictureAndSilences) {
  for (int tick = 0; tick < 25; ++tick) Tick();
  ASSERT_THAT(ActiveSpeakers(), ElementsAre(IDC_SPEAKER_FRONT_RIGHT));
  sound.log.clear();
  sequence.StopSequence();
  EXPECT_THAT(ActiveSpeakers(), IsEmpty());
  EXPECT_EQ(Picture(IDC_SPEAKER_FRONT_RIGHT), IDB_FRONT_RIGHT);
  EXPECT_THAT(sound.log, ElementsAre("stop"));
  EXPECT_FALSE(window.timers.contains(ID_TIMER_SEQUENCE));
  EXPECT_EQ(sequence.m_nStep, 0);
  // A tick already queued when the timer went does nothing.
  EXPECT_THAT(Tick(), IsEmpty());
  EXPECT_THAT(ActiveSpeakers(), IsEmpty());
}

TEST_F(SequenceTest, StopThenStartBeginsAgainWithTheFrontLeftTone) {
  for (int tick = 0; tick < 37; ++tick) Tick();
  sequence.StopSequence();
  sequence.StartSequence();
  EXPECT_EQ(window.timers.at(ID_TIMER_SEQUENCE), 100u);
  EXPECT_THAT(Tick(), ElementsAre("loop 177"));
  EXPECT_THAT(Tick(), IsEmpty());
  EXPECT_THAT(Tick(), IsEmpty());
  EXPECT_THAT(ActiveSpeakers(), ElementsAre(IDC_SPEAKER_FRONT_LEFT));
}

// Manual test, with the pictures where the window lays them out from the fixture's group box:
// front left (25,101)-(73,149), centre (106,81)-(154,129), front right (188,101)-(236,149),
// subwoofer (106,192)-(154,240), rear left (25,161)-(73,209), rear right (188,161)-(236,209);
// the listener at (106,136)-(154,184).
class ManualTest : public SpeakerBoardFixture {
 protected:
  const SpeakerRects rects{{{25, 101, 73, 149},
                            {106, 81, 154, 129},
                            {188, 101, 236, 149},
                            {25, 161, 73, 209},
                            {188, 161, 236, 209},
                            {106, 192, 154, 240}}};
  CManualTest manual{rects, speakers};
};

struct PressCase {
  int x;
  int y;
  int control;  // 0: nothing is pressed
  const char* tone;
};

TEST_F(ManualTest, PressPlaysThePictureUnderThePointerUntilRelease) {
  const PressCase cases[] = {
      {49, 125, IDC_SPEAKER_FRONT_LEFT, "loop 177"},
      {130, 105, IDC_SPEAKER_CENTER, "loop 181"},
      {212, 125, IDC_SPEAKER_FRONT_RIGHT, "loop 180"},
      {212, 185, IDC_SPEAKER_REAR_RIGHT, "loop 178"},
      {130, 216, IDC_SPEAKER_SUBWOOFER, "loop 182"},
      {49, 185, IDC_SPEAKER_REAR_LEFT, "loop 179"},
      {73, 149, IDC_SPEAKER_FRONT_LEFT, "loop 177"},  // right and bottom edges count
      {25, 101, IDC_SPEAKER_FRONT_LEFT, "loop 177"},  // left and top edges count
      {74, 149, 0, nullptr},                          // one pixel beside
      {130, 160, 0, nullptr},                         // the listener
      {5, 5, 0, nullptr},                             // beside the pictures
      {300, 120, 0, nullptr},                         // the pad's side of the window
  };
  for (const PressCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    sound.log.clear();
    manual.Press(c.x, c.y);
    if (c.control == 0) {
      EXPECT_THAT(sound.log, IsEmpty());
      EXPECT_THAT(ActiveSpeakers(), IsEmpty());
      EXPECT_EQ(manual.m_nPressed, 0);
      continue;
    }
    EXPECT_THAT(sound.log, ElementsAre(c.tone));
    EXPECT_THAT(ActiveSpeakers(), ElementsAre(c.control));
    EXPECT_EQ(manual.m_nPressed, SpeakerOfControl(c.control)->code);
    sound.log.clear();
    manual.Release();
    EXPECT_THAT(sound.log, ElementsAre("stop"));
    EXPECT_THAT(ActiveSpeakers(), IsEmpty());
    EXPECT_EQ(manual.m_nPressed, 0);
  }
}

TEST_F(ManualTest, MovingOffThePictureWithTheButtonHeldStopsTheTone) {
  manual.Press(130, 105);
  sound.log.clear();
  manual.Move(154, 129);  // still on the edge
  EXPECT_THAT(sound.log, IsEmpty());
  EXPECT_EQ(manual.m_nPressed, 2);
  manual.Move(155, 129);
  EXPECT_THAT(sound.log, ElementsAre("stop"));
  EXPECT_EQ(Picture(IDC_SPEAKER_CENTER), IDB_CENTER);
  EXPECT_EQ(manual.m_nPressed, 0);
  manual.Release();
  EXPECT_THAT(sound.log, ElementsAre("stop"));
}

TEST_F(ManualTest, ReleaseOutsideTheWindowLeavesTheToneUntilThePointerComesBackElsewhere) {
  manual.Press(212, 125);
  sound.log.clear();
  // The button-up went to another window; the pointer comes back over the same picture.
  manual.Move(200, 110);
  EXPECT_THAT(sound.log, IsEmpty());
  EXPECT_THAT(ActiveSpeakers(), ElementsAre(IDC_SPEAKER_FRONT_RIGHT));
  manual.Move(180, 110);
  EXPECT_THAT(sound.log, ElementsAre("stop"));
  EXPECT_THAT(ActiveSpeakers(), IsEmpty());
}

// The window hands a press on a picture to the manual test only in manual mode.
struct ModePressCase {
  std::uint32_t mode;
  std::vector<std::string> sound;
};

class ModePressTest : public SpeakerTestFixture,
                      public ::testing::WithParamInterface<ModePressCase> {};

TEST_P(ModePressTest, PressOnAPictureSoundsOnlyInManualMode) {
  OpenWith(GetParam().mode, GetParam().mode == 2 ? 0 : 1);
  dlg.OnLButtonDown(49, 125);
  const bool pressed = !GetParam().sound.empty();
  EXPECT_EQ(dlg.m_manual->m_nPressed, pressed ? 1 : 0);
  dlg.OnMouseMove(5, 5);
  dlg.OnLButtonUp(5, 5);
  EXPECT_EQ(sound.log, GetParam().sound);
  EXPECT_EQ(window->controls[IDC_SPEAKER_FRONT_LEFT].bitmap,
            pressed ? dlg.m_hbmSpeaker[0].normal : 0u);
  EXPECT_EQ(dlg.m_manual->m_nPressed, 0);
  // Neither test of one speaker at a time talks to the driver.
  EXPECT_TRUE(io.requests.empty());
}

INSTANTIATE_TEST_SUITE_P(EveryMode, ModePressTest,
                         ::testing::Values(ModePressCase{1, {}},
                                           ModePressCase{2, {"loop 177", "stop"}},
                                           ModePressCase{3, {}}));

}  // namespace
}  // namespace quendal::test
