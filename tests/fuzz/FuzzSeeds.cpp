// Writes the seed inputs of the fuzz targets into DIR/<target>/, each from a case written out
// here, so that a run starts from the stores and driver answers worth varying: a fresh machine,
// a key full of the user's settings, values of every odd kind, and the plays of material that
// reach the 5.1 question.
//   usage: fuzz_seeds DIR
#include <bit>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "SettingsLoadCase.h"
#include "SourceLayoutCase.h"
#include "device/LittleEndian.h"

namespace quendal::fuzz {
namespace {

namespace fs = std::filesystem;

constexpr std::uint8_t kRegSz = 1;
constexpr std::uint8_t kRegBinary = 3;
constexpr std::uint8_t kRegDword = 4;

StoredData Dword(std::uint32_t value, std::uint8_t type = kRegDword) {
  StoredData stored{type, std::vector<std::uint8_t>(4)};
  PutLittleEndian32(stored.data.data(), value);
  return stored;
}

StoredData Gain(float gain) { return Dword(std::bit_cast<std::uint32_t>(gain)); }

// Values in the order of kAllSettings.
SettingsLoadCase Stored(std::vector<StoredData> values) {
  SettingsLoadCase c;
  for (std::size_t i = 0; i < values.size() && i < c.values.size(); ++i) c.values[i] = values[i];
  return c;
}

std::vector<std::pair<std::string, SettingsLoadCase>> SettingsSeeds() {
  std::vector<std::pair<std::string, SettingsLoadCase>> seeds;
  seeds.emplace_back("fresh-machine", SettingsLoadCase{});

  SettingsLoadCase user = Stored({Dword(1), Dword(1), Dword(1), Dword(30), Dword(1), Gain(10.0f),
                                  Gain(0.1f), Gain(1.0f), Gain(0.8912509f), Gain(3.1622777f),
                                  Gain(0.31622776f), Dword(3), Dword(1)});
  user.mixerVolume = 40000;
  seeds.emplace_back("user-settings", user);

  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  SettingsLoadCase odd =
      Stored({Dword(5), Dword(7), Dword(9), Dword(1000), Dword(0), Gain(nan), Gain(inf), Gain(-inf),
              Gain(0.0f), Gain(-1.0f), Gain(std::numeric_limits<float>::denorm_min()), Dword(7),
              Dword(2)});
  seeds.emplace_back("out-of-range", odd);

  SettingsLoadCase signalling =
      Stored({Dword(0), Dword(0), Dword(2), Dword(0xFFFFFFFF), Dword(1), Dword(0x7F800001),
              Dword(0xFF800001), Dword(0x7FFFFFFF), Dword(0x80000000), Dword(0x00000001),
              Dword(0x7F7FFFFF), Dword(1), Dword(2)});
  seeds.emplace_back("odd-gain-bits", signalling);

  SettingsLoadCase types;
  for (std::size_t i = 0; i < types.values.size(); ++i) {
    const std::uint8_t type = i % 2 == 0 ? kRegBinary : kRegSz;
    types.values[i] = StoredData{type, std::vector<std::uint8_t>(i % 3 == 0 ? 2 : 8, 0x41)};
  }
  seeds.emplace_back("wrong-sizes", types);

  SettingsLoadCase userKey = user;
  userKey.machineKeyRefused = true;
  seeds.emplace_back("user-key-only", userKey);

  SettingsLoadCase noKey = user;
  noKey.machineKeyRefused = true;
  noKey.userKeyRefused = true;
  seeds.emplace_back("no-key", noKey);

  SettingsLoadCase noChannel = user;
  noChannel.channelRefused = true;
  seeds.emplace_back("no-channel", noChannel);

  SettingsLoadCase refusing = odd;
  refusing.refusedCodes = 0x3FFF;
  seeds.emplace_back("driver-refuses-all", refusing);
  return seeds;
}

LayoutStep Step(LayoutAction action, std::vector<std::uint8_t> reply = {}, bool answerNo = false) {
  LayoutStep step;
  step.action = action;
  step.reply = std::move(reply);
  step.answerNo = answerNo;
  return step;
}

LayoutStep Refused(LayoutAction action, bool open, bool query) {
  LayoutStep step = Step(action, {1, 1, 0, 0});
  step.openRefused = open;
  step.queryRefused = query;
  return step;
}

std::vector<std::pair<std::string, SourceLayoutCase>> SourceLayoutSeeds() {
  using A = LayoutAction;
  const std::vector<std::uint8_t> multi{1, 0, 0, 0};
  const std::vector<std::uint8_t> two{0, 1, 0, 0};
  std::vector<std::pair<std::string, SourceLayoutCase>> seeds;
  seeds.push_back(
      {"yes-then-rearm",
       {true,
        {Step(A::kPollTick, multi), Step(A::kPollTick, multi), Step(A::kDisplayTick, multi),
         Step(A::kOpenSettings), Step(A::kShowEffectsTab), Step(A::kSwitchEffectsOff),
         Step(A::kSwitchEffectsOn), Step(A::kPollTick, multi), Step(A::kDisplayTick, two)}}});
  seeds.push_back(
      {"no-switches-off",
       {true,
        {Step(A::kPollTick, multi, true), Step(A::kPollTick, multi), Step(A::kDisplayTick, multi),
         Step(A::kCloseSettings), Step(A::kPollTick, multi, true)}}});
  seeds.push_back({"effects-off",
                   {false,
                    {Step(A::kPollTick, multi), Step(A::kDisplayTick, {}), Step(A::kPollTick, two),
                     Step(A::kDisplayTick, two)}}});
  seeds.push_back({"short-and-long-replies",
                   {true,
                    {Step(A::kDisplayTick, {0}), Step(A::kDisplayTick, {0, 7}),
                     Step(A::kDisplayTick, {0, 0, 0, 0, 9, 9, 9, 9}),
                     Step(A::kPollTick, {0, 0, 0, 0, 1, 1, 1, 1}), Step(A::kPollTick, {2})}}});
  seeds.push_back(
      {"refusals",
       {true,
        {Refused(A::kPollTick, true, false), Refused(A::kPollTick, false, true),
         Refused(A::kDisplayTick, false, true), Refused(A::kShowEffectsTab, true, false),
         Step(A::kOtherTimer), Refused(A::kPollTick, false, false)}}});
  return seeds;
}

template <typename Case>
bool WriteSeeds(const fs::path& dir, const std::vector<std::pair<std::string, Case>>& seeds,
                std::vector<std::uint8_t> (*encode)(const Case&)) {
  fs::create_directories(dir);
  for (const auto& [name, seed] : seeds) {
    const std::vector<std::uint8_t> bytes = encode(seed);
    std::ofstream file(dir / name, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    if (!file) return false;
  }
  return true;
}

}  // namespace
}  // namespace quendal::fuzz

int main(int argc, char** argv) {
  using namespace quendal::fuzz;
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds DIR\n");
    return 2;
  }
  const fs::path dir = argv[1];
  if (!WriteSeeds(dir / "SettingsLoadFuzz", SettingsSeeds(), &EncodeSettingsLoadCase) ||
      !WriteSeeds(dir / "SourceLayoutFuzz", SourceLayoutSeeds(), &EncodeSourceLayoutCase)) {
    std::fprintf(stderr, "fuzz_seeds: cannot write under %s\n", argv[1]);
    return 1;
  }
  return 0;
}
