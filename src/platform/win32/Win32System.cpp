#include "platform/win32/Win32System.h"

#include <windows.h>

#include <mmsystem.h>

namespace quendal {

namespace {

constexpr std::size_t kLongestPath = 32768;

}  // namespace

std::wstring Win32System::ExecutablePath() const {
  // GetModuleFileNameW cuts a path that does not fit, so a full buffer means: try larger.
  std::wstring path(MAX_PATH, L'\0');
  while (path.size() <= kLongestPath) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
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
