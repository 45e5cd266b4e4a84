// The ANSI conversion of USB names: the fake bus's names are ASCII and stay as they are;
// chosen names can be refused, as WideCharToMultiByte may refuse.
#pragma once

#include <set>
#include <string>

#include "platform/NameConverter.h"

namespace quendal::test {

class FakeNameConverter : public NameConverter {
 public:
  std::optional<std::string> ToAnsi(std::u16string_view name) override {
    ++conversions;
    if (refused.contains(std::u16string(name))) return std::nullopt;
    std::string ansi;
    for (char16_t c : name) ansi.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return ansi;
  }

  std::set<std::u16string> refused;
  int conversions = 0;
};

}  // namespace quendal::test
