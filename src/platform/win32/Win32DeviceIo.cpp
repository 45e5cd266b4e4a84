#include "platform/win32/Win32DeviceIo.h"

#include <windows.h>

namespace quendal {

namespace {

HANDLE ToHandle(DeviceHandle device) { return reinterpret_cast<HANDLE>(device); }

}  // namespace

DeviceHandle Win32DeviceIo::Open(const char* path, DeviceAccess access) {
  const bool control = access == DeviceAccess::kReadWriteShared;
  const DWORD desired = control ? GENERIC_READ | GENERIC_WRITE : GENERIC_WRITE;
  const DWORD share = control ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_WRITE;
  HANDLE handle = CreateFileA(path, desired, share, nullptr, OPEN_EXISTING, 0, nullptr);
  return reinterpret_cast<DeviceHandle>(handle);
}

bool Win32DeviceIo::Control(DeviceHandle device, std::uint32_t code, const void* input,
                            std::uint32_t inputSize, void* output, std::uint32_t outputSize,
                            std::uint32_t& bytesReturned) {
  DWORD returned = 0;
  const BOOL accepted = DeviceIoControl(ToHandle(device), code, const_cast<void*>(input), inputSize,
                                        output, outputSize, &returned, nullptr);
  bytesReturned = returned;
  return accepted != FALSE;
}

void Win32DeviceIo::Close(DeviceHandle device) { CloseHandle(ToHandle(device)); }

static_assert(sizeof(DeviceHandle) == sizeof(HANDLE));

}  // namespace quendal
