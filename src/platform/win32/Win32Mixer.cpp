#include "platform/win32/Win32Mixer.h"

#include <windows.h>
// After windows.h, which it needs and which leaves it out when lean.
#include <mmsystem.h>

#include <cstring>

namespace quendal {

namespace {

HMIXER ToMixer(MixerHandle mixer) { return reinterpret_cast<HMIXER>(mixer); }
HMIXEROBJ ToMixerObject(MixerHandle mixer) { return reinterpret_cast<HMIXEROBJ>(mixer); }

// One unsigned value for all channels of a control.
MIXERCONTROLDETAILS SingleValueDetails(std::uint32_t controlId,
                                       MIXERCONTROLDETAILS_UNSIGNED& value) {
  MIXERCONTROLDETAILS details{};
  details.cbStruct = sizeof details;
  details.dwControlID = controlId;
  details.cChannels = 1;
  details.cMultipleItems = 0;
  details.cbDetails = sizeof value;
  details.paDetails = &value;
  return details;
}

}  // namespace

static_assert(sizeof(MixerHandle) == sizeof(HMIXER));

unsigned Win32Mixer::DeviceCount() { return mixerGetNumDevs(); }

MixerHandle Win32Mixer::Open(unsigned deviceId) {
  HMIXER mixer = nullptr;
  if (mixerOpen(&mixer, deviceId, 0, 0, MIXER_OBJECTF_MIXER) != MMSYSERR_NOERROR) {
    return kNoMixerHandle;
  }
  return reinterpret_cast<MixerHandle>(mixer);
}

void Win32Mixer::Close(MixerHandle mixer) { mixerClose(ToMixer(mixer)); }

std::optional<std::string> Win32Mixer::ProductName(MixerHandle mixer) {
  MIXERCAPSA caps{};
  // The open handle stands in place of the device identifier.
  if (mixerGetDevCapsA(reinterpret_cast<UINT_PTR>(ToMixer(mixer)), &caps, sizeof caps) !=
      MMSYSERR_NOERROR) {
    return std::nullopt;
  }
  return std::string(caps.szPname, strnlen(caps.szPname, sizeof caps.szPname));
}

std::optional<std::uint32_t> Win32Mixer::SpeakersLineId(MixerHandle mixer) {
  MIXERLINEA line{};
  line.cbStruct = sizeof line;
  line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
  if (mixerGetLineInfoA(ToMixerObject(mixer), &line,
                        MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) !=
      MMSYSERR_NOERROR) {
    return std::nullopt;
  }
  return line.dwLineID;
}

std::optional<std::uint32_t> Win32Mixer::VolumeControlId(MixerHandle mixer, std::uint32_t lineId) {
  MIXERCONTROLA control{};
  control.cbStruct = sizeof control;
  MIXERLINECONTROLSA controls{};
  controls.cbStruct = sizeof controls;
  controls.dwLineID = lineId;
  controls.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
  controls.cControls = 1;
  controls.cbmxctrl = sizeof control;
  controls.pamxctrl = &control;
  if (mixerGetLineControlsA(ToMixerObject(mixer), &controls,
                            MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) !=
      MMSYSERR_NOERROR) {
    return std::nullopt;
  }
  return control.dwControlID;
}

std::optional<std::uint32_t> Win32Mixer::ControlValue(MixerHandle mixer, std::uint32_t controlId) {
  MIXERCONTROLDETAILS_UNSIGNED value{};
  MIXERCONTROLDETAILS details = SingleValueDetails(controlId, value);
  if (mixerGetControlDetailsA(ToMixerObject(mixer), &details,
                              MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE) !=
      MMSYSERR_NOERROR) {
    return std::nullopt;
  }
  return value.dwValue;
}

bool Win32Mixer::SetControlValue(MixerHandle mixer, std::uint32_t controlId, std::uint32_t value) {
  MIXERCONTROLDETAILS_UNSIGNED unsignedValue{value};
  MIXERCONTROLDETAILS details = SingleValueDetails(controlId, unsignedValue);
  return mixerSetControlDetails(ToMixerObject(mixer), &details,
                                MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE) ==
         MMSYSERR_NOERROR;
}

}  // namespace quendal
