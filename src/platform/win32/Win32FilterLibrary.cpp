#include "platform/win32/Win32FilterLibrary.h"

#include <windows.h>

namespace quendal {

namespace {

// Both exports take nothing and return a 32-bit int.
using ExportFunction = int(WINAPI*)();
using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

HMODULE ToModule(LibraryHandle library) { return reinterpret_cast<HMODULE>(library); }

// Present on Windows 8 and later, and on Vista and 7 with the update that also taught
// LoadLibraryExW its LOAD_LIBRARY_SEARCH_ flags; so its presence tells whether they work.
SetDefaultDllDirectoriesFunction FindSetDefaultDllDirectories() {
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (kernel == nullptr) return nullptr;
  return reinterpret_cast<SetDefaultDllDirectoriesFunction>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
}

}  // namespace

void Win32FilterLibrary::ConfineProcessSearch() {
  // The program's own folder stays: the maker's library lives there and may load its helpers
  // from it by bare name.
  if (SetDefaultDllDirectoriesFunction setDefault = FindSetDefaultDllDirectories()) {
    setDefault(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    return;
  }
  // Older systems can only drop the current folder; PATH stays at the end of their order.
  SetDllDirectoryW(L"");
}

bool Win32FilterLibrary::CanConfineSearch() const {
  return FindSetDefaultDllDirectories() != nullptr;
}

LibraryHandle Win32FilterLibrary::Load(const std::wstring& path, DependencySearch search) {
  const DWORD flags = search == DependencySearch::kOwnFolderAndSystem
                          ? LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32
                          : LOAD_WITH_ALTERED_SEARCH_PATH;
  return reinterpret_cast<LibraryHandle>(LoadLibraryExW(path.c_str(), nullptr, flags));
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
