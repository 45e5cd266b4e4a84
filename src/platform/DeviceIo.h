// Port onto the system's device I/O: open a device by path, send it synchronous control
// requests, close it. One Win32 adapter (CreateFileA, DeviceIoControl, CloseHandle) and one
// scriptable fake for the tests.
#pragma once

#include <cstdint>

namespace quendal {

// Opaque device handle; carries the bits of a Windows HANDLE.
using DeviceHandle = std::intptr_t;

// Same bits as INVALID_HANDLE_VALUE: the holder has no open handle.
inline constexpr DeviceHandle kInvalidDeviceHandle = -1;

enum class DeviceAccess {
  kReadWriteShared,  // the driver control channel: read and write access, shared both ways
  kWriteShared,      // USB host controllers and hubs: write access, shared for writing
};

class DeviceIo {
 public:
  virtual ~DeviceIo() = default;

  // Opens an existing device; kInvalidDeviceHandle when it does not open.
  virtual DeviceHandle Open(const char* path, DeviceAccess access) = 0;

  // One synchronous control request; true when the device accepted it.
  virtual bool Control(DeviceHandle device, std::uint32_t code, const void* input,
                       std::uint32_t inputSize, void* output, std::uint32_t outputSize,
                       std::uint32_t& bytesReturned) = 0;

  virtual void Close(DeviceHandle device) = 0;
};

}  // namespace quendal
