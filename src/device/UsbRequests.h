// The published Windows USB host-controller and hub requests used to find the device on the
// bus, with the buffer sizes and byte offsets the walk relies on. Shared by the program and the
// simulated bus, so it depends on nothing but the standard library.
#pragma once

#include <cstdint>

namespace quendal::usb {

// On a host controller this code asks for the root hub's name; on a hub, for its node
// information. Windows gives both requests the same number.
inline constexpr std::uint32_t IOCTL_USB_GET_ROOT_HUB_NAME = 0x220408;
inline constexpr std::uint32_t IOCTL_USB_GET_NODE_INFORMATION = 0x220408;
inline constexpr std::uint32_t IOCTL_USB_GET_NODE_CONNECTION_INFORMATION = 0x22040C;
inline constexpr std::uint32_t IOCTL_USB_GET_NODE_CONNECTION_NAME = 0x220414;

// USB_ROOT_HUB_NAME: ActualLength (4 bytes), then the wide-character name.
inline constexpr std::uint32_t kRootHubNameHeaderSize = 8;
inline constexpr std::uint32_t kRootHubNameOffset = 4;

// USB_NODE_INFORMATION: the hub descriptor's bNumberOfPorts.
inline constexpr std::uint32_t kNodeInformationSize = 80;
inline constexpr std::uint32_t kNumberOfPortsOffset = 6;

// USB_NODE_CONNECTION_INFORMATION: ConnectionIndex, then the device descriptor.
inline constexpr std::uint32_t kConnectionInformationSize = 40;
inline constexpr std::uint32_t kConnectionIndexOffset = 0;
inline constexpr std::uint32_t kIdVendorOffset = 12;
inline constexpr std::uint32_t kIdProductOffset = 14;
inline constexpr std::uint32_t kDeviceIsHubOffset = 24;

// USB_NODE_CONNECTION_NAME: ConnectionIndex, ActualLength, then the wide-character name.
inline constexpr std::uint32_t kConnectionNameHeaderSize = 12;
inline constexpr std::uint32_t kConnectionNameLengthOffset = 4;
inline constexpr std::uint32_t kConnectionNameOffset = 8;

}  // namespace quendal::usb
