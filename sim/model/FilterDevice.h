// The filter driver's side of the device: the state the fourteen control codes set and
// report, and the table of their buffer sizes.
#pragma once

#include <cstdint>

#include "Request.h"
#include "SimProtocol.h"

namespace quendal::sim {

class FilterDevice {
 public:
  // A device at power-up: effects off, 2.1 output, no crossover yet, every gain at
  // kPowerOnGainBits, no speaker test. Each differs from the program's stored defaults, so the
  // state shows what the program restored.
  constexpr FilterDevice() = default;

  // A re-plugged device powers up again; what is being played stays.
  void ResetSettings() {
    const SimSource source = source_;
    *this = FilterDevice{};
    source_ = source;
  }

  // Refuses unknown codes and wrong sizes without touching the state.
  SimResult Validate(const Request& request) const;
  // Carries out a request that Validate accepted.
  Answer Apply(const Request& request);

  void SetSource(SimSource source) { source_ = source; }
  void Report(SIM_STATE& state) const;

 private:
  bool filterEnabled_ = false;
  SimOutputMode outputMode_ = SimOutputMode::kTwoOne;
  BASS_CROSSOVER_PARAMS crossover_{0, 0, 0};
  std::uint32_t gainBits_[kChannelCount] = {kPowerOnGainBits, kPowerOnGainBits, kPowerOnGainBits,
                                            kPowerOnGainBits, kPowerOnGainBits, kPowerOnGainBits};
  bool speakerTestRunning_ = false;
  SimSource source_ = SimSource::kNone;
};

}  // namespace quendal::sim
