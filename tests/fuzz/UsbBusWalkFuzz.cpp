// The USB walk against a bus whose every answer comes from the fuzzer: whether a controller
// or hub opens, whether each request succeeds, the bytes it writes back and the byte count it
// claims, and whether a name converts. The walk must stay inside its buffers (the sanitizers
// watch), send nothing on a closed handle, leave every handle it opened closed, open nothing
// but a device name without a path in it, open each name once, and keep to its budget of
// requests.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "device/UsbBusWalk.h"

namespace quendal {
namespace {

void Require(bool holds) {
  if (!holds) std::abort();
}

class FuzzedBus : public DeviceIo {
 public:
  explicit FuzzedBus(FuzzedDataProvider& data) : m_data(data) {}
  ~FuzzedBus() override {
    Require(m_open.empty());
    Require(m_requests <= UsbBusWalk::kRequestBudget);
  }

  DeviceHandle Open(const char* path, DeviceAccess access) override {
    Require(path != nullptr && std::strlen(path) < UsbBusWalk::kHubPathSize);
    Require(access == DeviceAccess::kWriteShared);
    constexpr std::string_view kPrefix = "\\\\.\\";
    const std::string_view name(path);
    Require(name.starts_with(kPrefix));
    const std::string_view device = name.substr(kPrefix.size());
    Require(device.find_first_of("\\/:") == std::string_view::npos);
    Require(device.find("..") == std::string_view::npos);
    // A reply may name a controller as a hub; the controller itself is opened in its turn.
    const bool controller =
        device.size() == 4 && device.starts_with("HCD") && device[3] >= '0' && device[3] <= '9';
    Require(++m_opened[std::string(device)] <= (controller ? 2 : 1));
    if (!m_data.ConsumeBool()) return kInvalidDeviceHandle;
    const DeviceHandle handle = m_next++;
    m_open.insert(handle);
    return handle;
  }

  bool Control(DeviceHandle device, std::uint32_t, const void* input, std::uint32_t inputSize,
               void* output, std::uint32_t outputSize, std::uint32_t& bytesReturned) override {
    Require(m_open.contains(device));
    ++m_requests;
    // Touch every byte the walk claims to hand over, so that the sanitizers see a lie.
    std::vector<std::uint8_t> seen(
        static_cast<const std::uint8_t*>(input),
        static_cast<const std::uint8_t*>(input) + (input != nullptr ? inputSize : 0));
    bytesReturned = m_data.ConsumeIntegral<std::uint32_t>();
    if (!m_data.ConsumeBool()) return false;
    const std::vector<std::uint8_t> reply = m_data.ConsumeBytes<std::uint8_t>(
        m_data.ConsumeIntegralInRange<std::uint32_t>(0, outputSize));
    if (!reply.empty()) std::memcpy(output, reply.data(), reply.size());
    return true;
  }

  void Close(DeviceHandle device) override { Require(m_open.erase(device) == 1); }

 private:
  FuzzedDataProvider& m_data;
  std::set<DeviceHandle> m_open;
  std::map<std::string, int> m_opened;  // opens asked for, by device name
  int m_requests = 0;
  DeviceHandle m_next = 0x100;
};

class FuzzedNames : public NameConverter {
 public:
  explicit FuzzedNames(FuzzedDataProvider& data) : m_data(data) {}

  std::optional<std::string> ToAnsi(std::u16string_view name) override {
    if (m_data.ConsumeBool()) return std::nullopt;
    std::string ansi;
    for (char16_t c : name) ansi.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return ansi;
  }

 private:
  FuzzedDataProvider& m_data;
};

}  // namespace
}  // namespace quendal

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  quendal::FuzzedBus bus(data);
  quendal::FuzzedNames names(data);
  quendal::UsbBusWalk(bus, names).FindDeviceOnUsbBus();
  return 0;
}
