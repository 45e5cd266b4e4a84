// The surround dot at a higher DPI: a block that grows with the DPI on the same ellipse of the
// larger pad, saved, restored and drawn without a trail and within a few dozen pixels a tick.
#include <gmock/gmock.h>

#include <algorithm>
#include <set>

#include "SpeakerTestFixture.h"

namespace quendal::test {
namespace {

constexpr Colour kRed = 0x000000FF;
// The pad's client area at 192 DPI: twice its 96-DPI size.
constexpr int kWidthAt192 = 2 * kPadWidth;
constexpr int kHeightAt192 = 2 * kPadHeight;

TEST(SurroundDotBlock, GrowsWithTheDpiUpToSixPixelsAndIsTheNinePixelDotAt96) {
  const struct {
    int dpi;
    int side;
  } cases[] = {{96, 3}, {72, 3}, {0, 3}, {120, 4}, {144, 5}, {168, 5}, {192, 6}, {288, 6}};
  for (const auto& c : cases) EXPECT_EQ(DotSideForDpi(c.dpi), c.side) << c.dpi;

  const PadPoint centre{20, 30};
  const DotBlock at96 = DotBlockPixels(centre, 3);
  ASSERT_EQ(at96.count, kDotPixels);
  const auto nine = DotPixels(centre);
  EXPECT_TRUE(std::equal(nine.begin(), nine.end(), at96.pixels.begin()));

  for (int side = 3; side <= kMaxDotSide; ++side) {
    SCOPED_TRACE(side);
    const DotBlock block = DotBlockPixels(centre, side);
    ASSERT_EQ(block.count, static_cast<std::size_t>(side * side));
    std::set<std::pair<int, int>> distinct;
    for (std::size_t i = 0; i < block.count; ++i) {
      const PadPoint& pixel = block.pixels[i];
      distinct.insert({pixel.x, pixel.y});
      EXPECT_GE(pixel.x, centre.x - side / 2);
      EXPECT_LT(pixel.x, centre.x - side / 2 + side);
      EXPECT_GE(pixel.y, centre.y - side / 2);
      EXPECT_LT(pixel.y, centre.y - side / 2 + side);
    }
    EXPECT_EQ(distinct.size(), block.count) << "a square with no pixel twice";
  }
}

// The surround test of a window at 192 DPI over a pad of twice the size.
class SurroundAt192Test : public ::testing::Test {
 protected:
  static constexpr std::uint32_t kStart = 50'000;

  void SetUp() override {
    ASSERT_TRUE(channel.Open());
    window.dpi = 192;
  }
  void TearDown() override {
    EXPECT_EQ(pad.misuses, 0);
    EXPECT_EQ(pad.OpenContexts(), 0);
  }
  void TickAt(std::uint32_t now) {
    clock.now = now;
    surround.OnMotionTick();
  }
  // The pad shows its own picture everywhere but the side x side block around `centre`, which is
  // red as far as it lies on the pad.
  bool ShowsOnlyTheBlockAt(PadPoint centre, int side) const {
    const int left = centre.x - side / 2;
    const int top = centre.y - side / 2;
    for (int y = 0; y < pad.Height(); ++y) {
      for (int x = 0; x < pad.Width(); ++x) {
        const bool inDot = x >= left && x < left + side && y >= top && y < top + side;
        if (pad.At(x, y) != (inDot ? kRed : FakePad::Background(x, y))) return false;
      }
    }
    return true;
  }

  FakeDeviceIo io;
  FakeSound sound;
  FakePad pad{kWidthAt192, kHeightAt192};
  FakeClock clock;
  SurroundDotGlobals dot;
  FakeDialogWindow window;
  ControlChannel channel{io};
  CSurroundTest surround{window, channel, sound, pad, clock, dot, [] {}};
};

// The same quarter turns as at 96 DPI, on the ellipse of the larger pad.
TEST_F(SurroundAt192Test, DrawsASixPixelBlockOnTheEllipseOfTheLargerPad) {
  clock.now = kStart;
  surround.StartSurround();
  const struct {
    std::uint32_t elapsed;
    PadPoint centre;
  } ticks[] = {{0, {68, 0}}, {1877, {136, 56}}, {3755, {68, 114}}, {5632, {0, 57}}};
  for (const auto& tick : ticks) {
    SCOPED_TRACE(tick.elapsed);
    TickAt(kStart + tick.elapsed);
    EXPECT_EQ(dot.g_ptDot, tick.centre);
    EXPECT_EQ(dot.g_nDotSide, 6);
    EXPECT_TRUE(ShowsOnlyTheBlockAt(tick.centre, 6));
  }
}

// Every millisecond of a whole revolution: no red pixel is left behind, and no tick reads or
// writes more than the two blocks.
TEST_F(SurroundAt192Test, ARevolutionLeavesNoTrailAndEachTickStaysWithinTwoBlocks) {
  clock.now = kStart;
  surround.StartSurround();
  std::size_t mostReads = 0;
  std::size_t mostWrites = 0;
  for (std::uint32_t elapsed = 0; elapsed <= 7510; ++elapsed) {
    pad.reads = 0;
    pad.writes.clear();
    TickAt(kStart + elapsed);
    mostReads = std::max(mostReads, static_cast<std::size_t>(pad.reads));
    mostWrites = std::max(mostWrites, pad.writes.size());
  }
  EXPECT_TRUE(ShowsOnlyTheBlockAt(dot.g_ptDot, 6));
  EXPECT_EQ(mostReads, kMaxDotPixels);
  EXPECT_EQ(mostWrites, 2 * kMaxDotPixels);
}

// On the left edge part of the block lies off the pad: what lies on it is still erased.
TEST_F(SurroundAt192Test, BlockOnTheLeftEdgeLeavesNoTrail) {
  surround.DrawSourceDot(-4.0f, 0.0f);
  ASSERT_EQ(dot.g_ptDot, (PadPoint{0, 57}));
  surround.DrawSourceDot(-4.0f, 0.3f);
  surround.DrawSourceDot(0.0f, 4.0f);
  EXPECT_TRUE(ShowsOnlyTheBlockAt({68, 0}, 6));
}

// A dot drawn before a change of DPI is erased at its own size by the first dot after it.
TEST_F(SurroundAt192Test, ADotOfTheDpiBeforeAChangeIsErasedWhole) {
  const struct {
    int before;
    int after;
  } changes[] = {{192, 96}, {96, 192}, {120, 144}};
  for (const auto& change : changes) {
    SCOPED_TRACE(::testing::Message() << change.before << " to " << change.after);
    window.dpi = change.before;
    surround.DrawSourceDot(1.0f, 1.0f);
    window.dpi = change.after;
    surround.DrawSourceDot(-2.0f, -2.0f);
    EXPECT_TRUE(ShowsOnlyTheBlockAt(dot.g_ptDot, DotSideForDpi(change.after)));
    surround.DrawSourceDot(0.0f, 4.0f);
  }
}

}  // namespace
}  // namespace quendal::test
