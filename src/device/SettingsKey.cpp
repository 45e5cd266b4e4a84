#include "device/SettingsKey.h"

#include "device/LittleEndian.h"
#include "platform/WindowsValues.h"
#include "resource_ids.h"

namespace quendal {

void SettingsKey::Open() {
  Close();
  const std::string path = NarrowAscii(m_strings.Load(IDS_SETTINGS_KEY_PATH));
  // Only the rights the key's holder uses: a machine-wide key that an installer opened to users
  // for its values alone refuses any more. Creating the key missing needs the right to create
  // subkeys of its parent, which the system checks on the parent, not through this mask.
  constexpr std::uint32_t kAccess = kKeyQueryValue | kKeySetValue;
  // A standard user cannot create the machine-wide key, and a 64-bit process gets no registry
  // virtualization; without this fallback every setting would be lost.
  m_key = m_registry.CreateKey(RegistryRoot::kLocalMachine, path, kSettingsKeyClass, kAccess);
  if (m_key == kNoRegistryKey) {
    m_key = m_registry.CreateKey(RegistryRoot::kCurrentUser, path, kSettingsKeyClass, kAccess);
  }
}

void SettingsKey::Close() {
  if (!IsOpen()) return;
  m_registry.CloseKey(m_key);
  m_key = kNoRegistryKey;
}

bool SettingsKey::TryRead(const SettingsValue& value, std::uint32_t& data) {
  std::uint32_t cbData = sizeof data;
  return TryRead(value, data, cbData);
}

bool SettingsKey::TryRead(const SettingsValue& value, std::uint32_t& data, std::uint32_t& cbData) {
  if (!IsOpen()) return false;
  std::uint8_t bytes[4] = {};
  if (cbData > sizeof bytes) cbData = sizeof bytes;
  // Shorter data would leave the member half-written, so it counts as a failed read.
  if (!m_registry.QueryValue(m_key, value.name, bytes, cbData) || cbData != sizeof bytes) {
    return false;
  }
  data = GetLittleEndian32(bytes);
  return true;
}

std::uint32_t SettingsKey::ReadOrDefault(const SettingsValue& value) {
  std::uint32_t cbData = sizeof value.defaultData;
  return ReadOrDefault(value, cbData);
}

std::uint32_t SettingsKey::ReadOrDefault(const SettingsValue& value, std::uint32_t& cbData) {
  std::uint32_t data = 0;
  if (TryRead(value, data, cbData)) return data;
  Write(value, value.defaultData);
  return value.defaultData;
}

void SettingsKey::Write(const SettingsValue& value, std::uint32_t data) {
  if (IsOpen()) m_registry.SetDwordValue(m_key, value.name, data);
}

}  // namespace quendal
