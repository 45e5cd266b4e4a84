#include "pages/MasterVolume.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace quendal {

namespace {

struct ScaleRule {
  std::uint32_t bottom;    // value of step 0
  std::uint32_t stepSize;  // value added per step
};

constexpr ScaleRule kNarrowRule{26214, 983};
constexpr ScaleRule kFullRule{0, 1638};

constexpr const ScaleRule& RuleOf(MasterScale scale) {
  return scale == MasterScale::kNarrow ? kNarrowRule : kFullRule;
}

// An open mixer device, closed again when it goes out of scope.
class OpenMixerDevice {
 public:
  OpenMixerDevice(Mixer& mixer, unsigned deviceId)
      : m_mixer(mixer), m_handle(mixer.Open(deviceId)) {}
  ~OpenMixerDevice() {
    if (IsOpen()) m_mixer.Close(m_handle);
  }
  OpenMixerDevice(const OpenMixerDevice&) = delete;
  OpenMixerDevice& operator=(const OpenMixerDevice&) = delete;

  bool IsOpen() const { return m_handle != kNoMixerHandle; }
  MixerHandle Handle() const { return m_handle; }

 private:
  Mixer& m_mixer;
  MixerHandle m_handle;
};

struct SpeakersVolume {
  std::uint32_t controlId;
  std::uint32_t value;
};

std::optional<SpeakersVolume> FindSpeakersVolume(Mixer& mixer, MixerHandle device) {
  const auto line = mixer.SpeakersLineId(device);
  if (!line) return std::nullopt;
  const auto control = mixer.VolumeControlId(device, *line);
  if (!control) return std::nullopt;
  const auto value = mixer.ControlValue(device, *control);
  if (!value) return std::nullopt;
  return SpeakersVolume{*control, *value};
}

struct MixerReading {
  std::string productName;
  std::uint32_t value;
};

std::optional<MixerReading> ReadMixerDevice(Mixer& mixer, unsigned deviceId) {
  const OpenMixerDevice device(mixer, deviceId);
  if (!device.IsOpen()) return std::nullopt;
  auto name = mixer.ProductName(device.Handle());
  if (!name) return std::nullopt;
  const auto volume = FindSpeakersVolume(mixer, device.Handle());
  if (!volume) return std::nullopt;
  return MixerReading{std::move(*name), volume->value};
}

void WriteMixerDevice(Mixer& mixer, unsigned deviceId, std::uint32_t value) {
  const OpenMixerDevice device(mixer, deviceId);
  if (!device.IsOpen()) return;
  const auto volume = FindSpeakersVolume(mixer, device.Handle());
  if (volume) mixer.SetControlValue(device.Handle(), volume->controlId, value);
}

constexpr std::uint32_t kTopMixerValue = 65535;

// An endpoint is usable when its level reads and it takes a level. Reading and writing apply the
// same test, so that both go the same way: the endpoints, or the mixer when none is usable. An
// endpoint whose volume reads but refuses every level (a stub that reports a fixed level) must
// not show on the slider while the slider's releases go to the mixer.
std::optional<float> UsableEndpointLevel(RenderEndpoints& endpoints, unsigned index) {
  const auto level = endpoints.MasterLevel(index);
  if (!level) return std::nullopt;
  // Setting the level just read proves that the endpoint takes one and leaves its volume as it
  // was.
  if (!endpoints.SetMasterLevel(index, *level)) return std::nullopt;
  return level;
}

std::optional<std::uint32_t> ReadEndpointsVolume(AudioEndpoints& system) {
  const auto endpoints = system.OpenActiveRenderEndpoints();
  if (!endpoints) return std::nullopt;
  std::optional<std::uint32_t> volume;
  const unsigned count = endpoints->Count();
  for (unsigned index = 0; index < count; ++index) {
    const auto level = UsableEndpointLevel(*endpoints, index);
    if (!level) continue;
    volume = MixerValueForEndpointLevel(*level);
    // An endpoint without a name cannot be the USB one, but may still be the last one read.
    const auto name = endpoints->FriendlyName(index);
    if (name && NamesUsbDevice(*name)) break;
  }
  return volume;
}

// True when at least one endpoint took the level.
bool WriteEndpointsVolume(AudioEndpoints& system, float level) {
  const auto endpoints = system.OpenActiveRenderEndpoints();
  if (!endpoints) return false;
  bool taken = false;
  const unsigned count = endpoints->Count();
  for (unsigned index = 0; index < count; ++index) {
    if (!endpoints->MasterLevel(index)) continue;
    if (endpoints->SetMasterLevel(index, level)) taken = true;
  }
  return taken;
}

}  // namespace

