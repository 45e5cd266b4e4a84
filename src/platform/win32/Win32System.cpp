#include "platform/win32/Win32System.h"

#include <windows.h>

#include <mmsystem.h>

namespace quendal {

namespace {

constexpr std::size_t kLongestPath = 32768;

}  // namespace

std::string Win32System::ExecutablePath() const {
  // GetModuleFileNameA cuts a path that does not fit, so a full buffer means: try larger.
  std::string path(MAX_PATH, '\0');
  while (path.size() <= kLongestPath) {
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
  return {};
}

unsigned Win32System::MajorVersion() const { return LOBYTE(LOWORD(GetVersion())); }

void Win32System::Sleep(unsigned milliseconds) { ::Sleep(milliseconds); }

std::uint32_t Win32System::Milliseconds() const { return timeGetTime(); }

}  // namespace quendal
