#include "platform/StringTable.h"

namespace quendal {

std::string NarrowAscii(const std::wstring& text) {
  std::string narrow;
  narrow.reserve(text.size());
  for (wchar_t c : text) narrow.push_back(c >= 0 && c < 0x80 ? static_cast<char>(c) : '?');
  return narrow;
}

}  // namespace quendal
