#include "platform/win32/Win32StringTable.h"

#include <windows.h>

namespace quendal {

std::wstring Win32StringTable::Load(unsigned id) const {
  // With a zero length LoadStringW hands out a read-only pointer to the resource itself, so
  // texts of any length come back whole.
  const wchar_t* text = nullptr;
  const int length =
      LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<wchar_t*>(&text), 0);
  return length > 0 ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
}

}  // namespace quendal
