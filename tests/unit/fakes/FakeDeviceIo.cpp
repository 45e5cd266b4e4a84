#include "fakes/FakeDeviceIo.h"

#include <algorithm>
#include <cstring>

namespace quendal::test {

DeviceHandle FakeDeviceIo::Open(const char* path, DeviceAccess access) {
  openedPaths.emplace_back(path);
  openedAccess.push_back(access);
  if (refuseOpen) return kInvalidDeviceHandle;
  const DeviceHandle handle = m_next;
  m_next += 4;
  m_open.insert(handle);
  return handle;
}

bool FakeDeviceIo::Control(DeviceHandle device, std::uint32_t code, const void* input,
                           std::uint32_t inputSize, void* output, std::uint32_t outputSize,
                           std::uint32_t& bytesReturned) {
  if (!m_open.contains(device)) ++misuses;
  const auto* in = static_cast<const std::uint8_t*>(input);
  const auto* out = static_cast<const std::uint8_t*>(output);
  const bool zeroed = out == nullptr || std::all_of(out, out + outputSize,
                                                    [](std::uint8_t b) { return b == 0; });
  requests.push_back({device, code, std::vector<std::uint8_t>(in, in + (in ? inputSize : 0)),
                      outputSize, zeroed});
  bytesReturned = 0;
  if (refusedCodes.contains(code)) return false;
  if (const auto reply = replies.find(code); reply != replies.end() && output != nullptr) {
    const auto size = std::min<std::size_t>(reply->second.size(), outputSize);
    if (size > 0) std::memcpy(output, reply->second.data(), size);
    bytesReturned = static_cast<std::uint32_t>(size);
  }
  return true;
}

void FakeDeviceIo::Close(DeviceHandle device) {
  if (m_open.erase(device) == 0) ++misuses;
}

std::vector<std::uint32_t> FakeDeviceIo::Codes() const {
  std::vector<std::uint32_t> codes;
  for (const DeviceRequest& request : requests) codes.push_back(request.code);
  return codes;
}

}  // namespace quendal::test
