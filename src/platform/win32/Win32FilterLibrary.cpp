#include "platform/win32/Win32FilterLibrary.h"

#include <windows.h>

namespace quendal {

namespace {

// Both exports take nothing and return a 32-bit int.
using ExportFunction = int(WINAPI*)();

HMODULE ToModule(LibraryHandle library) { return reinterpret_cast<HMODULE>(library); }

}  // namespace

LibraryHandle Win32FilterLibrary::Load(const std::string& path) {
  return reinterpret_cast<LibraryHandle>(LoadLibraryA(path.c_str()));
}

LibraryExport Win32FilterLibrary::Find(LibraryHandle library, const char* name) {
  return reinterpret_cast<LibraryExport>(GetProcAddress(ToModule(library), name));
}

int Win32FilterLibrary::Call(LibraryExport function) {
  // A failure that leaves no code of its own must not show whatever an earlier call left.
  SetLastError(ERROR_SUCCESS);
  return reinterpret_cast<ExportFunction>(function)();
}

std::uint32_t Win32FilterLibrary::LastError() const { return GetLastError(); }

void Win32FilterLibrary::Free(LibraryHandle library) { FreeLibrary(ToModule(library)); }

static_assert(sizeof(LibraryHandle) == sizeof(HMODULE));
static_assert(sizeof(LibraryExport) == sizeof(FARPROC));

}  // namespace quendal
