#include "pages/EffectsPage.h"

#include <array>

#include "platform/WindowsValues.h"
#include "resource_ids.h"
#include "ui/CommandMap.h"
#include "ui/RequestFailure.h"

namespace quendal {

namespace {

// The controls that only mean something while the effects are on, in the order they change.
constexpr std::array<int, 6> kEffectControls{IDC_OUTPUT_2_1,    IDC_OUTPUT_5_1,
                                             IDC_BASS_GROUP,    IDC_CROSSOVER_120,
                                             IDC_CROSSOVER_300, IDC_CROSSOVER_450};

constexpr unsigned kSourceLayoutPeriodMs = 300;
constexpr unsigned kMultichannelQuestionStyle = kMbYesNo | kMbIconExclamation;

// Unity gain on every channel, in the order the device is reset at exit.
constexpr std::array<std::uint32_t, 6> kResetGainOrder{IOCTL_SET_VOLUME_LFE, IOCTL_SET_VOLUME_C,
                                                       IOCTL_SET_VOLUME_R,   IOCTL_SET_VOLUME_L,
                                                       IOCTL_SET_VOLUME_RR,  IOCTL_SET_VOLUME_RL};

constexpr std::array<CommandEntry<CEffectsPage>, 6> kCommandMap{{
    {IDC_ENABLE_EFFECTS, &CEffectsPage::OnEnableEffects},
    {IDC_OUTPUT_2_1, &CEffectsPage::OnOutput21},
    {IDC_OUTPUT_5_1, &CEffectsPage::OnOutput51},
    {IDC_CROSSOVER_120, &CEffectsPage::OnCrossover120},
    {IDC_CROSSOVER_300, &CEffectsPage::OnCrossover300},
    {IDC_CROSSOVER_450, &CEffectsPage::OnCrossover450},
}};

}  // namespace

CEffectsPage::CEffectsPage(DeviceIo& io, Registry& registry, const StringTable& strings)
    : PropertyPage(IDD_EFFECTS_PAGE),
      m_hDevice(io),
      m_hKey(registry, strings),
      m_strings(strings) {}

void CEffectsPage::DoDataExchange(DataExchange& dx) {
  dx.Check(IDC_ENABLE_EFFECTS, m_bEnableEffects);
  dx.Text(IDC_SOURCE_LAYOUT, m_strSourceLayout);
  dx.Radio({IDC_CROSSOVER_120, IDC_CROSSOVER_300, IDC_CROSSOVER_450}, m_nBassOutputMode);
  dx.Radio({IDC_OUTPUT_2_1, IDC_OUTPUT_5_1}, m_nOutputMode);
}

bool CEffectsPage::OnInitDialog() {
  LoadSettings();
  UpdateData(false);
  return true;
}

void CEffectsPage::LoadSettings() {
  m_hKey.Open();
  m_bEnableEffects = static_cast<int>(m_hKey.ReadOrDefault(settings::kEnableFilter));
  m_nOutputMode = static_cast<int>(m_hKey.ReadOrDefault(settings::kOutputMode));
  m_nBassOutputMode = static_cast<int>(m_hKey.ReadOrDefault(settings::kBassOutputMode));
}

bool CEffectsPage::OnSetActive() {
  if (!m_hDevice.Open()) {
    ++m_nFailedOpenings;
    // The first failure of the process stays silent: at start-up the driver may still be
    // coming up. The action stays pending, so the next activation tries again.
    if (m_nActivateAction == ActivateRestore && m_nFailedOpenings > 1) {
      ShowMessage(m_strings, IDS_DRIVER_NOT_LOADED, IDS_ERROR_CAPTION, kMbIconHand);
    }
    return false;
  }
  if (m_nActivateAction == ActivateRestore) {
    OnEnableEffects();
    m_nActivateAction = ActivateRestored;
  } else if (m_nActivateAction == ActivateResetForExit) {
    ResetDeviceForExit();
  }
  if (m_bDisplayVisible) StartSourceLayoutDisplay();
  return PropertyPage::OnSetActive();
}

bool CEffectsPage::OnKillActive() {
  m_hDevice.Close();
  Window()->KillTimer(IDT_SOURCE_LAYOUT);
  return PropertyPage::OnKillActive();
}

bool CEffectsPage::OnCommand(int id, int notifyCode) {
  if (notifyCode != kBnClicked) return false;
  return DispatchCommand<CEffectsPage>(*this, kCommandMap, id);
}

void CEffectsPage::OnTimer(unsigned id) {
  if (id == IDT_SOURCE_LAYOUT && m_bDisplayVisible) ShowSourceLayout();
}

// The page is active exactly while it holds its channel handle. Coming into view, it shows
// what plays now rather than what played when it was last seen.
void CEffectsPage::SetDisplayVisible(bool visible) {
  if (visible == m_bDisplayVisible) return;
  m_bDisplayVisible = visible;
  if (Window() == nullptr || !m_hDevice.IsOpen()) return;
  if (visible) {
    ShowSourceLayout();
    StartSourceLayoutDisplay();
  } else {
    Window()->KillTimer(IDT_SOURCE_LAYOUT);
  }
}

void CEffectsPage::StartSourceLayoutDisplay() {
  Window()->SetTimer(IDT_SOURCE_LAYOUT, kSourceLayoutPeriodMs);
}

void CEffectsPage::ApplyEnableEffects() {
  UpdateData(false);
  const bool shortLived = !m_hDevice.IsOpen() && m_hDevice.Open();
  OnEnableEffects();
  if (shortLived) m_hDevice.Close();
}

// Disarmed before the box: its message loop runs other handlers meanwhile, and the question is
// asked once per arming.
void CEffectsPage::AskAboutEffectsOnMultichannel() {
  m_bWarnArmed = 0;
  const int answer = ShowMessage(m_strings, IDS_MULTICHANNEL_QUESTION, IDS_WARNING_CAPTION,
                                 kMultichannelQuestionStyle);
  if (answer != kIdNo) return;
  m_bEnableEffects = 0;
  ApplyEnableEffects();
}

void CEffectsPage::OnEnableEffects() {
  if (!m_hDevice.IsOpen()) return;
  UpdateData(true);
  if (m_bEnableEffects == 0) {
    EnableEffectControls(false);
    if (!m_hDevice.Send(IOCTL_FILTER_DISABLE)) {
      ShowRequestFailure(*this, m_strings);
      return;
    }
    m_hKey.Write(settings::kEnableFilter, 0);
    return;
  }
  m_bWarnArmed = 1;
  EnableEffectControls(true);
  if (!m_hDevice.Send(IOCTL_FILTER_ENABLE)) {
    ShowRequestFailure(*this, m_strings);
    return;
  }
  m_hKey.Write(settings::kEnableFilter, static_cast<std::uint32_t>(m_bEnableEffects));
  // A click only switches the filter; a restore brings the output mode and crossover back too.
  if (m_nActivateAction != ActivateRestore) return;
  if (m_nOutputMode == 0)
    OnOutput21();
  else if (m_nOutputMode == 1)
    OnOutput51();
  if (m_nBassOutputMode >= 0 && m_nBassOutputMode < static_cast<int>(kBassCrossovers.size())) {
    SetBassCrossover(m_nBassOutputMode);
  }
}

void CEffectsPage::OnOutput21() { SendOutputMode(IOCTL_OUTPUT_2_1); }
void CEffectsPage::OnOutput51() { SendOutputMode(IOCTL_OUTPUT_5_1); }
void CEffectsPage::OnCrossover120() { SetBassCrossover(0); }
void CEffectsPage::OnCrossover300() { SetBassCrossover(1); }
void CEffectsPage::OnCrossover450() { SetBassCrossover(2); }

void CEffectsPage::SendOutputMode(std::uint32_t code) {
  if (!m_hDevice.IsOpen()) return;
  if (!m_hDevice.Send(code)) {
    ShowRequestFailure(*this, m_strings);
    return;
  }
  UpdateData(true);
  m_hKey.Write(settings::kOutputMode, static_cast<std::uint32_t>(m_nOutputMode));
}

bool CEffectsPage::SetBassCrossover(int index) {
  if (!m_hDevice.IsOpen()) return false;
  if (!m_hDevice.SendBassCrossover(kBassCrossovers.at(static_cast<std::size_t>(index)))) {
    return false;
  }
  m_hKey.Write(settings::kBassOutputMode, static_cast<std::uint32_t>(index));
  return true;
}

void CEffectsPage::ResetDeviceForExit() {
  m_hDevice.Send(IOCTL_FILTER_DISABLE);
  for (std::uint32_t code : kResetGainOrder) m_hDevice.SendChannelGain(code, 1.0f);
}

// A tick that finds the text already shown leaves the controls alone.
void CEffectsPage::ShowSourceLayout() {
  if (!m_hDevice.IsOpen()) return;
  const auto info = m_hDevice.GetSourceChannels();
  if (!info) return;
  std::wstring text = SourceLayoutText(LayoutOf(*info));
  if (Window()->GetControlText(IDC_SOURCE_LAYOUT) == text) return;
  UpdateData(true);
  m_strSourceLayout = std::move(text);
  UpdateData(false);
}

std::wstring CEffectsPage::SourceLayoutText(SourceLayout layout) const {
  switch (layout) {
    case SourceLayout::kMultiChannel:
      return m_strings.Load(IDS_SOURCE_MULTICHANNEL);
    case SourceLayout::kTwoChannel:
      return m_strings.Load(IDS_SOURCE_TWO_CHANNEL);
    case SourceLayout::kNone:
      break;
  }
  return std::wstring();
}

void CEffectsPage::EnableEffectControls(bool enable) {
  if (Window() == nullptr) return;
  for (int id : kEffectControls) Window()->EnableControl(id, enable);
}

}  // namespace quendal
