#include "device/UsbBusWalk.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "device/DeviceIdentity.h"
#include "device/LittleEndian.h"
#include "device/UsbRequests.h"

namespace quendal {

namespace {

using namespace usb;

constexpr int kControllerCount = 10;
constexpr std::string_view kDevicePrefix = "\\\\.\\";
constexpr std::size_t kMaxHubNameLength = UsbBusWalk::kHubPathSize - kDevicePrefix.size() - 1;
// Every wide character becomes at least one ANSI byte, so a longer reply can only hold a
// name that does not fit in a hub path.
constexpr std::uint32_t kMaxNameBytes = (kMaxHubNameLength + 1) * 2;
constexpr unsigned kMaxPortCount = 254;  // 255 is no hub's real count

// A controller or hub handle, closed when the scan of that level ends.
class OpenDevice {
 public:
  OpenDevice(DeviceIo& io, const std::string& path)
      : m_io(io), m_handle(io.Open(path.c_str(), DeviceAccess::kWriteShared)) {}
  ~OpenDevice() {
    if (IsOpen()) m_io.Close(m_handle);
  }
  OpenDevice(const OpenDevice&) = delete;
  OpenDevice& operator=(const OpenDevice&) = delete;

  bool IsOpen() const { return m_handle != kInvalidDeviceHandle; }
  DeviceHandle Handle() const { return m_handle; }

