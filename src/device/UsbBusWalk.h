// The walk of the USB device tree that looks for the device: the host controllers
// "\\.\HCD0" to "\\.\HCD9" (gaps allowed), each one's root hub, and every external hub below
// it, depth first in controller, port and hub order, stopping at the first match.
//
// Every reply is checked before it is used: a request that fails or a reply that does not
// hold together (a length outside its buffer, an odd length, a name without its terminator,
// a hub reporting 0 or 255 ports) skips that controller, hub or port and never shows
// anything. Handles and buffers are released on every path.
#pragma once

#include <optional>
#include <string>

#include "platform/DeviceIo.h"
#include "platform/NameConverter.h"

namespace quendal {

class UsbBusWalk {
 public:
  // The root hub is tier 1, and USB chains at most five external hubs below it. The walk
  // follows hubs down to tier 7, past anything real, so that a looping or hostile topology
  // cannot make it recurse without end.
  static constexpr int kMaxHubTier = 7;
  // "\\.\" plus a hub's ANSI name and its terminator must fit in this many bytes.
  static constexpr std::size_t kHubPathSize = 256;

  UsbBusWalk(DeviceIo& io, NameConverter& names) : m_io(io), m_names(names) {}

  // Non-zero when the device is on a port of any hub of any controller.
  int FindDeviceOnUsbBus();
  // Opens the hub by its name and scans its ports; non-zero when the device is below it.
  int ScanHub(std::string hubName, int tier);
  // Scans ports 1 to `portCount` of an open hub, following external hubs.
  int ScanHubPorts(DeviceHandle hub, unsigned portCount, int tier);

 private:
  std::optional<std::string> RootHubName(DeviceHandle controller);
  std::optional<std::string> ExternalHubName(DeviceHandle hub, unsigned port);

  DeviceIo& m_io;
  NameConverter& m_names;
};

}  // namespace quendal
