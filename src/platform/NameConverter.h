// Port onto the conversion of the wide-character names that the USB requests return into the
// ANSI code page, in which device paths are opened. The Win32 adapter uses WideCharToMultiByte
// with CP_ACP, which can fail.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quendal {

class NameConverter {
 public:
  virtual ~NameConverter() = default;

  // The name (without its terminator) in the ANSI code page; nothing when it cannot be
  // converted.
  virtual std::optional<std::string> ToAnsi(std::u16string_view name) = 0;
};

}  // namespace quendal
