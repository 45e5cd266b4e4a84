#include "pages/MasterVolume.h"

#include <algorithm>
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

bool NamesUsbMixer(std::string_view productName) {
  constexpr std::string_view kUsb = "USB";
  const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
  std::string name(productName);
  std::transform(name.begin(), name.end(), name.begin(), upper);
  return name.find(kUsb) != std::string::npos;
}

std::optional<std::uint32_t> ReadSpeakersVolume(Mixer& mixer) {
  std::optional<std::uint32_t> volume;
  const unsigned count = mixer.DeviceCount();
  for (unsigned id = 0; id < count; ++id) {
    // An internal mixer without a speakers volume must not hide a USB one numbered after it.
    const auto reading = ReadMixerDevice(mixer, id);
    if (!reading) continue;
    volume = reading->value;
    if (NamesUsbMixer(reading->productName)) break;
  }
  return volume;
}

void WriteSpeakersVolume(Mixer& mixer, std::uint32_t value) {
  const unsigned count = mixer.DeviceCount();
  for (unsigned id = 0; id < count; ++id) WriteMixerDevice(mixer, id, value);
}

}  // namespace quendal
