// Port onto the maker's filter-support library: load it from a full path, look up an export by
// name, call it, read the error code it left, free it. The Win32 adapter uses LoadLibraryExW,
// GetProcAddress, GetLastError and FreeLibrary.
#pragma once

#include <cstdint>
#include <string>

namespace quendal {

// Opaque library handle (an HMODULE's bits); zero means not loaded.
using LibraryHandle = std::uintptr_t;
// Opaque export (a function pointer's bits); zero means missing.
using LibraryExport = std::uintptr_t;

// Where a load looks for the libraries that the loaded one depends on.
enum class DependencySearch {
  // The loaded library's own folder and the system folder, nothing else.
  kOwnFolderAndSystem,
  // The loaded library's own folder first, then the system's usual order.
  kOwnFolderFirst,
};

class FilterLibrary {
 public:
  virtual ~FilterLibrary() = default;

  // Whether a load can be confined to named folders: Windows 8 and later, and Windows Vista
  // and 7 with the update that brought it.
  virtual bool CanConfineSearch() const = 0;
  virtual LibraryHandle Load(const std::wstring& path, DependencySearch search) = 0;
  virtual LibraryExport Find(LibraryHandle library, const char* name) = 0;
  // Calls an export that takes no arguments and returns a 32-bit int.
  virtual int Call(LibraryExport function) = 0;
  // The thread's last-error code as the last call left it.
  virtual std::uint32_t LastError() const = 0;
  virtual void Free(LibraryHandle library) = 0;
};

}  // namespace quendal
