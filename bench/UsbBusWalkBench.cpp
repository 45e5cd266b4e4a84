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
  for (auto _ : state) {
    // The fake's log of opens would otherwise grow through the whole run.
    state.PauseTiming();
    bus.ClearObservations();
    state.ResumeTiming();
    found |= walk.FindDeviceOnUsbBus();
  }
  if (found != 0) state.SkipWithError("found a device on a bus without one");

  const int hubsPerController = 1 + kPorts + kPorts * kPorts;
  const double hubs = kControllers * hubsPerController;
  const double ports = hubs * kPorts;
  const double hubsFollowed = hubs - kControllers;  // every hub but the root hubs
  // The counts of the last walk; every walk is the same.
  const auto& counts = bus.counts;
  state.counters["connection_info"] = counts.connectionInformationRequests;
  state.counters["connection_name"] = counts.connectionNameRequests;
  state.counters["node_info"] = counts.nodeInformationRequests;
  state.counters["root_hub_name"] = counts.rootHubNameRequests;
  state.counters["opens"] = counts.opens;
  state.counters["info_per_port"] = counts.connectionInformationRequests / ports;
  state.counters["names_per_hub_followed"] = counts.connectionNameRequests / hubsFollowed;
}

BENCHMARK(WalkLargeBusWithoutTheDevice)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace quendal

BENCHMARK_MAIN();
