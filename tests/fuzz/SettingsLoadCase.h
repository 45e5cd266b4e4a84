// One case of the settings-load target and its byte form, shared by the target and the seed
// writer. Bytes, in order:
//   flags      bit 0 the machine-wide key refuses opening, bit 1 the per-user key refuses,
//              bit 2 the control path does not open, bit 3 a USB mixer with a speakers volume
//   word       control codes the driver refuses: bit n refuses the code of function 0xC00 + n
//   word       the mixer's speakers volume
//   13 values  in the order of kAllSettings, each a tag: 0 missing, otherwise the data's length
//              is (tag - 1) % 16, followed by a type byte and the data
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "FuzzSupport.h"
#include "device/SettingsKey.h"

namespace quendal::fuzz {

inline constexpr std::array<SettingsValue, 13> kAllSettings{
    settings::kEnableFilter, settings::kOutputMode,   settings::kBassOutputMode,
    settings::kSystemVolume, settings::kFilterVolume, settings::kVolumeL,
    settings::kVolumeR,      settings::kVolumeLFE,    settings::kVolumeC,
    settings::kVolumeRL,     settings::kVolumeRR,     settings::kTestMode,
    settings::kTestBtnStatus};

struct StoredData {
  std::uint8_t type = 4;  // REG_DWORD
  std::vector<std::uint8_t> data;
};

struct SettingsLoadCase {
  bool machineKeyRefused = false;
  bool userKeyRefused = false;
  bool channelRefused = false;
  std::uint16_t refusedCodes = 0;
  std::optional<std::uint16_t> mixerVolume;
  std::array<std::optional<StoredData>, kAllSettings.size()> values;
};

inline constexpr std::size_t kLongestData = 15;

inline SettingsLoadCase DecodeSettingsLoadCase(ByteReader& in) {
  SettingsLoadCase c;
  const std::uint8_t flags = in.Byte();
  c.machineKeyRefused = (flags & 1) != 0;
  c.userKeyRefused = (flags & 2) != 0;
  c.channelRefused = (flags & 4) != 0;
  c.refusedCodes = in.Word();
  const std::uint16_t volume = in.Word();
  if ((flags & 8) != 0) c.mixerVolume = volume;
  for (auto& value : c.values) {
    const std::uint8_t tag = in.Byte();
    if (tag == 0) continue;
    StoredData stored;
    stored.type = in.Byte();
    stored.data = in.Bytes(static_cast<std::size_t>(tag - 1) % (kLongestData + 1));
    value = stored;
  }
  return c;
}

inline std::vector<std::uint8_t> EncodeSettingsLoadCase(const SettingsLoadCase& c) {
  ByteWriter out;
  out.Byte(static_cast<std::uint8_t>((c.machineKeyRefused ? 1 : 0) | (c.userKeyRefused ? 2 : 0) |
                                     (c.channelRefused ? 4 : 0) | (c.mixerVolume ? 8 : 0)));
  out.Word(c.refusedCodes);
  out.Word(c.mixerVolume.value_or(0));
  for (const auto& value : c.values) {
    if (!value) {
      out.Byte(0);
      continue;
    }
    out.Byte(static_cast<std::uint8_t>(value->data.size() + 1));
    out.Byte(value->type);
    out.Bytes(value->data);
  }
  return out.bytes;
}

}  // namespace quendal::fuzz
