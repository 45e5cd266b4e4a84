// The walk of the USB device tree that looks for the device: the host controllers
// "\\.\HCD0" to "\\.\HCD9" (gaps allowed), each one's root hub, and every external hub below
// it, depth first in controller, port and hub order, stopping at the first match.
//
// Every reply is checked before it is used: a request that fails or a reply that does not
// hold together (a length outside its buffer, an odd length, a name without its terminator,
// a hub name that does not look like one, a hub reporting 0 or 255 ports) skips that
// controller, hub or port and never shows anything. Handles and buffers are released on every
// path. The walk runs on the user-interface thread, so a bus whose replies loop (a hub that
// names itself below itself) or invent hubs without end must not keep it: each hub name is
// scanned once per walk, and the walk ends when it has spent its budget of requests.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <span>
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
  // The requests one walk may send. A host controller addresses at most 127 devices, and the
  // walk asks at most four requests for each (its port's connection information, its name
  // twice and, for a hub, its node information). Allowing that on every one of the seven tiers
  // of all ten controllers puts the budget far above any real bus, which a walk never comes
  // near, while a hostile bus ends within some tens of thousands of short requests.
  static constexpr int kRequestBudget = 10 * kMaxHubTier * 127 * 4;

  UsbBusWalk(DeviceIo& io, NameConverter& names) : m_io(io), m_names(names) {}

  // Non-zero when the device is on a port of any hub of any controller. Each call is a new
  // walk, with the whole budget and no hub visited yet.
  int FindDeviceOnUsbBus();
  // Opens the hub by its name and scans its ports; non-zero when the device is below it. A
  // name that does not look like a hub's, or one already scanned in this walk, is not opened.
  int ScanHub(std::string hubName, int tier);
  // Scans ports 1 to `portCount` of an open hub, following external hubs.
  int ScanHubPorts(DeviceHandle hub, unsigned portCount, int tier);

 private:
  std::optional<std::string> RootHubName(DeviceHandle controller);
  std::optional<std::string> ExternalHubName(DeviceHandle hub, unsigned port);
  // Sends one request out of the budget; false, without sending, once the budget is spent.
  bool Ask(DeviceHandle device, std::uint32_t code, std::span<std::uint8_t> reply);
  bool Exchange(DeviceHandle device, std::uint32_t code, std::span<std::uint8_t> buffer);
  bool BudgetSpent() const { return m_requestsLeft <= 0; }
  // True the first time this walk meets the name.
  bool FirstVisit(const std::string& hubName);

  DeviceIo& m_io;
  NameConverter& m_names;
  int m_requestsLeft = kRequestBudget;
  std::set<std::string> m_visitedHubs;  // upper-cased: device names ignore case
};

}  // namespace quendal
