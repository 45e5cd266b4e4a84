// The volume page, sheet page 0: the master slider, which sets the system's master volume
// (its render endpoints, or the speakers volume of the system mixer), and six channel sliders,
// which set the device's output gain per channel from +20 dB (top) to -20 dB (bottom) in 1 dB
// steps. A channel gain goes to the driver first and is stored only once the driver accepted it;
// the stored gains are sent again when the page's window is created at start-up.
#pragma once

#include <cstddef>
#include <cstdint>

#include "device/ControlChannel.h"
#include "device/SettingsKey.h"
#include "platform/AudioEndpoints.h"
#include "platform/DeviceIo.h"
#include "platform/Mixer.h"
#include "platform/Registry.h"
#include "platform/StringTable.h"
#include "ui/Controls.h"
#include "ui/PropertyPage.h"

namespace quendal {

inline constexpr int kChannelSliderTop = 0;      // +20 dB
inline constexpr int kChannelSliderUnity = 20;   // 0 dB
inline constexpr int kChannelSliderBottom = 40;  // -20 dB

// The gain sent and stored for a channel slider position: 10^((20 - position) / 20).
float GainForSliderPosition(int position);
// The gain that goes to the device for a stored one. The store may hold anything a slider
// cannot give (an edited or damaged value): such a gain is held at the nearer end of the
// sliders' range, -20 dB or +20 dB, so that the speakers never get more than the sliders allow;
// not-a-number, which has no nearer end, goes as unity. Gains within the range pass unchanged.
float ClampStoredGain(float gain);
// The position nearest to the decibels of the gain the device gets for a stored one, so that
// every stored gain made from a position comes back at that position, and a stored gain out of
// range shows where its held gain stands.
int SliderPositionForGain(float gain);

class CVolumePage : public PropertyPage {
 public:
  // The six output channels, in the order of the page's channel table.
  enum Channel : std::size_t {
    kFrontLeft,
    kFrontRight,
    kLfe,
    kCenter,
    kRearLeft,
    kRearRight,
    kChannelCount
  };

  CVolumePage(DeviceIo& io, Registry& registry, const StringTable& strings, Mixer& mixer,
              AudioEndpoints& endpoints);

  bool OnInitDialog() override;
  bool OnSetActive() override;
  bool OnKillActive() override;
  bool OnCommand(int id, int notifyCode) override;
  bool OnNotify(int id, int code, std::intptr_t& result) override;

  void LoadVolumeSettings();
  // Sends the six stored gains, each clamped, in the order L, R, C, LFE, RL, RR: the device
  // powers up at its own gains whenever it is plugged in, so every attach brings the user's back.
  void RestoreChannelGains();
  // Moves the master slider to the system's master volume and stores its step.
  void ReadMasterVolume();
  // Sets the system's master volume to the master slider's step and stores the step.
  void WriteMasterVolume(std::intptr_t& result);
  void OnReleasedCaptureChannel(Channel channel, std::intptr_t& result);
  void OnDefaultChannel(Channel channel);

  // The master slider and the six channel sliders, bound to their controls.
  SliderControl m_sliderRearLeft;
  SliderControl m_sliderRearRight;
  SliderControl m_sliderFrontRight;
  SliderControl m_sliderMaster;
  SliderControl m_sliderLFE;
  SliderControl m_sliderFrontLeft;
  SliderControl m_sliderCenter;
  ControlChannel m_hDevice;
  SettingsKey m_hKey;
  std::uint32_t m_dwFilterVolume = 1;
  std::uint32_t m_dwSystemVolume = 1;
  // Each gain is at once the request's 4 bytes and the bits of the channel's stored value.
  float m_fVolumeL = 1.0f;
  float m_fVolumeR = 1.0f;
  float m_fVolumeLFE = 1.0f;
  float m_fVolumeC = 1.0f;
  float m_fVolumeRL = 1.0f;
  float m_fVolumeRR = 1.0f;

 private:
  // Sends a channel's gain; on success keeps it in the member and stores it, otherwise shows
  // the failure.
  bool ApplyChannelGain(Channel channel, float gain);

  DeviceIo& m_io;
  const StringTable& m_strings;
  Mixer& m_mixer;
  AudioEndpoints& m_endpoints;
};

}  // namespace quendal
