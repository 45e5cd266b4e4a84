// The USB walk over a large bus without the device, which the walk must search to its end:
// ten controllers, each with three tiers of 7-port hubs. Reports the requests of one walk and
// the time it takes.
#include <benchmark/benchmark.h>

#include "device/UsbBusWalk.h"
#include "fakes/FakeNameConverter.h"
#include "fakes/FakeUsbBus.h"

namespace quendal {
namespace {

constexpr int kControllers = 10;
constexpr int kTiers = 3;
constexpr int kPorts = 7;

void WalkLargeBusWithoutTheDevice(benchmark::State& state) {
  test::FakeUsbBus bus;
  test::BuildHubTree(bus, kControllers, kTiers, kPorts);
  test::FakeNameConverter names;
  UsbBusWalk walk(bus, names);

  int found = 0;
  for (auto _ : state) found |= walk.FindDeviceOnUsbBus();
  if (found != 0) state.SkipWithError("found a device on a bus without one");

  const int hubsPerController = 1 + kPorts + kPorts * kPorts;
  const double hubs = kControllers * hubsPerController;
  const double ports = hubs * kPorts;
  const double hubsFollowed = hubs - kControllers;  // every hub but the root hubs
  const auto walks = static_cast<double>(state.iterations());
  const auto& counts = bus.counts;
  const auto perWalk = [walks](int total) { return total / walks; };
  state.counters["connection_info"] = perWalk(counts.connectionInformationRequests);
  state.counters["connection_name"] = perWalk(counts.connectionNameRequests);
  state.counters["node_info"] = perWalk(counts.nodeInformationRequests);
  state.counters["root_hub_name"] = perWalk(counts.rootHubNameRequests);
  state.counters["opens"] = perWalk(counts.opens);
  state.counters["info_per_port"] = perWalk(counts.connectionInformationRequests) / ports;
  state.counters["names_per_hub_followed"] = perWalk(counts.connectionNameRequests) / hubsFollowed;
}

BENCHMARK(WalkLargeBusWithoutTheDevice)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace quendal

BENCHMARK_MAIN();
