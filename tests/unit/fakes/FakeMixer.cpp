#include "fakes/FakeMixer.h"

namespace quendal::test {

namespace {

// Identifiers that differ from device to device, so that one device's line or control passed
// to another shows up as a misuse.
std::uint32_t LineIdOf(unsigned device) { return 0xFFFF0000u + device; }
std::uint32_t ControlIdOf(unsigned device) { return 0x100u + device; }

}  // namespace

MixerHandle FakeMixer::Open(unsigned deviceId) {
  if (deviceId >= devices.size()) {
    ++misuses;
    return kNoMixerHandle;
  }
  if (!devices[deviceId].opens) return kNoMixerHandle;
  ++opens;
  const MixerHandle handle = m_next;
  m_next += 8;
  m_open.emplace(handle, deviceId);
  return handle;
}

void FakeMixer::Close(MixerHandle mixer) {
  if (m_open.erase(mixer) == 0) ++misuses;
}

std::optional<std::string> FakeMixer::ProductName(MixerHandle mixer) {
  const auto index = IndexOf(mixer);
  if (!index) return std::nullopt;
  return devices[*index].name;
}

std::optional<std::uint32_t> FakeMixer::SpeakersLineId(MixerHandle mixer) {
  const auto index = IndexOf(mixer);
  if (!index || !devices[*index].hasSpeakersLine) return std::nullopt;
  return LineIdOf(*index);
}

std::optional<std::uint32_t> FakeMixer::VolumeControlId(MixerHandle mixer, std::uint32_t lineId) {
  const auto index = IndexOf(mixer);
  if (!index) return std::nullopt;
  if (lineId != LineIdOf(*index)) {
    ++misuses;
    return std::nullopt;
  }
  if (!devices[*index].hasVolumeControl) return std::nullopt;
  return ControlIdOf(*index);
}

std::optional<std::uint32_t> FakeMixer::ControlValue(MixerHandle mixer, std::uint32_t controlId) {
  const auto index = IndexOf(mixer);
  if (!index) return std::nullopt;
  if (controlId != ControlIdOf(*index)) {
    ++misuses;
    return std::nullopt;
  }
  return devices[*index].value;
}

bool FakeMixer::SetControlValue(MixerHandle mixer, std::uint32_t controlId, std::uint32_t value) {
  const auto index = IndexOf(mixer);
  if (!index) return false;
  if (controlId != ControlIdOf(*index)) {
    ++misuses;
    return false;
  }
  FakeMixerDevice& device = devices[*index];
  if (device.refusesSet) return false;
  device.value = value;
  sets.push_back({*index, value});
  return true;
}

std::optional<unsigned> FakeMixer::IndexOf(MixerHandle mixer) {
  const auto open = m_open.find(mixer);
  if (open == m_open.end()) {
    ++misuses;
    return std::nullopt;
  }
  return open->second;
}

}  // namespace quendal::test
