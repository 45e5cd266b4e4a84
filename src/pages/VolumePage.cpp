#include "pages/VolumePage.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>

#include "pages/MasterVolume.h"
#include "platform/WindowsValues.h"
#include "resource_ids.h"
#include "ui/RequestFailure.h"

namespace quendal {

namespace {

struct ChannelEntry {
  SliderControl CVolumePage::*slider;
  int defaultButton;
  float CVolumePage::*gain;
  SettingsValue value;
  std::uint32_t code;
};

// Every channel's controls, gain member, stored value and control code, in the order the page
// initialises its sliders and loads its settings.
constexpr std::array<ChannelEntry, CVolumePage::kChannelCount> kChannels{{
    {&CVolumePage::m_sliderFrontLeft, IDC_DEFAULT_FRONT_LEFT, &CVolumePage::m_fVolumeL,
     settings::kVolumeL, IOCTL_SET_VOLUME_L},
    {&CVolumePage::m_sliderFrontRight, IDC_DEFAULT_FRONT_RIGHT, &CVolumePage::m_fVolumeR,
     settings::kVolumeR, IOCTL_SET_VOLUME_R},
    {&CVolumePage::m_sliderLFE, IDC_DEFAULT_LFE, &CVolumePage::m_fVolumeLFE, settings::kVolumeLFE,
     IOCTL_SET_VOLUME_LFE},
    {&CVolumePage::m_sliderCenter, IDC_DEFAULT_CENTER, &CVolumePage::m_fVolumeC, settings::kVolumeC,
     IOCTL_SET_VOLUME_C},
    {&CVolumePage::m_sliderRearLeft, IDC_DEFAULT_REAR_LEFT, &CVolumePage::m_fVolumeRL,
     settings::kVolumeRL, IOCTL_SET_VOLUME_RL},
    {&CVolumePage::m_sliderRearRight, IDC_DEFAULT_REAR_RIGHT, &CVolumePage::m_fVolumeRR,
     settings::kVolumeRR, IOCTL_SET_VOLUME_RR},
}};

// The order in which the stored gains go back to the device, at the page's creation and at every
// attach.
constexpr std::array<CVolumePage::Channel, CVolumePage::kChannelCount> kPushOrder{
    CVolumePage::kFrontLeft, CVolumePage::kFrontRight, CVolumePage::kCenter,
    CVolumePage::kLfe,       CVolumePage::kRearLeft,   CVolumePage::kRearRight};

}  // namespace

float GainForSliderPosition(int position) {
  const double decibels = static_cast<double>(kChannelSliderUnity - position);
  return static_cast<float>(std::pow(10.0, decibels * 0.05));
}

float ClampStoredGain(float gain) {
  if (std::isnan(gain)) return 1.0f;
  return std::clamp(gain, GainForSliderPosition(kChannelSliderBottom),
                    GainForSliderPosition(kChannelSliderTop));
}

int SliderPositionForGain(float gain) {
  // One position per decibel. Rounded, not truncated: a single-precision gain seldom lies
  // exactly on its position's decibels, and truncation would show those just below one step
  // too high, so that a release without moving would change the device's gain.
  const double held = static_cast<double>(ClampStoredGain(gain));
  return static_cast<int>(std::lround(kChannelSliderUnity - std::log10(held) * 20.0));
}

CVolumePage::CVolumePage(DeviceIo& io, Registry& registry, const StringTable& strings, Mixer& mixer,
                         AudioEndpoints& endpoints)
    : PropertyPage(IDD_VOLUME_PAGE),
      m_sliderRearLeft(*this, IDC_SLIDER_REAR_LEFT),
      m_sliderRearRight(*this, IDC_SLIDER_REAR_RIGHT),
      m_sliderFrontRight(*this, IDC_SLIDER_FRONT_RIGHT),
      m_sliderMaster(*this, IDC_SLIDER_MASTER),
      m_sliderLFE(*this, IDC_SLIDER_LFE),
      m_sliderFrontLeft(*this, IDC_SLIDER_FRONT_LEFT),
      m_sliderCenter(*this, IDC_SLIDER_CENTER),
      m_hDevice(io),
      m_hKey(registry, strings),
      m_io(io),
      m_strings(strings),
      m_mixer(mixer),
      m_endpoints(endpoints) {}

bool CVolumePage::OnInitDialog() {
  m_sliderMaster.SetRange(0, static_cast<int>(kTopMasterStep), false);
  m_sliderMaster.SetPos(kChannelSliderUnity, true);
  for (const ChannelEntry& channel : kChannels) {
    SliderControl& slider = this->*channel.slider;
    slider.SetRange(kChannelSliderTop, kChannelSliderBottom, false);
    slider.SetPos(kChannelSliderUnity, true);
  }
  LoadVolumeSettings();
  return true;
}

void CVolumePage::LoadVolumeSettings() {
  m_hKey.Open();
  m_dwSystemVolume = m_hKey.ReadOrDefault(settings::kSystemVolume);
  m_sliderMaster.SetPos(SliderPositionForStep(m_dwSystemVolume), true);
  for (const ChannelEntry& channel : kChannels) {
    float& gain = this->*channel.gain;
    gain = std::bit_cast<float>(m_hKey.ReadOrDefault(channel.value));
    (this->*channel.slider).SetPos(SliderPositionForGain(gain), true);
  }
  m_dwFilterVolume = m_hKey.ReadOrDefault(settings::kFilterVolume);
  RestoreChannelGains();
}

// The requests may fail silently: the page's own activation reports nothing either.
void CVolumePage::RestoreChannelGains() {
  ControlChannel channel(m_io);
  if (!channel.Open()) return;
  for (Channel id : kPushOrder) {
    const ChannelEntry& entry = kChannels[id];
    channel.SendChannelGain(entry.code, ClampStoredGain(this->*entry.gain));
  }
}

bool CVolumePage::OnSetActive() {
  m_hDevice.Open();
  ReadMasterVolume();
  return PropertyPage::OnSetActive();
}

bool CVolumePage::OnKillActive() {
  m_hDevice.Close();
  return PropertyPage::OnKillActive();
}

bool CVolumePage::OnCommand(int id, int notifyCode) {
  if (notifyCode != kBnClicked) return false;
  for (std::size_t channel = 0; channel < kChannels.size(); ++channel) {
    if (kChannels[channel].defaultButton == id) {
      OnDefaultChannel(static_cast<Channel>(channel));
      return true;
    }
  }
  return false;
}

bool CVolumePage::OnNotify(int id, int code, std::intptr_t& result) {
  if (code != kNmReleasedCapture) return false;
  if (id == m_sliderMaster.Id()) {
    WriteMasterVolume(result);
    return true;
  }
  for (std::size_t channel = 0; channel < kChannels.size(); ++channel) {
    if ((this->*kChannels[channel].slider).Id() == id) {
      OnReleasedCaptureChannel(static_cast<Channel>(channel), result);
      return true;
    }
  }
  return false;
}

void CVolumePage::ReadMasterVolume() {
  // With no volume to read, the step loaded from the store stands.
  if (const auto value = ReadMasterVolumeValue(m_endpoints, m_mixer)) {
    m_dwSystemVolume = StepForMixerValue(ScaleForFilterVolume(m_dwFilterVolume), *value);
  }
  m_hKey.Write(settings::kSystemVolume, m_dwSystemVolume);
  m_sliderMaster.SetPos(SliderPositionForStep(m_dwSystemVolume), true);
}

void CVolumePage::WriteMasterVolume(std::intptr_t& result) {
  m_dwSystemVolume = StepForSliderPosition(m_sliderMaster.GetPos());
  WriteMasterVolumeValue(
      m_endpoints, m_mixer,
      MixerValueForStep(ScaleForFilterVolume(m_dwFilterVolume), m_dwSystemVolume));
  m_hKey.Write(settings::kSystemVolume, m_dwSystemVolume);
  result = 0;
}

void CVolumePage::OnReleasedCaptureChannel(Channel channel, std::intptr_t& result) {
  if (!m_hDevice.IsOpen()) return;
  const ChannelEntry& entry = kChannels[channel];
  ApplyChannelGain(channel, GainForSliderPosition((this->*entry.slider).GetPos()));
  result = 0;
}

void CVolumePage::OnDefaultChannel(Channel channel) {
  if (!m_hDevice.IsOpen()) return;
  if (ApplyChannelGain(channel, 1.0f)) {
    (this->*kChannels[channel].slider).SetPos(kChannelSliderUnity, true);
  }
}

// A refused gain is not kept: the member goes on holding the stored gain, which the next attach
// sends back.
bool CVolumePage::ApplyChannelGain(Channel channel, float gain) {
  const ChannelEntry& entry = kChannels[channel];
  if (!m_hDevice.SendChannelGain(entry.code, gain)) {
    ShowRequestFailure(*this, m_strings);
    return false;
  }
  this->*entry.gain = gain;
  m_hKey.Write(entry.value, std::bit_cast<std::uint32_t>(gain));
  return true;
}

}  // namespace quendal
