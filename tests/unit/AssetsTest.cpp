// The pictures, icons and sounds the asset tool made for the build, read back byte by byte.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <ostream>
#include <regex>
#include <set>
#include <sstream>

#include "resource_ids.h"
#include "support/AssetFiles.h"

namespace quendal {
namespace {

using test::Bitmap;
using test::Bytes;
using test::Get16;
using test::Get32;
using test::ParseBmp;
using test::ParseIco;
using test::ParseRiff;
using test::ReadAsset;
using test::Rgb;
using test::RiffFile;

constexpr std::uint16_t kWaveFormatPcm = 0x0001;
constexpr std::uint16_t kWaveFormatExtensible = 0xFFFE;
constexpr std::uint8_t kPcmSubformat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                            0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
constexpr int kToneRate = 48000;
constexpr int kChannels = 6;
constexpr int kFrameBytes = 12;

std::string ResourceFile(const char* prefix, int id, const char* extension) {
  return prefix + std::to_string(id) + extension;
}

std::vector<std::string> ChunkIds(const RiffFile& riff) {
  std::vector<std::string> ids;
  for (const auto& chunk : riff.chunks) ids.push_back(chunk.id);
  return ids;
}

// The header of every six-channel clip: the tones and the silence.
void ExpectSixChannelFormat(const Bytes& wave, const RiffFile& riff) {
  EXPECT_EQ(riff.form, "WAVE");
  EXPECT_EQ(riff.riffSize, wave.size() - 8);
  ASSERT_THAT(ChunkIds(riff), ::testing::ElementsAre("fmt ", "data"));
  const auto& fmt = riff.chunks[0];
  ASSERT_EQ(fmt.size, 40u);
  const std::size_t at = fmt.offset;
  EXPECT_EQ(Get16(wave, at), kWaveFormatExtensible);
  EXPECT_EQ(Get16(wave, at + 2), kChannels);
  EXPECT_EQ(Get32(wave, at + 4), 48000u);
  EXPECT_EQ(Get32(wave, at + 8), 576000u);
  EXPECT_EQ(Get16(wave, at + 12), kFrameBytes);
  EXPECT_EQ(Get16(wave, at + 14), 16);
  EXPECT_EQ(Get16(wave, at + 16), 22);
  EXPECT_EQ(Get16(wave, at + 18), 16);
  EXPECT_EQ(Get32(wave, at + 20), 0x3Fu);
  EXPECT_TRUE(std::equal(std::begin(kPcmSubformat), std::end(kPcmSubformat),
                         wave.begin() + static_cast<std::ptrdiff_t>(at + 24)));
}

struct ToneCase {
  int resource;
  int channel;  // in the order of channel mask 0x3F: FL, FR, FC, LFE, BL, BR
  double hertz;
};

std::ostream& operator<<(std::ostream& out, const ToneCase& tone) {
  return out << "tone " << tone.resource << " on channel " << tone.channel << " at " << tone.hertz
             << " Hz";
}

class ToneTest : public ::testing::TestWithParam<ToneCase> {};

TEST_P(ToneTest, HoldsTwentyPeriodsOfARisingSawtoothOnItsChannelOnly) {
  const ToneCase tone = GetParam();
  const Bytes wave = ReadAsset(ResourceFile("tone_", tone.resource, ".wav"));
  const RiffFile riff = ParseRiff(wave);
  ExpectSixChannelFormat(wave, riff);
  ASSERT_EQ(riff.chunks.size(), 2u);
  const auto& data = riff.chunks[1];

  const long frames = std::lround(20 * kToneRate / tone.hertz);
  ASSERT_EQ(data.size, frames * kFrameBytes);
  std::vector<int> ramp;
  for (long frame = 0; frame < frames; ++frame) {
    for (int channel = 0; channel < kChannels; ++channel) {
      const auto sample = static_cast<std::int16_t>(
          Get16(wave, data.offset + static_cast<std::size_t>(frame * kFrameBytes + 2 * channel)));
      if (channel == tone.channel) {
        ramp.push_back(sample);
      } else {
        ASSERT_EQ(sample, 0) << "frame " << frame << " channel " << channel;
      }
    }
  }

  // Rising ramps from 0 to the top of the positive range, each ended by one fall back.
  EXPECT_EQ(ramp.front(), 0);
  EXPECT_GE(*std::min_element(ramp.begin(), ramp.end()), 0);
  const int step = static_cast<int>(std::ceil(32767 * tone.hertz / kToneRate));
  EXPECT_GE(*std::max_element(ramp.begin(), ramp.end()), 32767 - step);
  std::vector<std::size_t> falls;
  for (std::size_t i = 1; i < ramp.size(); ++i) {
    if (ramp[i] < ramp[i - 1]) {
      EXPECT_GT(ramp[i - 1] - ramp[i], 32767 - 3 * step) << "a dip inside a ramp at " << i;
      falls.push_back(i);
    }
  }
  ASSERT_GE(falls.size(), 19u);
  EXPECT_LE(falls.size(), 20u);
  const double period =
      static_cast<double>(falls.back() - falls.front()) / static_cast<double>(falls.size() - 1);
  EXPECT_NEAR(kToneRate / period, tone.hertz, tone.hertz * 0.005);
}

// The notes rise C, D, E, F, G, A clockwise from the front left.
INSTANTIATE_TEST_SUITE_P(Assets, ToneTest,
                         ::testing::Values(ToneCase{IDW_TONE_FRONT_LEFT, 0, 261.6},
                                           ToneCase{IDW_TONE_CENTER, 2, 293.7},
                                           ToneCase{IDW_TONE_FRONT_RIGHT, 1, 329.6},
                                           ToneCase{IDW_TONE_REAR_RIGHT, 5, 349.2},
                                           ToneCase{IDW_TONE_SUBWOOFER, 3, 392.0},
                                           ToneCase{IDW_TONE_REAR_LEFT, 4, 440.0}),
                         [](const auto& info) {
                           return "Tone" + std::to_string(info.param.resource);
                         });

TEST(Assets, SilenceIsTenZeroFramesInThe188ByteSixChannelForm) {
  const Bytes wave = ReadAsset(ResourceFile("silence_", IDW_SILENCE, ".wav"));
  ASSERT_EQ(wave.size(), 188u);
  const RiffFile riff = ParseRiff(wave);
  EXPECT_EQ(riff.riffSize, 180u);
  ExpectSixChannelFormat(wave, riff);
  ASSERT_EQ(riff.chunks.size(), 2u);
  EXPECT_EQ(riff.chunks[1].size, 120u);
  EXPECT_TRUE(std::all_of(wave.begin() + 68, wave.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST(Assets, SurroundSoundIsQuietEightBitMonoNoiseWithItsSampleCountFirst) {
  const Bytes wave = ReadAsset(ResourceFile("surround_", IDW_SURROUND, ".wav"));
  const RiffFile riff = ParseRiff(wave);
  EXPECT_EQ(riff.form, "WAVE");
  EXPECT_EQ(riff.riffSize, wave.size() - 8);
  ASSERT_THAT(ChunkIds(riff), ::testing::ElementsAre("fmt ", "fact", "data"));
  const std::size_t fmt = riff.chunks[0].offset;
  ASSERT_GE(riff.chunks[0].size, 16u);
  EXPECT_EQ(Get16(wave, fmt), kWaveFormatPcm);
  EXPECT_EQ(Get16(wave, fmt + 2), 1);
  EXPECT_EQ(Get32(wave, fmt + 4), 22050u);
  EXPECT_EQ(Get32(wave, fmt + 8), 22050u);
  EXPECT_EQ(Get16(wave, fmt + 12), 1);
  EXPECT_EQ(Get16(wave, fmt + 14), 8);
  ASSERT_EQ(riff.chunks[1].size, 4u);
  EXPECT_EQ(Get32(wave, riff.chunks[1].offset), 13328u);
  const auto& data = riff.chunks[2];
  ASSERT_EQ(data.size, 13328u);

  const auto first = wave.begin() + static_cast<std::ptrdiff_t>(data.offset);
  const auto last = first + data.size;
  const auto [low, high] = std::minmax_element(first, last);
  EXPECT_GE(*low, 104);
  EXPECT_LE(*high, 152);
  // Broadband noise crosses its middle value far more often than any tone in the audible
  // range would (a 1 kHz tone: about 1200 times in this clip).
  int crossings = 0;
  for (auto it = first + 1; it != last; ++it) crossings += (*(it - 1) < 128) != (*it < 128);
  EXPECT_GT(crossings, 3000);
  EXPECT_GT(*high - *low, 32) << "too faint to hear";
}

struct BitmapCase {
  std::string file;
  int width;
  int height;
  int bitCount;
};

std::ostream& operator<<(std::ostream& out, const BitmapCase& bitmap) {
  return out << bitmap.file << " " << bitmap.width << "x" << bitmap.height << "x"
             << bitmap.bitCount;
}

class BitmapTest : public ::testing::TestWithParam<BitmapCase> {};

TEST_P(BitmapTest, HasItsSizeAndColourDepth) {
  const BitmapCase& expected = GetParam();
  const Bitmap bitmap = ParseBmp(ReadAsset(expected.file));
  EXPECT_EQ(bitmap.width, expected.width);
  EXPECT_EQ(bitmap.height, expected.height);
  EXPECT_EQ(bitmap.bitCount, expected.bitCount);
  EXPECT_LE(bitmap.palette.size(), std::size_t{1} << expected.bitCount);
}

std::vector<BitmapCase> AllBitmaps() {
  std::vector<BitmapCase> cases;
  for (int id = IDB_FRONT_LEFT; id <= IDB_SUBWOOFER; ++id) {
    cases.push_back({ResourceFile("speaker_", id, ".bmp"), 48, 48, 8});
  }
  cases.push_back({ResourceFile("listener_", IDB_LISTENER, ".bmp"), 48, 48, 8});
  cases.push_back({ResourceFile("pad_", IDB_SURROUND_PAD, ".bmp"), 65, 65, 4});
  for (const char* name : {"testu.bmp", "testd.bmp", "testx.bmp"})
    cases.push_back({name, 48, 25, 4});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Assets, BitmapTest, ::testing::ValuesIn(AllBitmaps()),
                         [](const auto& info) {
                           return info.param.file.substr(0, info.param.file.find('.'));
                         });

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kDarkGreen{0, 128, 0};
constexpr Rgb kBrightGreen{0, 255, 0};
constexpr Rgb kYellow{255, 255, 0};

int CountPixels(const Bitmap& bitmap, auto matches) {
  int count = 0;
  for (int y = 0; y < bitmap.height; ++y) {
    for (int x = 0; x < bitmap.width; ++x) count += matches(bitmap.Pixel(x, y));
  }
  return count;
}

TEST(Assets, PadIsABlackFieldWithADarkGridAndBrightAxesThroughTheCentre) {
  const Bitmap pad = ParseBmp(ReadAsset(ResourceFile("pad_", IDB_SURROUND_PAD, ".bmp")));
  ASSERT_EQ(pad.width, 65);
  ASSERT_EQ(pad.height, 65);
  const int centre = 32;
  for (int along : {0, 5, centre, 60, 64}) {
    EXPECT_EQ(pad.Pixel(centre, along), kBrightGreen) << "vertical axis at " << along;
    EXPECT_EQ(pad.Pixel(along, centre), kBrightGreen) << "horizontal axis at " << along;
  }
  for (const auto& [x, y] : {std::pair{0, 0}, {64, 0}, {0, 64}, {64, 64}}) {
    EXPECT_EQ(pad.Pixel(x, y), kBlack) << "corner " << x << "," << y;
  }
  EXPECT_EQ(CountPixels(pad, [](Rgb c) { return c == kBrightGreen; }), 2 * 65 - 1)
      << "bright green belongs to the two axes only";
  EXPECT_GT(CountPixels(pad, [](Rgb c) { return c == kDarkGreen; }), 0);
  EXPECT_GT(CountPixels(pad, [](Rgb c) { return c == kBlack; }), 65 * 65 / 2);
}

bool IsRedMark(Rgb c) { return c.r > 200 && c.g < 60 && c.b < 60; }
bool IsGreenMark(Rgb c) { return c.g > 150 && c.r < 60 && c.b < 60; }
int Yellowness(Rgb c) { return std::min(c.r, c.g) - c.b; }

int MostYellow(const Bitmap& bitmap) {
  int most = 0;
  for (int y = 0; y < bitmap.height; ++y) {
    for (int x = 0; x < bitmap.width; ++x) most = std::max(most, Yellowness(bitmap.Pixel(x, y)));
  }
  return most;
}

struct SpeakerPictures {
  const char* speaker;
  int normal;
  int active;
};

std::ostream& operator<<(std::ostream& out, const SpeakerPictures& pictures) {
  return out << pictures.speaker << " normal " << pictures.normal << " active " << pictures.active;
}

class SpeakerPictureTest : public ::testing::TestWithParam<SpeakerPictures> {};

TEST_P(SpeakerPictureTest, NormalShowsAGreenMarkAndActiveARedMarkAndABrighterLine) {
  const Bitmap normal = ParseBmp(ReadAsset(ResourceFile("speaker_", GetParam().normal, ".bmp")));
  const Bitmap active = ParseBmp(ReadAsset(ResourceFile("speaker_", GetParam().active, ".bmp")));
  EXPECT_GT(CountPixels(normal, IsGreenMark), 0);
  EXPECT_EQ(CountPixels(normal, IsRedMark), 0);
  EXPECT_GT(CountPixels(active, IsRedMark), 0);
  EXPECT_EQ(CountPixels(active, IsGreenMark), 0);
  EXPECT_GT(MostYellow(active), MostYellow(normal) + 40);
}

INSTANTIATE_TEST_SUITE_P(
    Assets, SpeakerPictureTest,
    ::testing::Values(SpeakerPictures{"FrontLeft", IDB_FRONT_LEFT, IDB_FRONT_LEFT_ACTIVE},
                      SpeakerPictures{"Centre", IDB_CENTER, IDB_CENTER_ACTIVE},
                      SpeakerPictures{"FrontRight", IDB_FRONT_RIGHT, IDB_FRONT_RIGHT_ACTIVE},
                      SpeakerPictures{"RearRight", IDB_REAR_RIGHT, IDB_REAR_RIGHT_ACTIVE},
                      SpeakerPictures{"Subwoofer", IDB_SUBWOOFER, IDB_SUBWOOFER_ACTIVE},
                      SpeakerPictures{"RearLeft", IDB_REAR_LEFT, IDB_REAR_LEFT_ACTIVE}),
    [](const auto& info) { return std::string(info.param.speaker); });

TEST(Assets, EverySpeakerHasAPictureOfItsOwn) {
  std::set<std::vector<std::uint8_t>> distinct;
  for (int id : {IDB_FRONT_LEFT, IDB_CENTER, IDB_FRONT_RIGHT, IDB_REAR_RIGHT, IDB_SUBWOOFER,
                 IDB_REAR_LEFT, IDB_LISTENER}) {
    const std::string file =
        ResourceFile(id == IDB_LISTENER ? "listener_" : "speaker_", id, ".bmp");
    distinct.insert(ReadAsset(file));
  }
  EXPECT_EQ(distinct.size(), 7u);
}

TEST(Assets, StartButtonFacesShowReadyRunningAndDisabled) {
  const Bitmap ready = ParseBmp(ReadAsset("testu.bmp"));
  const Bitmap running = ParseBmp(ReadAsset("testd.bmp"));
  const Bitmap disabled = ParseBmp(ReadAsset("testx.bmp"));
  const auto isYellow = [](Rgb c) { return c == kYellow; };
  EXPECT_GT(CountPixels(ready, isYellow), 20);
  EXPECT_GT(CountPixels(running, isYellow), 20);
  EXPECT_EQ(CountPixels(disabled, isYellow), 0);
  EXPECT_NE(ready.indices, running.indices);
  EXPECT_NE(ready.indices, disabled.indices);
}

struct IconCase {
  int resource;
  std::vector<std::pair<int, int>> sizes;
  int bitCount;
};

std::ostream& operator<<(std::ostream& out, const IconCase& icon) {
  return out << "icon " << icon.resource << " of " << icon.sizes.size() << " images";
}

// The small icon (16 at 100 %) and the big one (32) at 100, 125, 150 and 200 %.
const std::vector<std::pair<int, int>> kIconSizesAtEveryScale{
    {16, 16}, {20, 20}, {24, 24}, {32, 32}, {40, 40}, {48, 48}, {64, 64}};

class IconTest : public ::testing::TestWithParam<IconCase> {};

TEST_P(IconTest, HoldsItsImagesWithMasks) {
  const IconCase& expected = GetParam();
  const auto images = ParseIco(ReadAsset(ResourceFile("icon_", expected.resource, ".ico")));
  ASSERT_EQ(images.size(), expected.sizes.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    const auto& image = images[i];
    EXPECT_EQ(std::pair(image.width, image.height), expected.sizes[i]);
    EXPECT_EQ(image.bitCount, expected.bitCount);
    const auto transparent = std::count(image.masked.begin(), image.masked.end(), true);
    EXPECT_GT(transparent, 0) << "no transparent pixel";
    EXPECT_GT(static_cast<long>(image.masked.size()) - transparent,
              static_cast<long>(image.masked.size()) / 8)
        << "almost nothing drawn";
    // Where the mask lets the screen through, a 32-bit image is transparent too.
    for (std::size_t p = 0; p < image.argb.size(); ++p) {
      if (image.masked[p]) {
        ASSERT_LT(image.argb[p] >> 24, 128u) << "pixel " << p;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Assets, IconTest,
                         ::testing::Values(IconCase{IDI_CONNECTED, kIconSizesAtEveryScale, 32},
                                           IconCase{IDI_NOT_CONNECTED, kIconSizesAtEveryScale, 32},
                                           IconCase{IDI_SETTINGS_OPEN, kIconSizesAtEveryScale, 32},
                                           IconCase{IDI_PANEL, {{168, 32}}, 32},
                                           IconCase{IDI_ABOUT, {{52, 50}}, 8}),
                         [](const auto& info) {
                           return "Icon" + std::to_string(info.param.resource);
                         });

TEST(Assets, TrayIconsOfTheThreeStatesDiffer) {
  const auto pixels = [](int id) {
    std::vector<std::vector<std::uint32_t>> images;
    for (const auto& image : ParseIco(ReadAsset(ResourceFile("icon_", id, ".ico")))) {
      images.push_back(image.argb);
    }
    return images;
  };
  const auto connected = pixels(IDI_CONNECTED);
  const auto notConnected = pixels(IDI_NOT_CONNECTED);
  const auto settingsOpen = pixels(IDI_SETTINGS_OPEN);
  for (std::size_t size = 0; size < connected.size(); ++size) {
    EXPECT_NE(connected[size], notConnected[size]) << "image " << size;
    EXPECT_NE(connected[size], settingsOpen[size]) << "image " << size;
    EXPECT_NE(notConnected[size], settingsOpen[size]) << "image " << size;
  }
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Each declaration of the resource script names the file made for its own id and type, and
// every file the tool made is declared once.
TEST(Assets, ResourceScriptDeclaresEachFileUnderItsOwnId) {
  std::map<std::string, int> ids;
  const std::string header = ReadText(QUENDAL_RES_DIR "/resource_ids.h");
  const std::regex define(R"(#define\s+(\w+)\s+(\d+))");
  for (auto it = std::sregex_iterator(header.begin(), header.end(), define);
       it != std::sregex_iterator(); ++it) {
    ids[(*it)[1]] = std::stoi((*it)[2]);
  }
  const std::map<std::string, std::string> extensionOfType{
      {"WAVE", ".wav"}, {"BITMAP", ".bmp"}, {"ICON", ".ico"}};

  std::istringstream script(ReadText(QUENDAL_RES_DIR "/assets.rc"));
  const std::regex declaration(R"re((\w+)\s+(\w+)\s+"([^"]+)"\s*)re");
  std::vector<std::string> declared;
  for (std::string line; std::getline(script, line);) {
    std::smatch match;
    if (!std::regex_match(line, match, declaration)) continue;
    const std::string name = match[1], type = match[2], file = match[3];
    declared.push_back(file);
    ASSERT_TRUE(extensionOfType.contains(type)) << name << " has type " << type;
    EXPECT_TRUE(file.ends_with(extensionOfType.at(type))) << name << " " << file;
    const std::string stem = file.substr(0, file.rfind('.'));
    if (ids.contains(name)) {
      EXPECT_TRUE(stem.ends_with("_" + std::to_string(ids.at(name)))) << name << " " << file;
    } else {
      std::string lower = name;
      std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
      EXPECT_EQ(stem, lower) << "a named resource is made under its own name";
    }
  }
  std::sort(declared.begin(), declared.end());
  EXPECT_EQ(declared, test::ListAssets());
}

}  // namespace
}  // namespace quendal
