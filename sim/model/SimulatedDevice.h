// Everything the simulated driver knows, free of kernel headers: the filter's state, the bus,
// the plug state, the log and the planned failures. The kernel side calls these under its lock
// and completes each request with the answer.
#pragma once

#include <cstdint>

#include "FilterDevice.h"
#include "Request.h"
#include "RequestLog.h"
#include "SimProtocol.h"
#include "UsbBus.h"

namespace quendal::sim {

class SimulatedDevice {
 public:
  constexpr SimulatedDevice() = default;

  // A handle on the control path remembers the plug generation it was opened in: once the
  // device has been unplugged that handle stays dead, even after the device comes back.
  // While unplugged the control path's name is gone, so user mode cannot open it at all.
  std::uint32_t OpenControlPath();
  void CloseControlPath();
  Answer AnswerControlPath(std::uint32_t generation, const Request& request);

  Answer AnswerHostController(std::uint32_t controller, const Request& request);
  Answer AnswerHub(std::uint32_t hub, const Request& request);

  // The private control device of the tools.
  Answer AnswerSimControl(const Request& request);
  bool IsPlugged() const { return plugged_; }

 private:
  Answer Plug(const Request& request);
  Answer Unplug(const Request& request);
  Answer SetSource(const Request& request);
  Answer SetTopology(const Request& request);
  Answer FailNext(const Request& request);
  Answer ReadLog(const Request& request);
  Answer GetState(const Request& request);
  Answer AddAudioFilter(const Request& request);

  // A request that passed validation still fails when the tools planned it to.
  Answer Planned(SimResult validation, const Request& request);

  FilterDevice filter_;
  UsbBus bus_;
  RequestLog log_;
  FailurePlan failures_;
  bool plugged_ = true;
  std::uint32_t generation_ = 1;
  std::uint32_t openHandles_ = 0;
  std::uint32_t audioFilterAdds_ = 0;
};

}  // namespace quendal::sim
