#include "fakes/FakeRegistry.h"

#include <algorithm>

#include "device/LittleEndian.h"
#include "platform/WindowsValues.h"

namespace quendal::test {

RegistryKeyHandle FakeRegistry::CreateKey(RegistryRoot root, const std::string& path,
                                          const char* keyClass, std::uint32_t access) {
  keyClasses.emplace_back(keyClass);
  requestedAccess.push_back(access);
  if (refusedRoots.contains(root)) return kNoRegistryKey;
  const auto granted = grantedAccess.find(root);
  if (granted != grantedAccess.end() && (access & ~granted->second) != 0) return kNoRegistryKey;
  m_keys[{root, path}];
  const RegistryKeyHandle handle = m_next++;
  m_handles.emplace(handle, OpenKey{{root, path}, access});
  return handle;
}

const FakeRegistry::KeyId* FakeRegistry::Use(RegistryKeyHandle key, std::uint32_t right) {
  const auto handle = m_handles.find(key);
  if (handle == m_handles.end() || (handle->second.access & right) == 0) {
    ++misuses;
    return nullptr;
  }
  return &handle->second.key;
}

bool FakeRegistry::QueryValue(RegistryKeyHandle key, const char* name, void* data,
                              std::uint32_t& size) {
  const KeyId* id = Use(key, kKeyQueryValue);
  if (id == nullptr) return false;
  const Values& values = m_keys[*id];
  const auto value = values.find(name);
  if (value == values.end()) return false;
  const auto stored = static_cast<std::uint32_t>(value->second.data.size());
  if (stored > size) {
    size = stored;
    return false;
  }
  std::copy(value->second.data.begin(), value->second.data.end(), static_cast<std::uint8_t*>(data));
  size = stored;
  return true;
}

bool FakeRegistry::SetDwordValue(RegistryKeyHandle key, const char* name, std::uint32_t data) {
  const KeyId* id = Use(key, kKeySetValue);
  if (id == nullptr) return false;
  std::vector<std::uint8_t> bytes(4);
  PutLittleEndian32(bytes.data(), data);
  m_keys[*id][name] = {kRegDword, bytes};
  writes.emplace_back(name);
  return true;
}

void FakeRegistry::CloseKey(RegistryKeyHandle key) {
  if (m_handles.erase(key) == 0) ++misuses;
}

void FakeRegistry::Put(const std::string& name, std::uint32_t type, std::vector<std::uint8_t> data,
                       RegistryRoot root) {
  m_keys[{root, kSettingsPath}][name] = {type, std::move(data)};
}

void FakeRegistry::PutDword(const std::string& name, std::uint32_t data, RegistryRoot root) {
  std::vector<std::uint8_t> bytes(4);
  PutLittleEndian32(bytes.data(), data);
  Put(name, kRegDword, bytes, root);
}

std::optional<std::uint32_t> FakeRegistry::Dword(const std::string& name, RegistryRoot root) const {
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
