#include "fakes/FakeUsbBus.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>

#include "device/LittleEndian.h"
#include "device/UsbRequests.h"

namespace quendal::test {

namespace {

using namespace usb;

constexpr std::string_view kPrefix = "\\\\.\\";
constexpr std::string_view kControllerPrefix = "HCD";

bool AllZero(const std::uint8_t* bytes, std::size_t size) {
  return std::all_of(bytes, bytes + size, [](std::uint8_t b) { return b == 0; });
}

// The bytes of a name reply as Windows builds it: a header of `nameOffset` bytes holding
// ActualLength (the size of the whole reply) at `lengthOffset`, then the name in UTF-16LE
// with its terminator, unless `fault` spoils it. `full` tells the second request from the
// first, header-only one.
std::vector<std::uint8_t> NameReply(const std::string& name, NameFault fault,
                                    std::uint32_t lengthOffset, std::uint32_t nameOffset,
                                    std::uint32_t headerSize, bool full) {
  std::u16string content(name.begin(), name.end());
  content.push_back(u'\0');
  const auto trueLength = static_cast<std::uint32_t>(nameOffset + 2 * content.size());
  std::uint32_t reported = trueLength;
  switch (fault) {
    case NameFault::kShortLength:
      reported = headerSize - 2;
      break;
    case NameFault::kHugeLength:
      reported = 0x7FFFFFF0;
      break;
    case NameFault::kGrownLength:
      if (full) {
        content.insert(content.end() - 1, u'X');
        reported = trueLength + 2;
      }
      break;
    case NameFault::kOddLength:
      reported = trueLength - 1;  // cuts the terminator in half
      break;
    case NameFault::kUnterminated:
      content.pop_back();
      reported = trueLength - 2;
      break;
    default:
      break;
  }
  std::vector<std::uint8_t> reply(
      std::max<std::size_t>(nameOffset + 2 * content.size(), headerSize));
  PutLittleEndian32(reply.data() + lengthOffset, reported);
  for (std::size_t i = 0; i < content.size(); ++i) {
    reply[nameOffset + 2 * i] = static_cast<std::uint8_t>(content[i]);
    reply[nameOffset + 2 * i + 1] = static_cast<std::uint8_t>(content[i] >> 8);
  }
  return reply;
}

std::uint32_t WriteReply(const std::vector<std::uint8_t>& reply, std::uint8_t* output,
                         std::uint32_t outputSize) {
  const auto size = static_cast<std::uint32_t>(std::min<std::size_t>(reply.size(), outputSize));
  std::memcpy(output, reply.data(), size);
  return size;
}

}  // namespace

FakeUsbPort DevicePort(std::uint16_t vendor, std::uint16_t product) {
  FakeUsbPort port;
  port.vendor = vendor;
  port.product = product;
  return port;
}

FakeUsbPort HubPort(const std::string& name, NameFault fault) {
  FakeUsbPort port;
  port.hub = name;
  port.nameFault = fault;
  return port;
}

DeviceHandle FakeUsbBus::Open(const char* path, DeviceAccess access) {
  openAttempts.emplace_back(path);
  std::string_view name(path);
  if (access != DeviceAccess::kWriteShared || !name.starts_with(kPrefix)) {
    Violation();
    return kInvalidDeviceHandle;
  }
  name.remove_prefix(kPrefix.size());
  Node node;
  if (name.starts_with(kControllerPrefix)) {
    int number = -1;
    const char* digits = name.data() + kControllerPrefix.size();
    const auto [end, error] = std::from_chars(digits, name.data() + name.size(), number);
    const auto controller = controllers.find(number);
    if (error == std::errc() && end == name.data() + name.size() &&
        controller != controllers.end()) {
      node.controller = &controller->second;
    }
  }
  if (node.controller == nullptr) {
    auto hub = hubs.find(std::string(name));
    if (hub == hubs.end() && inventedHubPorts > 0) hub = InventHub(std::string(name));
    if (hub == hubs.end() || hub->second.refuseOpen) return kInvalidDeviceHandle;
    node.hub = &hub->second;
  }
  const DeviceHandle handle = m_next;
  m_next += 4;
  m_open.emplace(handle, node);
  ++counts.opens;
  peakOpenHandles = std::max(peakOpenHandles, OpenHandles());
  return handle;
}

bool FakeUsbBus::Control(DeviceHandle device, std::uint32_t code, const void* input,
                         std::uint32_t inputSize, void* output, std::uint32_t outputSize,
                         std::uint32_t& bytesReturned) {
  bytesReturned = 0;
  const auto node = m_open.find(device);
  if (node == m_open.end()) {
    ++misuses;
    return false;
  }
  auto* buffer = static_cast<std::uint8_t*>(output);
  if (buffer == nullptr || !AllZero(buffer + 4, outputSize > 4 ? outputSize - 4 : 0)) {
    return Violation();
  }
  if (const FakeUsbController* controller = node->second.controller) {
    if (code != IOCTL_USB_GET_ROOT_HUB_NAME) return Violation();
    return AnswerRootHubName(*controller, input, buffer, outputSize, bytesReturned);
  }
  // Every hub request passes one buffer as both input and output.
  if (input != output || inputSize != outputSize) return Violation();
  const FakeUsbHub& hub = *node->second.hub;
  switch (code) {
    case IOCTL_USB_GET_NODE_INFORMATION:
      return AnswerNodeInformation(hub, buffer, outputSize, bytesReturned);
    case IOCTL_USB_GET_NODE_CONNECTION_INFORMATION:
      return AnswerConnectionInformation(hub, buffer, outputSize, bytesReturned);
    case IOCTL_USB_GET_NODE_CONNECTION_NAME:
      return AnswerConnectionName(hub, buffer, outputSize, bytesReturned);
    default:
      return Violation();
  }
}

void FakeUsbBus::Close(DeviceHandle device) {
  if (m_open.erase(device) == 0) ++misuses;
}

int FakeUsbBus::PortRequests(const std::string& hub) const {
  const auto known = hubs.find(hub);
  if (known == hubs.end()) return 0;
  const auto asked = m_portRequests.find(&known->second);
  return asked == m_portRequests.end() ? 0 : asked->second;
}

void FakeUsbBus::ClearObservations() {
  counts = {};
  m_portRequests.clear();
  openAttempts.clear();
  peakOpenHandles = OpenHandles();
}

bool FakeUsbBus::AnswerRootHubName(const FakeUsbController& controller, const void* input,
                                   std::uint8_t* output, std::uint32_t outputSize,
                                   std::uint32_t& returned) {
  ++counts.rootHubNameRequests;
  if (input != nullptr || outputSize < kRootHubNameHeaderSize || !AllZero(output, 4)) {
    return Violation();
  }
  const bool full = outputSize > kRootHubNameHeaderSize;
  const NameFault fault = controller.nameFault;
  if (fault == (full ? NameFault::kRefusedSecond : NameFault::kRefusedFirst)) return false;
  returned = WriteReply(
      NameReply(controller.rootHub, fault, 0, kRootHubNameOffset, kRootHubNameHeaderSize, full),
      output, outputSize);
  return true;
}

bool FakeUsbBus::AnswerNodeInformation(const FakeUsbHub& hub, std::uint8_t* buffer,
                                       std::uint32_t size, std::uint32_t& returned) {
  ++counts.nodeInformationRequests;
  if (size != kNodeInformationSize || !AllZero(buffer, 4)) return Violation();
  if (hub.refuseInformation) return false;
  buffer[4] = 9;     // bDescriptorLength
  buffer[5] = 0x29;  // hub descriptor
  buffer[kNumberOfPortsOffset] =
      static_cast<std::uint8_t>(hub.reportedPortCount.value_or(hub.ports.size()));
  returned = size;
  return true;
}

bool FakeUsbBus::AnswerConnectionInformation(const FakeUsbHub& hub, std::uint8_t* buffer,
                                             std::uint32_t size, std::uint32_t& returned) {
  ++counts.connectionInformationRequests;
  ++m_portRequests[&hub];
  if (size != kConnectionInformationSize) return Violation();
  const FakeUsbPort* port = PortAt(hub, GetLittleEndian32(buffer + kConnectionIndexOffset));
  if (port == nullptr) return Violation();
  if (port->refuseInformation) return false;
  buffer[kIdVendorOffset] = static_cast<std::uint8_t>(port->vendor);
  buffer[kIdVendorOffset + 1] = static_cast<std::uint8_t>(port->vendor >> 8);
  buffer[kIdProductOffset] = static_cast<std::uint8_t>(port->product);
  buffer[kIdProductOffset + 1] = static_cast<std::uint8_t>(port->product >> 8);
  buffer[kDeviceIsHubOffset] = port->hub.empty() ? 0 : 1;
  returned = size;
  return true;
}

bool FakeUsbBus::AnswerConnectionName(const FakeUsbHub& hub, std::uint8_t* buffer,
                                      std::uint32_t size, std::uint32_t& returned) {
  ++counts.connectionNameRequests;
  ++m_portRequests[&hub];
  if (size < kConnectionNameHeaderSize) return Violation();
  const std::uint32_t index = GetLittleEndian32(buffer + kConnectionIndexOffset);
  const FakeUsbPort* port = PortAt(hub, index);
  if (port == nullptr || port->hub.empty()) return Violation();
  const bool full = size > kConnectionNameHeaderSize;
  const NameFault fault = port->nameFault;
  if (fault == (full ? NameFault::kRefusedSecond : NameFault::kRefusedFirst)) return false;
  std::vector<std::uint8_t> reply =
      NameReply(port->hub, fault, kConnectionNameLengthOffset, kConnectionNameOffset,
                kConnectionNameHeaderSize, full);
  PutLittleEndian32(reply.data() + kConnectionIndexOffset, index);
  returned = WriteReply(reply, buffer, size);
  return true;
}

std::map<std::string, FakeUsbHub>::iterator FakeUsbBus::InventHub(const std::string& name) {
  FakeUsbHub invented;
  for (unsigned port = 1; port <= inventedHubPorts; ++port) {
    invented.ports.push_back(HubPort(name + "_" + std::to_string(port)));
  }
  return hubs.emplace(name, std::move(invented)).first;
}

const FakeUsbPort* FakeUsbBus::PortAt(const FakeUsbHub& hub, std::uint32_t index) {
  static const FakeUsbPort kEmptyPort;
  const unsigned count = hub.reportedPortCount.value_or(hub.ports.size());
  if (index == 0 || index > count) return nullptr;
  return index <= hub.ports.size() ? &hub.ports[index - 1] : &kEmptyPort;
}

bool FakeUsbBus::Violation() {
  ++protocolErrors;
  return false;
}

namespace {

void BuildHub(FakeUsbBus& bus, const std::string& name, int tier, int tiers, int ports) {
  FakeUsbHub& hub = bus.hubs[name];
  hub.ports.resize(static_cast<std::size_t>(ports));
  if (tier == tiers) return;
  for (int port = 1; port <= ports; ++port) {
    const std::string below = name + "_" + std::to_string(port);
    hub.ports[static_cast<std::size_t>(port - 1)].hub = below;
    BuildHub(bus, below, tier + 1, tiers, ports);
  }
}

}  // namespace

void BuildHubTree(FakeUsbBus& bus, int controllers, int tiers, int ports) {
  for (int number = 0; number < controllers; ++number) {
    const std::string root = "ROOT" + std::to_string(number);
    bus.controllers[number].rootHub = root;
    BuildHub(bus, root, 1, tiers, ports);
  }
}

}  // namespace quendal::test
