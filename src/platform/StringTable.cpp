#include "platform/StringTable.h"

#include <cstdint>

namespace quendal {

std::string NarrowAscii(const std::wstring& text) {
  std::string narrow;
  narrow.reserve(text.size());
  for (wchar_t c : text) {
    const auto code = static_cast<std::uint32_t>(c);
    narrow.push_back(code < 0x80 ? static_cast<char>(code) : '?');
  }
  return narrow;
}

}  // namespace quendal
