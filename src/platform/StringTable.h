// Port onto the program's string table.
#pragma once

#include <string>

namespace quendal {

class StringTable {
 public:
  virtual ~StringTable() = default;

  // The entry's text; empty when the table has no such entry.
  virtual std::wstring Load(unsigned id) const = 0;
};

// Narrows text that is known to be ASCII (registry paths, value names); other characters
// become '?'.
std::string NarrowAscii(const std::wstring& text);

}  // namespace quendal
