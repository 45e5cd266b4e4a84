#include "SimClient.h"

#include "SimProtocol.h"

namespace quendal::sim {

SimClient::SimClient()
    : handle_(CreateFileA(kSimControlPath, GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr)) {
}

SimClient::~SimClient() {
  if (IsOpen()) CloseHandle(handle_);
}

bool SimClient::Send(std::uint32_t code, const void* input, std::uint32_t inputSize, void* output,
                     std::uint32_t outputSize) {
  DWORD returned = 0;
  return DeviceIoControl(handle_, code, const_cast<void*>(input), inputSize, output, outputSize,
                         &returned, nullptr) != FALSE;
}

}  // namespace quendal::sim