 private:
  DeviceIo& m_io;
  DeviceHandle m_handle;
};

// A hub's name as Windows gives it ("USB#ROOT_HUB20#4&...#{f18a0e88-...}") is one printable
// ASCII component. Anything else came from a faulty or hostile reply, and "\\.\" before it
// could open some other device or a file: a path separator or ".." would leave the device
// namespace, and a colon names a drive.
// A name too long for the path buffer is refused rather than cut short, which could open some
// other device.
bool LooksLikeHubName(const std::string& name) {
  if (name.empty() || name.size() > kMaxHubNameLength) return false;
  const bool printable = std::ranges::all_of(
      name, [](char c) { return c >= 0x20 && c <= 0x7E && c != '\\' && c != '/' && c != ':'; });
  return printable && name.find("..") == std::string::npos;
}

std::uint16_t GetLittleEndian16(const std::uint8_t* bytes) {
  return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

// The length a first, header-only name reply announces, when a buffer of that size can hold
// a name worth asking for.
std::optional<std::uint32_t> AnnouncedLength(std::span<const std::uint8_t> header,
                                             std::uint32_t lengthOffset, std::uint32_t minimum,
                                             std::uint32_t nameOffset) {
  const std::uint32_t length = GetLittleEndian32(header.data() + lengthOffset);
  if (length < minimum || length > nameOffset + kMaxNameBytes) return std::nullopt;
  return length;
}

// The name in a full name reply. ActualLength counts the whole reply, header included; it
// must lie within the buffer and leave a whole number of wide characters, and the name must
// end with its terminator inside that length.
std::optional<std::u16string> NameInReply(std::span<const std::uint8_t> reply,
                                          std::uint32_t lengthOffset, std::uint32_t nameOffset) {
  if (reply.size() < lengthOffset + 4) return std::nullopt;
  const std::uint32_t length = GetLittleEndian32(reply.data() + lengthOffset);
  if (length <= nameOffset || length > reply.size() || (length - nameOffset) % 2 != 0) {
    return std::nullopt;
  }
  std::u16string name;
  for (std::uint32_t at = nameOffset; at < length; at += 2) {
    const char16_t c = GetLittleEndian16(reply.data() + at);
    if (c == 0) return name.empty() ? std::nullopt : std::optional(std::move(name));
    name.push_back(c);
  }
  return std::nullopt;
}

}  // namespace

int UsbBusWalk::FindDeviceOnUsbBus() {
  m_requestsLeft = kRequestBudget;
  m_visitedHubs.clear();
  for (int number = 0; number < kControllerCount && !BudgetSpent(); ++number) {
    const OpenDevice controller(m_io, std::string(kDevicePrefix) + "HCD" + std::to_string(number));
    if (!controller.IsOpen()) continue;
    std::optional<std::string> rootHub = RootHubName(controller.Handle());
    if (rootHub && ScanHub(std::move(*rootHub), 1)) return 1;
  }
  return 0;
}

int UsbBusWalk::ScanHub(std::string hubName, int tier) {
  // A name already scanned in this walk would only be scanned again: a hub that names itself.
  if (!LooksLikeHubName(hubName) || !FirstVisit(hubName) || BudgetSpent()) return 0;
  const OpenDevice hub(m_io, std::string(kDevicePrefix) + hubName);
  if (!hub.IsOpen()) return 0;
  std::array<std::uint8_t, kNodeInformationSize> node{};
  if (!Exchange(hub.Handle(), IOCTL_USB_GET_NODE_INFORMATION, node)) return 0;
  const unsigned portCount = node[kNumberOfPortsOffset];
  if (portCount == 0 || portCount > kMaxPortCount) return 0;
  return ScanHubPorts(hub.Handle(), portCount, tier);
}

int UsbBusWalk::ScanHubPorts(DeviceHandle hub, unsigned portCount, int tier) {
  for (unsigned port = 1; port <= portCount && !BudgetSpent(); ++port) {
    std::array<std::uint8_t, kConnectionInformationSize> connection{};
    PutLittleEndian32(connection.data() + kConnectionIndexOffset, port);
    if (!Exchange(hub, IOCTL_USB_GET_NODE_CONNECTION_INFORMATION, connection)) continue;
    if (IsQuendalDevice(GetLittleEndian16(connection.data() + kIdVendorOffset),
                        GetLittleEndian16(connection.data() + kIdProductOffset))) {
      return 1;
    }
    if (connection[kDeviceIsHubOffset] == 0 || tier >= kMaxHubTier) continue;
    std::optional<std::string> externalHub = ExternalHubName(hub, port);
    if (externalHub && ScanHub(std::move(*externalHub), tier + 1)) return 1;
  }
  return 0;
}

std::optional<std::string> UsbBusWalk::RootHubName(DeviceHandle controller) {
  std::array<std::uint8_t, kRootHubNameHeaderSize> header{};
  if (!Ask(controller, IOCTL_USB_GET_ROOT_HUB_NAME, header)) return std::nullopt;
  const auto length = AnnouncedLength(header, 0, kRootHubNameHeaderSize, kRootHubNameOffset);
  if (!length) return std::nullopt;
  std::vector<std::uint8_t> reply(*length);
  if (!Ask(controller, IOCTL_USB_GET_ROOT_HUB_NAME, reply)) return std::nullopt;
  const auto name = NameInReply(reply, 0, kRootHubNameOffset);
  return name ? m_names.ToAnsi(*name) : std::nullopt;
}

std::optional<std::string> UsbBusWalk::ExternalHubName(DeviceHandle hub, unsigned port) {
  std::array<std::uint8_t, kConnectionNameHeaderSize> header{};
  PutLittleEndian32(header.data() + kConnectionIndexOffset, port);
  if (!Exchange(hub, IOCTL_USB_GET_NODE_CONNECTION_NAME, header)) return std::nullopt;
  const auto length = AnnouncedLength(header, kConnectionNameLengthOffset,
                                      kConnectionNameHeaderSize + 1, kConnectionNameOffset);
  if (!length) return std::nullopt;
  std::vector<std::uint8_t> reply(*length);
  PutLittleEndian32(reply.data() + kConnectionIndexOffset, port);
  if (!Exchange(hub, IOCTL_USB_GET_NODE_CONNECTION_NAME, reply)) return std::nullopt;
  const auto name = NameInReply(reply, kConnectionNameLengthOffset, kConnectionNameOffset);
  return name ? m_names.ToAnsi(*name) : std::nullopt;
}

bool UsbBusWalk::Ask(DeviceHandle device, std::uint32_t code, std::span<std::uint8_t> reply) {
  if (BudgetSpent()) return false;
  --m_requestsLeft;
  std::uint32_t returned = 0;
  return m_io.Control(device, code, nullptr, 0, reply.data(),
                      static_cast<std::uint32_t>(reply.size()), returned);
}

// The hub requests use one buffer as both input and output.
bool UsbBusWalk::Exchange(DeviceHandle device, std::uint32_t code, std::span<std::uint8_t> buffer) {
  if (BudgetSpent()) return false;
  --m_requestsLeft;
  std::uint32_t returned = 0;
  const auto size = static_cast<std::uint32_t>(buffer.size());
  return m_io.Control(device, code, buffer.data(), size, buffer.data(), size, returned);
}

bool UsbBusWalk::FirstVisit(const std::string& hubName) {
  std::string folded = hubName;
  std::ranges::transform(folded, folded.begin(), [](char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
  });
  return m_visitedHubs.insert(std::move(folded)).second;
}

}  // namespace quendal
