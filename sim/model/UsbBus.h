// The simulated USB bus: host controllers HCD0 and HCD2 (there is no HCD1), their root hubs,
// an external hub, and the device wherever the topology puts it. Answers the published host
// controller and hub requests the way Windows fills their records.
#pragma once

#include <cstdint>

#include "Request.h"
#include "SimProtocol.h"

namespace quendal::sim {

// The root hub of each host controller, HCD0 and HCD2 in that order.
inline constexpr std::uint32_t kHostControllerCount = 2;
inline constexpr std::uint32_t kRootHubOf[kHostControllerCount] = {0, 1};
inline constexpr std::uint32_t kHubCount = 3;

// The name a hub is reached by: the USB requests return it, and "\\.\" + it opens the hub.
const char* HubName(std::uint32_t hub);

class UsbBus {
 public:
  constexpr UsbBus() = default;

  void SetTopology(SimTopology topology) { topology_ = topology; }
  SimTopology Topology() const { return topology_; }
  void SetDevicePlugged(bool plugged) { devicePlugged_ = plugged; }

  Answer AnswerHostController(std::uint32_t controller, const Request& request) const;
  Answer AnswerHub(std::uint32_t hub, const Request& request) const;

  // Refuses what Windows would refuse, before any injected failure is considered.
  SimResult ValidateHostController(const Request& request) const;
  SimResult ValidateHub(std::uint32_t hub, const Request& request) const;

 private:
  struct Port;
  Port PortOf(std::uint32_t hub, std::uint32_t port) const;

  SimTopology topology_ = SimTopology::kExternalHub;
  bool devicePlugged_ = true;
};

}  // namespace quendal::sim
