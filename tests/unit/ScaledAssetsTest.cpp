// The windows' pictures at 125, 150 and 200 %: ids that follow the offsets of the shared header,
// and files drawn at their scaled size, each scale its own drawing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "resource_ids.h"
#include "support/AssetFiles.h"
#include "ui/PictureScale.h"

namespace quendal {
namespace {

using test::Bitmap;
using test::ParseBmp;
using test::ParseIco;
using test::ReadAsset;
using test::Rgb;

constexpr int kPercents[] = {125, 150, 200};

// A 100 % size at `percent`, rounded as the asset tool rounds.
int Scaled(int pixels, int percent) { return (pixels * percent + 50) / 100; }

std::map<std::string, int> HeaderIds() {
  std::ifstream in(QUENDAL_RES_DIR "/resource_ids.h");
  std::ostringstream text;
  text << in.rdbuf();
  const std::string header = text.str();
  std::map<std::string, int> ids;
  const std::regex define(R"(#define\s+(\w+)\s+(\d+))");
  for (auto it = std::sregex_iterator(header.begin(), header.end(), define);
       it != std::sregex_iterator(); ++it) {
    ids[(*it)[1]] = std::stoi((*it)[2]);
  }
  return ids;
}

struct ScaledPicture {
  const char* name;  // of the 100 % id in the header
  const char* file;  // prefix of the file, before the id
  int width;
  int height;
};

constexpr ScaledPicture kNumbered[] = {
    {"IDB_SURROUND_PAD", "pad_", 65, 65},           {"IDB_FRONT_LEFT", "speaker_", 48, 48},
    {"IDB_FRONT_LEFT_ACTIVE", "speaker_", 48, 48},  {"IDB_CENTER", "speaker_", 48, 48},
    {"IDB_CENTER_ACTIVE", "speaker_", 48, 48},      {"IDB_FRONT_RIGHT", "speaker_", 48, 48},
    {"IDB_FRONT_RIGHT_ACTIVE", "speaker_", 48, 48}, {"IDB_REAR_RIGHT", "speaker_", 48, 48},
    {"IDB_REAR_RIGHT_ACTIVE", "speaker_", 48, 48},  {"IDB_REAR_LEFT", "speaker_", 48, 48},
    {"IDB_REAR_LEFT_ACTIVE", "speaker_", 48, 48},   {"IDB_SUBWOOFER", "speaker_", 48, 48},
    {"IDB_SUBWOOFER_ACTIVE", "speaker_", 48, 48},   {"IDB_LISTENER", "listener_", 48, 48},
};

// Each scaled id is its 100 % id plus the offset of its scale, the offset the program adds.
TEST(ScaledAssets, EveryScaledIdIsTheBaseIdPlusTheOffsetOfItsScale) {
  const std::map<std::string, int> ids = HeaderIds();
  const std::map<int, PictureScale> scales{
      {125, PictureScale::k125}, {150, PictureScale::k150}, {200, PictureScale::k200}};
  std::vector<std::string> bases{"IDI_PANEL"};
  for (const ScaledPicture& picture : kNumbered) bases.emplace_back(picture.name);
  for (const std::string& base : bases) {
    for (int percent : kPercents) {
      const std::string name = base + "_" + std::to_string(percent);
      ASSERT_TRUE(ids.contains(name)) << name;
      EXPECT_EQ(static_cast<unsigned>(ids.at(name)),
                ScaledPictureId(static_cast<unsigned>(ids.at(base)), scales.at(percent)))
          << name;
    }
  }
}

TEST(ScaledAssets, EachBitmapHasItsSizeAtItsScaleAndTheColourDepthOfItsBase) {
  const std::map<std::string, int> ids = HeaderIds();
  for (const ScaledPicture& picture : kNumbered) {
    const std::string base = picture.file + std::to_string(ids.at(picture.name)) + ".bmp";
    const int bitCount = ParseBmp(ReadAsset(base)).bitCount;
    for (int percent : kPercents) {
      const std::string name = picture.name + ("_" + std::to_string(percent));
      const std::string file = picture.file + std::to_string(ids.at(name)) + ".bmp";
      const Bitmap bitmap = ParseBmp(ReadAsset(file));
      EXPECT_EQ(bitmap.width, Scaled(picture.width, percent)) << file;
      EXPECT_EQ(bitmap.height, Scaled(picture.height, percent)) << file;
      EXPECT_EQ(bitmap.bitCount, bitCount) << file;
    }
  }
  for (const char* face : {"testu", "testd", "testx"}) {
    for (int percent : kPercents) {
      const std::string file = face + ("_" + std::to_string(percent)) + ".bmp";
      const Bitmap bitmap = ParseBmp(ReadAsset(file));
      EXPECT_EQ(bitmap.width, Scaled(48, percent)) << file;
      EXPECT_EQ(bitmap.height, Scaled(25, percent)) << file;
      EXPECT_EQ(bitmap.bitCount, 4) << file;
    }
  }
}

TEST(ScaledAssets, TheBannerAndTheAboutPictureAreOneImageEachAtTheirScaledSize) {
  const struct {
    unsigned id;
    int percent;
    int width;
    int height;
    int bitCount;
  } icons[] = {
      {IDI_PANEL_125, 125, 168, 32, 32}, {IDI_PANEL_150, 150, 168, 32, 32},
      {IDI_PANEL_200, 200, 168, 32, 32}, {IDI_ABOUT_125, 125, 52, 50, 8},
      {IDI_ABOUT_150, 150, 52, 50, 8},   {IDI_ABOUT_200, 200, 52, 50, 8},
  };
  for (const auto& c : icons) {
    const auto images = ParseIco(ReadAsset("icon_" + std::to_string(c.id) + ".ico"));
    ASSERT_EQ(images.size(), 1u) << c.id;
    EXPECT_EQ(images[0].width, Scaled(c.width, c.percent)) << c.id;
    EXPECT_EQ(images[0].height, Scaled(c.height, c.percent)) << c.id;
    EXPECT_EQ(images[0].bitCount, c.bitCount) << c.id;
  }
}

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kDarkGreen{0, 128, 0};
constexpr Rgb kBrightGreen{0, 255, 0};

// Drawn at its size, the grid stays crisp: its lines are as wide as a 100 % pixel at that scale
// and hold nothing but the three colours, where a resampled picture would blur or drop them.
TEST(ScaledAssets, PadGridLinesAreAsWideAsTheScaleMakesAPixel) {
  const struct {
    unsigned id;
    int percent;
    int size;
    int line;
    int axis;  // first column of the vertical axis
  } pads[] = {{IDB_SURROUND_PAD_125, 125, 81, 1, 40},
              {IDB_SURROUND_PAD_150, 150, 98, 2, 48},
              {IDB_SURROUND_PAD_200, 200, 130, 2, 64}};
  for (const auto& expected : pads) {
    SCOPED_TRACE(expected.id);
    const Bitmap pad = ParseBmp(ReadAsset("pad_" + std::to_string(expected.id) + ".bmp"));
    ASSERT_EQ(pad.width, expected.size);
    int bright = 0;
    for (int y = 0; y < pad.height; ++y) {
      for (int x = 0; x < pad.width; ++x) {
        const Rgb colour = pad.Pixel(x, y);
        ASSERT_TRUE(colour == kBlack || colour == kDarkGreen || colour == kBrightGreen)
            << x << "," << y;
        bright += colour == kBrightGreen;
      }
    }
    EXPECT_EQ(bright, 2 * expected.line * expected.size - expected.line * expected.line);
    for (int column = expected.axis; column < expected.axis + expected.line; ++column) {
      EXPECT_EQ(pad.Pixel(column, 0), kBrightGreen) << column;
      EXPECT_EQ(pad.Pixel(column, expected.size - 1), kBrightGreen) << column;
    }
    // The lines of the grid lie where their 100 % lines lie, scaled: 8 pixels from the axis.
    EXPECT_EQ(pad.Pixel(Scaled(24, expected.percent), 3), kDarkGreen);
    EXPECT_EQ(pad.Pixel(Scaled(40, expected.percent) + expected.line - 1, 3), kDarkGreen);
  }
}

bool IsRedMark(Rgb c) { return c.r > 200 && c.g < 60 && c.b < 60; }
bool IsGreenMark(Rgb c) { return c.g > 150 && c.r < 60 && c.b < 60; }

int CountPixels(const Bitmap& bitmap, bool (*matches)(Rgb)) {
  int count = 0;
  for (int y = 0; y < bitmap.height; ++y) {
    for (int x = 0; x < bitmap.width; ++x) count += matches(bitmap.Pixel(x, y));
  }
  return count;
}

// The status mark grows with the picture: its area with the square of the scale.
TEST(ScaledAssets, SpeakerMarksGrowWithTheScale) {
  const int normal = CountPixels(
      ParseBmp(ReadAsset("speaker_" + std::to_string(IDB_CENTER) + ".bmp")), IsGreenMark);
  const int active = CountPixels(
      ParseBmp(ReadAsset("speaker_" + std::to_string(IDB_CENTER_ACTIVE) + ".bmp")), IsRedMark);
  ASSERT_GT(normal, 0);
  ASSERT_GT(active, 0);
  const Bitmap normal200 =
      ParseBmp(ReadAsset("speaker_" + std::to_string(IDB_CENTER_200) + ".bmp"));
  const Bitmap active200 =
      ParseBmp(ReadAsset("speaker_" + std::to_string(IDB_CENTER_ACTIVE_200) + ".bmp"));
  EXPECT_EQ(CountPixels(normal200, IsRedMark), 0);
  EXPECT_EQ(CountPixels(active200, IsGreenMark), 0);
  EXPECT_NEAR(CountPixels(normal200, IsGreenMark), 4 * normal, normal);
  EXPECT_NEAR(CountPixels(active200, IsRedMark), 4 * active, active);
}

}  // namespace
}  // namespace quendal
