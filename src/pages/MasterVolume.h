// The master volume, in 41 steps (0 quietest, 40 loudest) on one of two scales of the mixer's
// range: the volume of the system's render endpoints where the system has them and they take a
// level, otherwise the speakers volume of the system mixer, with the walks that read and set it.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/AudioEndpoints.h"
#include "platform/Mixer.h"

namespace quendal {

inline constexpr std::uint32_t kTopMasterStep = 40;

// How the steps map onto the mixer's range 0..65535: "FilterVolume" non-zero selects the
// narrow scale, which never goes below a fifth of the range, zero the full scale.
enum class MasterScale { kNarrow, kFull };

constexpr MasterScale ScaleForFilterVolume(std::uint32_t filterVolume) {
  return filterVolume != 0 ? MasterScale::kNarrow : MasterScale::kFull;
}

// The mixer value written for a step (0..40).
std::uint32_t MixerValueForStep(MasterScale scale, std::uint32_t step);
// The step whose written value lies nearest to a mixer value, so that every value written for
// a step reads back as that step.
std::uint32_t StepForMixerValue(MasterScale scale, std::uint32_t value);

// The master slider stands at position 40 - step, the loudest at the top; a step above 40
// shows at the top.
int SliderPositionForStep(std::uint32_t step);
std::uint32_t StepForSliderPosition(int position);

// An endpoint's scalar level for a mixer value, value / 65535; and the mixer value nearest to a
// level, a level outside 0.0..1.0 held at the nearer end and not-a-number read as silence.
float EndpointLevelForMixerValue(std::uint32_t value);
std::uint32_t MixerValueForEndpointLevel(float level);

// True when a mixer's product name or an endpoint's friendly name holds "USB" in any case.
bool NamesUsbDevice(std::string_view name);

// The speakers volume of the first USB mixer, or failing that of the last mixer read. A mixer
// that does not open or has no speakers volume is passed over. Nothing when no mixer was read.
std::optional<std::uint32_t> ReadSpeakersVolume(Mixer& mixer);
// Sets the speakers volume of every mixer that has one; the others are passed over.
void WriteSpeakersVolume(Mixer& mixer, std::uint32_t value);

// The master volume as a mixer value: read from the endpoints by the mixer's rule (the first
// one named USB, or failing that the last one read) where at least one of them is usable,
// otherwise from the mixer.
std::optional<std::uint32_t> ReadMasterVolumeValue(AudioEndpoints& endpoints, Mixer& mixer);
// Sets the master volume on every usable endpoint, or on the mixer where none is usable.
void WriteMasterVolumeValue(AudioEndpoints& endpoints, Mixer& mixer, std::uint32_t value);

}  // namespace quendal
