#include "fakes/FakeRegistry.h"

#include <cstring>

#include "device/LittleEndian.h"

namespace quendal::test {

RegistryKeyHandle FakeRegistry::CreateKey(RegistryRoot root, const std::string& path,
                                          const char* keyClass) {
  keyClasses.emplace_back(keyClass);
  if (refusedRoots.contains(root)) return kNoRegistryKey;
  m_keys[{root, path}];
  const RegistryKeyHandle handle = m_next++;
  m_handles.emplace(handle, KeyId{root, path});
  return handle;
}

bool FakeRegistry::QueryValue(RegistryKeyHandle key, const char* name, void* data,
                              std::uint32_t& size) {
  const auto handle = m_handles.find(key);
  if (handle == m_handles.end()) {
    ++misuses;
    return false;
  }
  const Values& values = m_keys[handle->second];
  const auto value = values.find(name);
  if (value == values.end()) return false;
  const auto stored = static_cast<std::uint32_t>(value->second.data.size());
  if (stored > size) {
    size = stored;
    return false;
  }
  // An empty value has no data pointer to copy from.
  if (stored > 0) std::memcpy(data, value->second.data.data(), stored);
  size = stored;
  return true;
}

bool FakeRegistry::SetDwordValue(RegistryKeyHandle key, const char* name, std::uint32_t data) {
  const auto handle = m_handles.find(key);
  if (handle == m_handles.end()) {
    ++misuses;
    return false;
  }
  std::vector<std::uint8_t> bytes(4);
  PutLittleEndian32(bytes.data(), data);
  m_keys[handle->second][name] = {kRegDword, bytes};
  writes.emplace_back(name);
  return true;
}

void FakeRegistry::CloseKey(RegistryKeyHandle key) {
  if (m_handles.erase(key) == 0) ++misuses;
}

void FakeRegistry::Put(const std::string& name, std::uint32_t type,
                       std::vector<std::uint8_t> data, RegistryRoot root) {
  m_keys[{root, kSettingsPath}][name] = {type, std::move(data)};
}

void FakeRegistry::PutDword(const std::string& name, std::uint32_t data, RegistryRoot root) {
  std::vector<std::uint8_t> bytes(4);
  PutLittleEndian32(bytes.data(), data);
  Put(name, kRegDword, bytes, root);
}

std::optional<std::uint32_t> FakeRegistry::Dword(const std::string& name,
                                                 RegistryRoot root) const {
  const Values& values = ValuesAt(root);
  const auto value = values.find(name);
  if (value == values.end() || value->second.data.size() != 4) return std::nullopt;
  return GetLittleEndian32(value->second.data.data());
}

const FakeRegistry::Values& FakeRegistry::ValuesAt(RegistryRoot root) const {
  static const Values kEmpty;
  const auto key = m_keys.find({root, kSettingsPath});
  return key == m_keys.end() ? kEmpty : key->second;
}

}  // namespace quendal::test
