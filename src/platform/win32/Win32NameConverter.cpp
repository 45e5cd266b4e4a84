#include "platform/win32/Win32NameConverter.h"

#include <windows.h>

namespace quendal {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16");

std::optional<std::string> Win32NameConverter::ToAnsi(std::u16string_view name) {
  // The whole string with its terminator: first the size, then the conversion into it.
  const std::wstring wide(name.begin(), name.end());
  const int size = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::nullopt;
  std::string ansi(static_cast<std::size_t>(size), '\0');
  if (WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, ansi.data(), size, nullptr, nullptr) !=
      size) {
    return std::nullopt;
  }
  ansi.pop_back();
  return ansi;
}

}  // namespace quendal
