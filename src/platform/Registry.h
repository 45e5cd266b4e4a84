// Port onto the registry: create or open a key with the rights asked for, read raw value data,
// write a REG_DWORD, close the key.
#pragma once

#include <cstdint>
#include <string>

namespace quendal {

// Opaque key handle; carries the bits of an HKEY. Zero means no key.
using RegistryKeyHandle = std::uintptr_t;
inline constexpr RegistryKeyHandle kNoRegistryKey = 0;

enum class RegistryRoot { kLocalMachine, kCurrentUser };

class Registry {
 public:
  virtual ~Registry() = default;

  // Creates the key if missing and opens it with `access` (kKeyQueryValue, kKeySetValue);
  // kNoRegistryKey on failure, including when the key does not grant those rights.
  virtual RegistryKeyHandle CreateKey(RegistryRoot root, const std::string& path,
                                      const char* keyClass, std::uint32_t access) = 0;

  // Reads a value's data of any type into `data`; `size` holds the buffer size on entry and the
  // size of the data on success. False when the value is missing or larger than the buffer.
  virtual bool QueryValue(RegistryKeyHandle key, const char* name, void* data,
                          std::uint32_t& size) = 0;

  virtual bool SetDwordValue(RegistryKeyHandle key, const char* name, std::uint32_t data) = 0;

  virtual void CloseKey(RegistryKeyHandle key) = 0;
};

}  // namespace quendal
