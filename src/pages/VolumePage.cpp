#include "pages/VolumePage.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>

#include "pages/MasterVolume.h"
#include "platform/WindowsValues.h"
#include "resource_ids.h"

namespace quendal {

namespace {

struct ChannelEntry {
  int slider;
  int defaultButton;
  float CVolumePage::*gain;
  SettingsValue value;
  std::uint32_t code;
};

// Every channel's controls, gain member, stored value and control code, in the order the page
// initialises its sliders and loads its settings.
constexpr std::array<ChannelEntry, CVolumePage::kChannelCount> kChannels{{
    {IDC_SLIDER_FRONT_LEFT, IDC_DEFAULT_FRONT_LEFT, &CVolumePage::m_fVolumeL, settings::kVolumeL,
     IOCTL_SET_VOLUME_L},
    {IDC_SLIDER_FRONT_RIGHT, IDC_DEFAULT_FRONT_RIGHT, &CVolumePage::m_fVolumeR, settings::kVolumeR,
     IOCTL_SET_VOLUME_R},
    {IDC_SLIDER_LFE, IDC_DEFAULT_LFE, &CVolumePage::m_fVolumeLFE, settings::kVolumeLFE,
     IOCTL_SET_VOLUME_LFE},
    {IDC_SLIDER_CENTER, IDC_DEFAULT_CENTER, &CVolumePage::m_fVolumeC, settings::kVolumeC,
     IOCTL_SET_VOLUME_C},
    {IDC_SLIDER_REAR_LEFT, IDC_DEFAULT_REAR_LEFT, &CVolumePage::m_fVolumeRL, settings::kVolumeRL,
     IOCTL_SET_VOLUME_RL},
    {IDC_SLIDER_REAR_RIGHT, IDC_DEFAULT_REAR_RIGHT, &CVolumePage::m_fVolumeRR, settings::kVolumeRR,
     IOCTL_SET_VOLUME_RR},
}};

// The order in which the stored gains go back to the device when the page is created.
constexpr std::array<CVolumePage::Channel, CVolumePage::kChannelCount> kPushOrder{
    CVolumePage::kFrontLeft, CVolumePage::kFrontRight, CVolumePage::kCenter,
    CVolumePage::kLfe,       CVolumePage::kRearLeft,   CVolumePage::kRearRight};

}  // namespace

float GainForSliderPosition(int position) {
  const double decibels = static_cast<double>(kChannelSliderUnity - position);
  return static_cast<float>(std::pow(10.0, decibels * 0.05));
}

int SliderPositionForGain(float gain) {
  // The comparisons also catch not-a-number, which must never reach a conversion to int.
  if (!(gain > 0.0f)) return kChannelSliderBottom;
  if (std::isinf(gain)) return kChannelSliderTop;
  // One position per decibel. Rounded, not truncated: a single-precision gain seldom lies
  // exactly on its position's decibels, and truncation would show those just below one step
  // too high, so that a release without moving would change the device's gain.
  const double position = kChannelSliderUnity - std::log10(static_cast<double>(gain)) * 20.0;
  const double held = std::clamp(position, static_cast<double>(kChannelSliderTop),
                                 static_cast<double>(kChannelSliderBottom));
  return static_cast<int>(std::lround(held));
}

CVolumePage::CVolumePage(DeviceIo& io, Registry& registry, const StringTable& strings, Mixer& mixer,
                         AudioEndpoints& endpoints)
    : PropertyPage(IDD_VOLUME_PAGE),
      m_hDevice(io),
      m_hKey(registry, strings),
      m_io(io),
      m_strings(strings),
      m_mixer(mixer),
      m_endpoints(endpoints) {}

bool CVolumePage::OnInitDialog() {
  Window()->SetSliderRange(IDC_SLIDER_MASTER, 0, static_cast<int>(kTopMasterStep), false);
  Window()->SetSliderPos(IDC_SLIDER_MASTER, kChannelSliderUnity, true);
  for (const ChannelEntry& channel : kChannels) {
    Window()->SetSliderRange(channel.slider, kChannelSliderTop, kChannelSliderBottom, false);
    Window()->SetSliderPos(channel.slider, kChannelSliderUnity, true);
  }
  LoadVolumeSettings();
  return true;
}

void CVolumePage::LoadVolumeSettings() {
  m_hKey.Open();
  m_dwSystemVolume = m_hKey.ReadOrDefault(settings::kSystemVolume);
  Window()->SetSliderPos(IDC_SLIDER_MASTER, SliderPositionForStep(m_dwSystemVolume), true);
  for (const ChannelEntry& channel : kChannels) {
    float& gain = this->*channel.gain;
    gain = std::bit_cast<float>(m_hKey.ReadOrDefault(channel.value));
    Window()->SetSliderPos(channel.slider, SliderPositionForGain(gain), true);
  }
  m_dwFilterVolume = m_hKey.ReadOrDefault(settings::kFilterVolume);
  PushStoredGains();
}

// The device starts at unity gain whenever it is plugged in; this brings back the user's gains.
// The requests may fail silently: the page's own activation reports nothing either.
void CVolumePage::PushStoredGains() {
  ControlChannel channel(m_io);
  if (!channel.Open()) return;
  for (Channel id : kPushOrder) {
    const ChannelEntry& entry = kChannels[id];
    channel.SendChannelGain(entry.code, this->*entry.gain);
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
  if (id == IDC_SLIDER_MASTER) {
    WriteMasterVolume(result);
    return true;
  }
  for (std::size_t channel = 0; channel < kChannels.size(); ++channel) {
    if (kChannels[channel].slider == id) {
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
  Window()->SetSliderPos(IDC_SLIDER_MASTER, SliderPositionForStep(m_dwSystemVolume), true);
}

void CVolumePage::WriteMasterVolume(std::intptr_t& result) {
  m_dwSystemVolume = StepForSliderPosition(Window()->GetSliderPos(IDC_SLIDER_MASTER));
  WriteMasterVolumeValue(
      m_endpoints, m_mixer,
      MixerValueForStep(ScaleForFilterVolume(m_dwFilterVolume), m_dwSystemVolume));
  m_hKey.Write(settings::kSystemVolume, m_dwSystemVolume);
  result = 0;
}

void CVolumePage::OnReleasedCaptureChannel(Channel channel, std::intptr_t& result) {
  if (!m_hDevice.IsOpen()) return;
  const ChannelEntry& entry = kChannels[channel];
  this->*entry.gain = GainForSliderPosition(Window()->GetSliderPos(entry.slider));
  ApplyChannelGain(channel);
  result = 0;
}

void CVolumePage::OnDefaultChannel(Channel channel) {
  if (!m_hDevice.IsOpen()) return;
  const ChannelEntry& entry = kChannels[channel];
  this->*entry.gain = 1.0f;
  if (ApplyChannelGain(channel)) Window()->SetSliderPos(entry.slider, kChannelSliderUnity, true);
}

bool CVolumePage::ApplyChannelGain(Channel channel) {
  const ChannelEntry& entry = kChannels[channel];
  const float gain = this->*entry.gain;
  if (!m_hDevice.SendChannelGain(entry.code, gain)) {
    ShowRequestFailure();
    return false;
  }
  m_hKey.Write(entry.value, std::bit_cast<std::uint32_t>(gain));
  return true;
}

void CVolumePage::ShowRequestFailure() {
  ShowMessage(m_strings, IDS_TRANSFER_ERROR, IDS_IO_CONTROL_ERROR, kMbOk);
}

}  // namespace quendal
