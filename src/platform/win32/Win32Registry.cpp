#include "platform/win32/Win32Registry.h"

#include <windows.h>

#include "platform/WindowsValues.h"

namespace quendal {

namespace {

static_assert(kKeyQueryValue == KEY_QUERY_VALUE && kKeySetValue == KEY_SET_VALUE);

HKEY ToKey(RegistryKeyHandle key) { return reinterpret_cast<HKEY>(key); }

}  // namespace

RegistryKeyHandle Win32Registry::CreateKey(RegistryRoot root, const std::string& path,
                                           const char* keyClass, std::uint32_t access) {
  HKEY rootKey = root == RegistryRoot::kLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  HKEY key = nullptr;
  DWORD disposition = 0;
  const LONG result = RegCreateKeyExA(rootKey, path.c_str(), 0, const_cast<char*>(keyClass),
                                      REG_OPTION_NON_VOLATILE, access, nullptr, &key, &disposition);
  return result == ERROR_SUCCESS ? reinterpret_cast<RegistryKeyHandle>(key) : kNoRegistryKey;
}

bool Win32Registry::QueryValue(RegistryKeyHandle key, const char* name, void* data,
                               std::uint32_t& size) {
  DWORD bytes = size;
  const LONG result =
      RegQueryValueExA(ToKey(key), name, nullptr, nullptr, static_cast<BYTE*>(data), &bytes);
  size = bytes;
  return result == ERROR_SUCCESS;
}

bool Win32Registry::SetDwordValue(RegistryKeyHandle key, const char* name, std::uint32_t data) {
  const DWORD value = data;
  return RegSetValueExA(ToKey(key), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                        sizeof value) == ERROR_SUCCESS;
}

void Win32Registry::CloseKey(RegistryKeyHandle key) { RegCloseKey(ToKey(key)); }

}  // namespace quendal
