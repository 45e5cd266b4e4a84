// A list of mixer devices behind the mixer port: each with a product name, whether it opens,
// whether it has a speakers line and a volume control, and the control's value. It records
// every value set, refuses setting on request, and counts handles so that tests can prove
// that every device opened is closed again and that identifiers are passed on as returned.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/Mixer.h"

namespace quendal::test {

struct FakeMixerDevice {
  std::string name;
  std::uint32_t value = 0;  // the speakers volume
  bool opens = true;
  bool hasSpeakersLine = true;
  bool hasVolumeControl = true;
  bool refusesSet = false;
};

struct MixerValueSet {
  unsigned device;
  std::uint32_t value;
  bool operator==(const MixerValueSet&) const = default;
};

class FakeMixer : public Mixer {
 public:
  unsigned DeviceCount() override { return static_cast<unsigned>(devices.size()); }
  MixerHandle Open(unsigned deviceId) override;
  void Close(MixerHandle mixer) override;
  std::optional<std::string> ProductName(MixerHandle mixer) override;
  std::optional<std::uint32_t> SpeakersLineId(MixerHandle mixer) override;
  std::optional<std::uint32_t> VolumeControlId(MixerHandle mixer, std::uint32_t lineId) override;
  std::optional<std::uint32_t> ControlValue(MixerHandle mixer, std::uint32_t controlId) override;
  bool SetControlValue(MixerHandle mixer, std::uint32_t controlId, std::uint32_t value) override;

  // Script and state.
  std::vector<FakeMixerDevice> devices;

  // Observations.
  std::vector<MixerValueSet> sets;
  int opens = 0;
  int misuses = 0;  // a closed handle used, or an identifier this device never returned
  int OpenHandles() const { return static_cast<int>(m_open.size()); }

 private:
  // The device behind an open handle; nothing (and a misuse) for any other handle.
  std::optional<unsigned> IndexOf(MixerHandle mixer);

  std::map<MixerHandle, unsigned> m_open;
  MixerHandle m_next = 0x200;
};

}  // namespace quendal::test
