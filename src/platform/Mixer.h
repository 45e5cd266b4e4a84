// Port onto the system's multimedia mixer: the devices by number, each device's product name,
// its speakers destination line and that line's volume control. One Win32 adapter (the winmm
// mixer functions) and one fake with a list of mixer devices for the tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quendal {

// Opaque handle of an open mixer device; carries the bits of an HMIXER. Zero means none.
using MixerHandle = std::uintptr_t;
inline constexpr MixerHandle kNoMixerHandle = 0;

class Mixer {
 public:
  virtual ~Mixer() = default;

  // Number of mixer devices; they are numbered 0 to the count - 1.
  virtual unsigned DeviceCount() = 0;
  // Opens one device; kNoMixerHandle when it does not open.
  virtual MixerHandle Open(unsigned deviceId) = 0;
  virtual void Close(MixerHandle mixer) = 0;

  // The device's product name, as the system reports it (ANSI).
  virtual std::optional<std::string> ProductName(MixerHandle mixer) = 0;
  // The line identifier of the device's speakers destination.
  virtual std::optional<std::uint32_t> SpeakersLineId(MixerHandle mixer) = 0;
  // The control identifier of that line's volume control.
  virtual std::optional<std::uint32_t> VolumeControlId(MixerHandle mixer, std::uint32_t lineId) = 0;
  // A control's value, one for all channels.
  virtual std::optional<std::uint32_t> ControlValue(MixerHandle mixer, std::uint32_t controlId) = 0;
  // Sets one value for all channels of a control; true when the device took it.
  virtual bool SetControlValue(MixerHandle mixer, std::uint32_t controlId, std::uint32_t value) = 0;
};

}  // namespace quendal
