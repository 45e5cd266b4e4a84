#include "ui/DpiScale.h"

#include <gtest/gtest.h>

#include "fakes/FakeDialogWindow.h"

namespace quendal::test {
namespace {

struct ScaleCase {
  int value;
  int dpi;
  int expected;
};

// At 96 DPI every value stays; elsewhere the nearest pixel, halves away from zero (as MulDiv).
constexpr ScaleCase kScaleCases[] = {
    {0, 120, 0},    {1, 96, 1},    {4, 96, 4},      {168, 96, 168},  {-24, 96, -24},
    {4, 120, 5},    {9, 120, 11},  {10, 120, 13},   {42, 120, 53},   {58, 120, 73},
    {1, 120, 1},    {2, 120, 3},   {-10, 120, -13}, {-9, 120, -11},  {168, 120, 210},
    {4, 144, 6},    {9, 144, 14},  {19, 144, 29},   {53, 144, 80},   {-19, 144, -29},
    {1, 144, 2},    {36, 144, 54}, {4, 192, 8},     {168, 192, 336}, {-24, 192, -48},
    {65, 192, 130}, {48, 168, 84}, {15, 72, 11},    {7, 0, 7},       {7, -96, 7},
};

TEST(DpiScaleTest, RoundsToTheNearestPixelWithHalvesAwayFromZero) {
  for (const ScaleCase& c : kScaleCases) {
    EXPECT_EQ(ScaleForDpi(c.value, c.dpi), c.expected) << c.value << " at " << c.dpi;
  }
}

TEST(DpiScaleTest, StaysWithinRangeForLargeValues) {
  EXPECT_EQ(ScaleForDpi(1 << 28, 192), 1 << 29);
  EXPECT_EQ(ScaleForDpi(-(1 << 28), 192), -(1 << 29));
}

TEST(DpiScaleTest, TakesTheWindowsDpiAndTreatsAnUnknownOneAs96) {
  FakeDialogWindow window;
  window.dpi = 144;
  EXPECT_EQ(DpiScale(window).Dpi(), 144);
  EXPECT_EQ(DpiScale(window)(10), 15);
  window.dpi = 0;
  EXPECT_EQ(DpiScale(window).Dpi(), 96);
  EXPECT_EQ(DpiScale(window)(10), 10);
}

}  // namespace
}  // namespace quendal::test
