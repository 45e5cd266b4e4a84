// The bounded log of requests on the control path: the newest kLogCapacity are kept, and the
// number of older ones lost is counted.
#pragma once

#include <cstdint>

#include "Request.h"
#include "SimProtocol.h"

namespace quendal::sim {

class RequestLog {
 public:
  constexpr RequestLog() = default;

  void Record(const Request& request, SimResult result);
  // Copies the entries, oldest first; with `clear` the log starts empty again.
  void CopyTo(SIM_LOG& log, bool clear);

 private:
  SIM_LOG_ENTRY entries_[kLogCapacity] = {};
  std::uint32_t first_ = 0;
  std::uint32_t count_ = 0;
  std::uint32_t dropped_ = 0;
};

// Failures planned by the tools: the next N requests with a given code are refused.
class FailurePlan {
 public:
  constexpr FailurePlan() = default;

  // False when every slot holds another code's plan.
  bool Plan(std::uint32_t code, std::uint32_t count);
  // True, and one failure used up, when a failure is planned for this code.
  bool Take(std::uint32_t code);

 private:
  static constexpr std::uint32_t kSlots = 8;
  SIM_FAILURE slots_[kSlots] = {};
};

}  // namespace quendal::sim
