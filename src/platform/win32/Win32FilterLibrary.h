// The filter-support library over LoadLibraryA, GetProcAddress, GetLastError and FreeLibrary.
#pragma once

#include "platform/FilterLibrary.h"

namespace quendal {

class Win32FilterLibrary : public FilterLibrary {
 public:
  LibraryHandle Load(const std::string& path) override;
  LibraryExport Find(LibraryHandle library, const char* name) override;
  int Call(LibraryExport function) override;
  std::uint32_t LastError() const override;
  void Free(LibraryHandle library) override;
};

}  // namespace quendal
