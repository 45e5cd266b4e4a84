// Device I/O over CreateFileA, DeviceIoControl and CloseHandle.
#pragma once

#include "platform/DeviceIo.h"

namespace quendal {

class Win32DeviceIo : public DeviceIo {
 public:
  DeviceHandle Open(const char* path, DeviceAccess access) override;
  bool Control(DeviceHandle device, std::uint32_t code, const void* input, std::uint32_t inputSize,
               void* output, std::uint32_t outputSize, std::uint32_t& bytesReturned) override;
  void Close(DeviceHandle device) override;
};

}  // namespace quendal
