// The settings key: every setting that survives a restart, as a 32-bit value in one registry
// key. Each window that has settings holds its own SettingsKey from its creation to its end.
#pragma once

#include <cstdint>

#include "platform/Registry.h"
#include "platform/StringTable.h"

namespace quendal {

// One value of the key: its name and the default written when it cannot be read.
struct SettingsValue {
  const char* name;
  std::uint32_t defaultData;
};

// The bits of the single 1.0: unity gain, 0 dB.
inline constexpr std::uint32_t kUnityGainBits = 0x3F800000;

namespace settings {
inline constexpr SettingsValue kEnableFilter{"EnableFilter", 1};
inline constexpr SettingsValue kOutputMode{"OutputMode", 1};
inline constexpr SettingsValue kBassOutputMode{"BassOutputMode", 0};
inline constexpr SettingsValue kSystemVolume{"SystemVolume", 1};
inline constexpr SettingsValue kFilterVolume{"FilterVolume", 1};
inline constexpr SettingsValue kVolumeL{"VolumeL", kUnityGainBits};
inline constexpr SettingsValue kVolumeR{"VolumeR", kUnityGainBits};
inline constexpr SettingsValue kVolumeLFE{"VolumeLFE", kUnityGainBits};
inline constexpr SettingsValue kVolumeC{"VolumeC", kUnityGainBits};
inline constexpr SettingsValue kVolumeRL{"VolumeRL", kUnityGainBits};
inline constexpr SettingsValue kVolumeRR{"VolumeRR", kUnityGainBits};
inline constexpr SettingsValue kTestMode{"TestMode", 2};
inline constexpr SettingsValue kTestBtnStatus{"TestBtnStatus", 0};
}  // namespace settings

inline constexpr char kSettingsKeyClass[] = "Narvo";

class SettingsKey {
 public:
  SettingsKey(Registry& registry, const StringTable& strings)
      : m_registry(registry), m_strings(strings) {}
  ~SettingsKey() { Close(); }
  SettingsKey(const SettingsKey&) = delete;
  SettingsKey& operator=(const SettingsKey&) = delete;

  // Creates or opens the key to query and set its values: the machine-wide key when this user
  // may, otherwise the same path for the current user. When neither opens the key stays closed:
  // every read gives the default and every write is dropped, silently.
  void Open();
  void Close();
  bool IsOpen() const { return m_key != kNoRegistryKey; }

  // The stored data; false when it cannot be read as 4 bytes (missing, longer or shorter).
  bool TryRead(const SettingsValue& value, std::uint32_t& data);
  // The same through the caller's byte count: the buffer size on entry (at most 4 bytes are
  // read), the size of the data found once the value was reached.
  bool TryRead(const SettingsValue& value, std::uint32_t& data, std::uint32_t& cbData);
  // The stored data, or the default, which is then written back at once.
  std::uint32_t ReadOrDefault(const SettingsValue& value);
  std::uint32_t ReadOrDefault(const SettingsValue& value, std::uint32_t& cbData);
  // Writes a REG_DWORD; the result is not examined and the key is not flushed.
  void Write(const SettingsValue& value, std::uint32_t data);

 private:
  Registry& m_registry;
  const StringTable& m_strings;
  RegistryKeyHandle m_key = kNoRegistryKey;
};

}  // namespace quendal
