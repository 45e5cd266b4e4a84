// A USB bus behind the device I/O port, described declaratively: host controllers by number,
// hubs by name, and on each hub's ports either a device (vendor and product identifiers) or
// another hub. It answers the host-controller and hub requests the way Windows does, can
// refuse any of them or send chosen malformed replies, checks every request against the
// layout the requests must have, and counts handles.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/DeviceIo.h"

namespace quendal::test {

// A malformed or refused reply to a two-step name request (root hub name, connection name).
enum class NameFault {
  kNone,
  kRefusedFirst,   // the header request fails
  kRefusedSecond,  // the full request fails
  kShortLength,    // ActualLength smaller than the reply's header
  kHugeLength,     // ActualLength far beyond any hub name
  kGrownLength,    // the full reply claims more than the buffer it was given
  kOddLength,      // ActualLength leaves half a wide character
  kUnterminated,   // the name fills its length without a terminator
};

struct FakeUsbPort {
  std::uint16_t vendor = 0;
  std::uint16_t product = 0;
  std::string hub;  // name of the external hub plugged into this port; empty when none
  bool refuseInformation = false;
  NameFault nameFault = NameFault::kNone;
};

// A port holding a device with these identifiers.
FakeUsbPort DevicePort(std::uint16_t vendor, std::uint16_t product);
// A port holding an external hub known by `name`, which answers its name with `fault`.
FakeUsbPort HubPort(const std::string& name, NameFault fault = NameFault::kNone);

struct FakeUsbHub {
  std::vector<FakeUsbPort> ports;
  std::optional<unsigned> reportedPortCount;  // the descriptor's count; ports.size() if unset
  bool refuseOpen = false;
  bool refuseInformation = false;
};

struct FakeUsbController {
  std::string rootHub;
  NameFault nameFault = NameFault::kNone;
};

class FakeUsbBus : public DeviceIo {
 public:
  DeviceHandle Open(const char* path, DeviceAccess access) override;
  bool Control(DeviceHandle device, std::uint32_t code, const void* input, std::uint32_t inputSize,
               void* output, std::uint32_t outputSize, std::uint32_t& bytesReturned) override;
  void Close(DeviceHandle device) override;

  // Topology.
  std::map<int, FakeUsbController> controllers;  // by n of "\\.\HCDn"
  std::map<std::string, FakeUsbHub> hubs;        // by name, opened as "\\.\" + name
  // A hostile bus when non-zero: a hub name not in `hubs` opens as a hub of this many ports,
  // each holding a hub named after its own path, so that names never repeat and the tree has
  // no end.
  unsigned inventedHubPorts = 0;

  // Observations.
  int PortRequests(const std::string& hub) const;  // connection requests to that hub
  struct Counts {
    int opens = 0;  // successful ones
    int rootHubNameRequests = 0;
    int nodeInformationRequests = 0;
    int connectionInformationRequests = 0;
    int connectionNameRequests = 0;
  };
  Counts counts;
  int Requests() const {
    return counts.rootHubNameRequests + counts.nodeInformationRequests +
           counts.connectionInformationRequests + counts.connectionNameRequests;
  }
  std::vector<std::string> openAttempts;  // every path asked for, opened or not
  int misuses = 0;                        // requests or closes on a handle that is not open
  int protocolErrors = 0;   // requests whose buffers do not have the layout they must have
  int peakOpenHandles = 0;  // how deep the walk held handles at once
  int OpenHandles() const { return static_cast<int>(m_open.size()); }
  void ClearObservations();

 private:
  struct Node {
    const FakeUsbController* controller = nullptr;
    const FakeUsbHub* hub = nullptr;
  };

  bool AnswerRootHubName(const FakeUsbController& controller, const void* input,
                         std::uint8_t* output, std::uint32_t outputSize, std::uint32_t& returned);
  bool AnswerNodeInformation(const FakeUsbHub& hub, std::uint8_t* buffer, std::uint32_t size,
                             std::uint32_t& returned);
  bool AnswerConnectionInformation(const FakeUsbHub& hub, std::uint8_t* buffer, std::uint32_t size,
                                   std::uint32_t& returned);
  bool AnswerConnectionName(const FakeUsbHub& hub, std::uint8_t* buffer, std::uint32_t size,
                            std::uint32_t& returned);
  const FakeUsbPort* PortAt(const FakeUsbHub& hub, std::uint32_t index);
  std::map<std::string, FakeUsbHub>::iterator InventHub(const std::string& name);
  bool Violation();

  std::unordered_map<DeviceHandle, Node> m_open;
  std::map<const FakeUsbHub*, int> m_portRequests;
  DeviceHandle m_next = 0x1000;
};

// Fills `bus` with `controllers` host controllers "\\.\HCD0"..., each with full `tiers` of
// hubs of `ports` ports below it (the root hub is tier 1) and nothing on the last tier's
// ports.
void BuildHubTree(FakeUsbBus& bus, int controllers, int tiers, int ports);

}  // namespace quendal::test
