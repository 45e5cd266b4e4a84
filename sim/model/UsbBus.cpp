#include "UsbBus.h"

#include "device/LittleEndian.h"
#include "device/UsbRequests.h"

namespace quendal::sim {

namespace {

using namespace quendal::usb;

// Sizes of the published records themselves (byte-packed); callers may pass more.
constexpr std::uint32_t kNodeInformationRecordSize = 76;
constexpr std::uint32_t kConnectionInformationRecordSize = 35;
constexpr std::uint32_t kConnectionIndexSize = 4;

// Fields of USB_NODE_INFORMATION and USB_NODE_CONNECTION_INFORMATION the walk does not read
// but Windows fills.
constexpr std::uint32_t kHubDescriptorOffset = 4;
constexpr std::uint32_t kHubIsBusPoweredOffset = 75;
constexpr std::uint32_t kDeviceDescriptorOffset = 4;
constexpr std::uint32_t kCurrentConfigurationOffset = 22;
constexpr std::uint32_t kDeviceAddressOffset = 25;
constexpr std::uint32_t kConnectionStatusOffset = 31;
constexpr std::uint32_t kDeviceConnected = 1;

constexpr std::uint8_t kHubClass = 9;
constexpr std::uint8_t kHubDescriptorType = 0x29;

constexpr const char* kHubNames[kHubCount] = {"QuendalSimHub0", "QuendalSimHub1", "QuendalSimHub2"};
constexpr std::uint8_t kHubPorts[kHubCount] = {2, 4, 4};

constexpr std::uint16_t kOtherVendorId = 0x0F1E;

void PutLittleEndian16(std::uint8_t* bytes, std::uint16_t value) {
  bytes[0] = static_cast<std::uint8_t>(value);
  bytes[1] = static_cast<std::uint8_t>(value >> 8);
}

void Zero(std::uint8_t* bytes, std::uint32_t size) {
  for (std::uint32_t i = 0; i < size; ++i) bytes[i] = 0;
}

std::uint32_t NameLength(const char* name) {
  std::uint32_t length = 0;
  while (name[length] != '\0') ++length;
  return length;
}

// Bytes of the wide-character name with its terminator.
std::uint32_t WideNameSize(const char* name) { return (NameLength(name) + 1) * 2; }

// Writes as much of the wide name, terminator included, as fits before `end`; Windows fills
// a short buffer the same way and reports the full size in ActualLength.
void PutWideName(std::uint8_t* buffer, std::uint32_t offset, std::uint32_t end, const char* name) {
  const std::uint32_t characters = NameLength(name) + 1;
  for (std::uint32_t i = 0; i < characters && offset + 2 * i + 2 <= end; ++i) {
    PutLittleEndian16(buffer + offset + 2 * i, static_cast<std::uint8_t>(name[i]));
  }
}

std::uint32_t Smaller(std::uint32_t a, std::uint32_t b) { return a < b ? a : b; }

}  // namespace

struct UsbBus::Port {
  enum class Kind { kEmpty, kDevice, kHub } kind;
  std::uint16_t vendorId;
  std::uint16_t productId;
  std::uint32_t hub;  // for kHub: the hub behind the port
};

const char* HubName(std::uint32_t hub) { return kHubNames[hub]; }

UsbBus::Port UsbBus::PortOf(std::uint32_t hub, std::uint32_t port) const {
  using Kind = Port::Kind;
  struct Place {
    std::uint32_t hub;
    std::uint32_t port;
  };
  struct FixedPort {
    std::uint32_t hub;
    std::uint32_t port;
    Port content;
  };
  // The external hub is on root hub 1, port 3; the device goes on its port 2, or on root hub
  // 1's own port 2. A device with the right vendor and another product sits on port 1 there.
  static constexpr Place kDevicePlaces[] = {{2, 2}, {1, 2}};
  static constexpr FixedPort kFixedPorts[] = {
      {0, 1, {Kind::kDevice, kOtherVendorId, 0x0001, 0}},
      {1, 1, {Kind::kDevice, kDeviceVendorId, 0x1234, 0}},
      {1, 3, {Kind::kHub, kOtherVendorId, 0x0002, 2}},
  };
  if (devicePlugged_ && topology_ != SimTopology::kAbsent) {
    const Place& place = kDevicePlaces[static_cast<std::uint32_t>(topology_)];
    if (place.hub == hub && place.port == port) {
      return {Kind::kDevice, kDeviceVendorId, kDeviceProductId, 0};
    }
  }
  for (const FixedPort& fixed : kFixedPorts) {
    if (fixed.hub == hub && fixed.port == port) return fixed.content;
  }
  return {Kind::kEmpty, 0, 0, 0};
}

SimResult UsbBus::ValidateHostController(const Request& request) const {
  if (request.code != IOCTL_USB_GET_ROOT_HUB_NAME) return SimResult::kUnknownCode;
  if (request.outputSize < kRootHubNameHeaderSize) return SimResult::kWrongSize;
  return SimResult::kOk;
}

Answer UsbBus::AnswerHostController(std::uint32_t controller, const Request& request) const {
  const char* name = HubName(kRootHubOf[controller]);
  const std::uint32_t actualLength = kRootHubNameOffset + WideNameSize(name);
  Zero(request.buffer, request.outputSize);
  PutLittleEndian32(request.buffer, actualLength);
  PutWideName(request.buffer, kRootHubNameOffset, request.outputSize, name);
  return Accept(Smaller(request.outputSize, actualLength));
}

SimResult UsbBus::ValidateHub(std::uint32_t hub, const Request& request) const {
  std::uint32_t minimumOutput = 0;
  switch (request.code) {
    case IOCTL_USB_GET_NODE_INFORMATION:
      return request.outputSize < kNodeInformationRecordSize ? SimResult::kWrongSize
                                                             : SimResult::kOk;
    case IOCTL_USB_GET_NODE_CONNECTION_INFORMATION:
      minimumOutput = kConnectionInformationRecordSize;
      break;
    case IOCTL_USB_GET_NODE_CONNECTION_NAME:
      minimumOutput = kConnectionNameHeaderSize;
      break;
    default:
      return SimResult::kUnknownCode;
  }
  if (request.inputSize < kConnectionIndexSize || request.outputSize < minimumOutput) {
    return SimResult::kWrongSize;
  }
  const std::uint32_t port = GetLittleEndian32(request.buffer + kConnectionIndexOffset);
  return port >= 1 && port <= kHubPorts[hub] ? SimResult::kOk : SimResult::kBadValue;
}

Answer UsbBus::AnswerHub(std::uint32_t hub, const Request& request) const {
  std::uint8_t* out = request.buffer;
  if (request.code == IOCTL_USB_GET_NODE_INFORMATION) {
    Zero(out, kNodeInformationRecordSize);  // NodeType 0: UsbHub
    out[kHubDescriptorOffset] = 9;
    out[kHubDescriptorOffset + 1] = kHubDescriptorType;
    out[kNumberOfPortsOffset] = kHubPorts[hub];
    out[kHubIsBusPoweredOffset] = 0;
    return Accept(kNodeInformationRecordSize);
  }

  const std::uint32_t portNumber = GetLittleEndian32(out + kConnectionIndexOffset);
  const Port port = PortOf(hub, portNumber);
  const bool isHub = port.kind == Port::Kind::kHub;
  if (request.code == IOCTL_USB_GET_NODE_CONNECTION_INFORMATION) {
    Zero(out + kConnectionIndexSize, kConnectionInformationRecordSize - kConnectionIndexSize);
    if (port.kind != Port::Kind::kEmpty) {
      std::uint8_t* descriptor = out + kDeviceDescriptorOffset;
      descriptor[0] = 18;  // bLength
      descriptor[1] = 1;   // bDescriptorType: device
      PutLittleEndian16(descriptor + 2, 0x0200);
      descriptor[4] = isHub ? kHubClass : 0;
      descriptor[7] = 64;  // bMaxPacketSize0
      PutLittleEndian16(out + kIdVendorOffset, port.vendorId);
      PutLittleEndian16(out + kIdProductOffset, port.productId);
      PutLittleEndian16(descriptor + 12, 0x0100);  // bcdDevice
      descriptor[17] = 1;                          // bNumConfigurations
      out[kCurrentConfigurationOffset] = 1;
      out[kDeviceIsHubOffset] = isHub ? 1 : 0;
      PutLittleEndian16(out + kDeviceAddressOffset,
                        static_cast<std::uint16_t>(hub * 8 + portNumber));
      PutLittleEndian32(out + kConnectionStatusOffset, kDeviceConnected);
    }
    return Accept(kConnectionInformationRecordSize);
  }

  // A port without a hub has an empty name: ActualLength is the bare record's size.
  const char* name = isHub ? HubName(port.hub) : "";
  const std::uint32_t actualLength =
      isHub ? kConnectionNameOffset + WideNameSize(name) : kConnectionNameHeaderSize;
  Zero(out + kConnectionNameLengthOffset, request.outputSize - kConnectionNameLengthOffset);
  PutLittleEndian32(out + kConnectionNameLengthOffset, actualLength);
  PutWideName(out, kConnectionNameOffset, request.outputSize, name);
  return Accept(Smaller(request.outputSize, actualLength));
}

}  // namespace quendal::sim
