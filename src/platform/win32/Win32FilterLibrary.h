// The filter-support library over LoadLibraryExW, GetProcAddress, GetLastError and FreeLibrary,
// with the process's library search made safe at start.
#pragma once

#include "platform/FilterLibrary.h"

namespace quendal {

class Win32FilterLibrary : public FilterLibrary {
 public:
  // Takes the current folder and PATH out of every later search by bare name in the process;
  // called once, first thing at start.
  static void ConfineProcessSearch();

  bool CanConfineSearch() const override;
  LibraryHandle Load(const std::wstring& path, DependencySearch search) override;
  LibraryExport Find(LibraryHandle library, const char* name) override;
  int Call(LibraryExport function) override;
  std::uint32_t LastError() const override;
  void Free(LibraryHandle library) override;
};

}  // namespace quendal
