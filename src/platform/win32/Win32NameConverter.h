// USB names to the ANSI code page over WideCharToMultiByte(CP_ACP).
#pragma once

#include "platform/NameConverter.h"

namespace quendal {

class Win32NameConverter : public NameConverter {
 public:
  std::optional<std::string> ToAnsi(std::u16string_view name) override;
};

}  // namespace quendal