std::uint32_t MixerValueForStep(MasterScale scale, std::uint32_t step) {
  const ScaleRule& rule = RuleOf(scale);
  return rule.bottom + rule.stepSize * std::min(step, kTopMasterStep);
}

std::uint32_t StepForMixerValue(MasterScale scale, std::uint32_t value) {
  const ScaleRule& rule = RuleOf(scale);
  if (value <= rule.bottom) return 0;
  const std::uint64_t above = value - rule.bottom;
  const std::uint64_t nearest = (above + rule.stepSize / 2) / rule.stepSize;
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(nearest, kTopMasterStep));
}

int SliderPositionForStep(std::uint32_t step) {
  return static_cast<int>(kTopMasterStep - std::min(step, kTopMasterStep));
}

std::uint32_t StepForSliderPosition(int position) {
  const int top = static_cast<int>(kTopMasterStep);
  return static_cast<std::uint32_t>(top - std::clamp(position, 0, top));
}

float EndpointLevelForMixerValue(std::uint32_t value) {
  return static_cast<float>(static_cast<double>(std::min(value, kTopMixerValue)) / kTopMixerValue);
}

std::uint32_t MixerValueForEndpointLevel(float level) {
  // The comparison also catches not-a-number, which must never reach a conversion to an integer.
  if (!(level > 0.0f)) return 0;
  const double value = std::min(static_cast<double>(level), 1.0) * kTopMixerValue;
  return static_cast<std::uint32_t>(std::lround(value));
}

bool NamesUsbDevice(std::string_view name) {
  constexpr std::string_view kUsb = "USB";
  const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
  std::string upperName(name);
  std::transform(upperName.begin(), upperName.end(), upperName.begin(), upper);
  return upperName.find(kUsb) != std::string::npos;
}

std::optional<std::uint32_t> ReadSpeakersVolume(Mixer& mixer) {
  std::optional<std::uint32_t> volume;
  const unsigned count = mixer.DeviceCount();
  for (unsigned id = 0; id < count; ++id) {
    // An internal mixer without a speakers volume must not hide a USB one numbered after it.
    const auto reading = ReadMixerDevice(mixer, id);
    if (!reading) continue;
    volume = reading->value;
    if (NamesUsbDevice(reading->productName)) break;
  }
  return volume;
}

void WriteSpeakersVolume(Mixer& mixer, std::uint32_t value) {
  const unsigned count = mixer.DeviceCount();
  for (unsigned id = 0; id < count; ++id) WriteMixerDevice(mixer, id, value);
}

std::optional<std::uint32_t> ReadMasterVolumeValue(AudioEndpoints& endpoints, Mixer& mixer) {
  if (const auto volume = ReadEndpointsVolume(endpoints)) return volume;
  return ReadSpeakersVolume(mixer);
}

void WriteMasterVolumeValue(AudioEndpoints& endpoints, Mixer& mixer, std::uint32_t value) {
  // On a system with endpoints the mixer functions change only this program's own volume, so the
  // mixer is the way only where no endpoint takes the level.
  if (!WriteEndpointsVolume(endpoints, EndpointLevelForMixerValue(value))) {
    WriteSpeakersVolume(mixer, value);
  }
}

}  // namespace quendal
