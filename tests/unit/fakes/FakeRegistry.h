// An in-memory registry: keys by root and path, values of any type and size, roots that refuse
// opening or grant only some rights, and a count of open key handles. A handle can do only what
// it was opened for: a read or write beyond its rights fails and counts as a misuse.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/Registry.h"

namespace quendal::test {

inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr char kSettingsPath[] = "SOFTWARE\\HALVORIN\\Quendal5.1RIR\\Filter\\";

struct StoredValue {
  std::uint32_t type;
  std::vector<std::uint8_t> data;
};

class FakeRegistry : public Registry {
 public:
  using Values = std::map<std::string, StoredValue>;

  RegistryKeyHandle CreateKey(RegistryRoot root, const std::string& path, const char* keyClass,
                              std::uint32_t access) override;
  bool QueryValue(RegistryKeyHandle key, const char* name, void* data,
                  std::uint32_t& size) override;
  bool SetDwordValue(RegistryKeyHandle key, const char* name, std::uint32_t data) override;
  void CloseKey(RegistryKeyHandle key) override;

  // Script.
  std::set<RegistryRoot> refusedRoots;
  // The rights the key under a root grants this user (KEY_* bits); every right when unset.
  // Asking for a right it does not grant is refused, as Windows answers access denied.
  std::map<RegistryRoot, std::uint32_t> grantedAccess;
  void Put(const std::string& name, std::uint32_t type, std::vector<std::uint8_t> data,
           RegistryRoot root = RegistryRoot::kLocalMachine);
  void PutDword(const std::string& name, std::uint32_t data,
                RegistryRoot root = RegistryRoot::kLocalMachine);

  // Observations.
  std::optional<std::uint32_t> Dword(const std::string& name,
                                     RegistryRoot root = RegistryRoot::kLocalMachine) const;
  const Values& ValuesAt(RegistryRoot root) const;
  std::vector<std::string> writes;  // value names in the order written
  std::vector<std::string> keyClasses;
  std::vector<std::uint32_t> requestedAccess;  // the rights each CreateKey asked for
  int OpenKeys() const { return static_cast<int>(m_handles.size()); }
  int misuses = 0;

 private:
  using KeyId = std::pair<RegistryRoot, std::string>;
  struct OpenKey {
    KeyId key;
    std::uint32_t access;
  };
  // The key behind an open handle that was opened with `right`; null, and a misuse, otherwise.
  const KeyId* Use(RegistryKeyHandle key, std::uint32_t right);

  std::map<KeyId, Values> m_keys;
  std::map<RegistryKeyHandle, OpenKey> m_handles;
  RegistryKeyHandle m_next = 0x10;
};

}  // namespace quendal::test
