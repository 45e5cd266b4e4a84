// The system mixer through the winmm mixer functions (ANSI forms).
#pragma once

#include "platform/Mixer.h"

namespace quendal {

class Win32Mixer : public Mixer {
 public:
  unsigned DeviceCount() override;
  MixerHandle Open(unsigned deviceId) override;
  void Close(MixerHandle mixer) override;
  std::optional<std::string> ProductName(MixerHandle mixer) override;
  std::optional<std::uint32_t> SpeakersLineId(MixerHandle mixer) override;
  std::optional<std::uint32_t> VolumeControlId(MixerHandle mixer, std::uint32_t lineId) override;
  std::optional<std::uint32_t> ControlValue(MixerHandle mixer, std::uint32_t controlId) override;
  bool SetControlValue(MixerHandle mixer, std::uint32_t controlId, std::uint32_t value) override;
};

}  // namespace quendal
