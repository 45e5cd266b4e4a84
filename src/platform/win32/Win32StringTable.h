// The program's string table through LoadStringW on its own module.
#pragma once

#include "platform/StringTable.h"

namespace quendal {

class Win32StringTable : public StringTable {
 public:
  std::wstring Load(unsigned id) const override;
};

}  // namespace quendal
