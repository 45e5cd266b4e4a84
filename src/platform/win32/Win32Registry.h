// The registry over RegCreateKeyExA, RegQueryValueExA, RegSetValueExA and RegCloseKey.
#pragma once

#include "platform/Registry.h"

namespace quendal {

class Win32Registry : public Registry {
 public:
  RegistryKeyHandle CreateKey(RegistryRoot root, const std::string& path, const char* keyClass,
                              std::uint32_t access) override;
  bool QueryValue(RegistryKeyHandle key, const char* name, void* data,
                  std::uint32_t& size) override;
  bool SetDwordValue(RegistryKeyHandle key, const char* name, std::uint32_t data) override;
  void CloseKey(RegistryKeyHandle key) override;
};

}  // namespace quendal
