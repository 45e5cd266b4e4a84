// A scriptable driver behind the device I/O port: it records every open and request, answers
// per control code, can refuse opening or any code, and counts handles so that tests can prove
// that nothing leaks and nothing is sent on a closed handle.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/DeviceIo.h"

namespace quendal::test {

struct DeviceRequest {
  DeviceHandle handle;
  std::uint32_t code;
  std::vector<std::uint8_t> input;
  std::uint32_t outputSize;
  bool outputZeroedOnEntry;
};

class FakeDeviceIo : public DeviceIo {
 public:
  DeviceHandle Open(const char* path, DeviceAccess access) override;
  bool Control(DeviceHandle device, std::uint32_t code, const void* input, std::uint32_t inputSize,
               void* output, std::uint32_t outputSize, std::uint32_t& bytesReturned) override;
  void Close(DeviceHandle device) override;

  // Script.
  bool refuseOpen = false;
  std::set<std::uint32_t> refusedCodes;
  std::map<std::uint32_t, std::vector<std::uint8_t>> replies;  // bytes the driver writes back

  // Observations.
  std::vector<DeviceRequest> requests;
  std::vector<std::string> openedPaths;
  std::vector<DeviceAccess> openedAccess;
  int misuses = 0;  // requests or closes on a handle that is not open

  std::vector<std::uint32_t> Codes() const;
  int OpenHandles() const { return static_cast<int>(m_open.size()); }
  void ClearLog() { requests.clear(); }

 private:
  std::set<DeviceHandle> m_open;
  DeviceHandle m_next = 0x100;
};

}  // namespace quendal::test
