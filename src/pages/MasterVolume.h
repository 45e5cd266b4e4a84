// The master volume: the speakers volume of the system mixer, in 41 steps (0 quietest, 40
// loudest) on one of two scales, and the walks over the mixer devices that read and set it.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

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

// True when a mixer's product name holds "USB" in any case.
bool NamesUsbMixer(std::string_view productName);

// The speakers volume of the first USB mixer, or failing that of the last mixer read. A mixer
// that does not open or has no speakers volume is passed over. Nothing when no mixer was read.
std::optional<std::uint32_t> ReadSpeakersVolume(Mixer& mixer);
// Sets the speakers volume of every mixer that has one; the others are passed over.
void WriteSpeakersVolume(Mixer& mixer, std::uint32_t value);

}  // namespace quendal
