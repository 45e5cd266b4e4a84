#include "FilterDevice.h"

#include "device/LittleEndian.h"

namespace quendal::sim {

namespace {

enum class Action { kFilter, kOutput, kSpeakerTest, kGain, kCrossover, kReportSource };

struct Command {
  std::uint32_t code;
  std::uint32_t inputSize;
  std::uint32_t outputSize;
  Action action;
  std::uint32_t argument;  // on/off, output mode or channel, by action
};

constexpr std::uint32_t kOutput2_1 = static_cast<std::uint32_t>(SimOutputMode::kTwoOne);
constexpr std::uint32_t kOutput5_1 = static_cast<std::uint32_t>(SimOutputMode::kFiveOne);

constexpr Command kCommands[] = {
    {IOCTL_FILTER_ENABLE, 0, 0, Action::kFilter, 1},
    {IOCTL_FILTER_DISABLE, 0, 0, Action::kFilter, 0},
    {IOCTL_OUTPUT_5_1, 0, 0, Action::kOutput, kOutput5_1},
    {IOCTL_OUTPUT_2_1, 0, 0, Action::kOutput, kOutput2_1},
    {IOCTL_SPEAKER_TEST_START, 0, 0, Action::kSpeakerTest, 1},
    {IOCTL_SPEAKER_TEST_STOP, 0, 0, Action::kSpeakerTest, 0},
    {IOCTL_SET_VOLUME_LFE, kChannelGainSize, 0, Action::kGain, kLfe},
    {IOCTL_SET_VOLUME_L, kChannelGainSize, 0, Action::kGain, kLeft},
    {IOCTL_SET_VOLUME_R, kChannelGainSize, 0, Action::kGain, kRight},
    {IOCTL_SET_VOLUME_C, kChannelGainSize, 0, Action::kGain, kCentre},
    {IOCTL_SET_VOLUME_RL, kChannelGainSize, 0, Action::kGain, kRearLeft},
    {IOCTL_SET_VOLUME_RR, kChannelGainSize, 0, Action::kGain, kRearRight},
    {IOCTL_SET_BASS_OUTPUT, kBassCrossoverParamsSize, 0, Action::kCrossover, 0},
    {IOCTL_GET_SOURCE_CHANNELS, 0, kSourceChannelInfoSize, Action::kReportSource, 0},
};

const Command* FindCommand(std::uint32_t code) {
  for (const Command& command : kCommands) {
    if (command.code == code) return &command;
  }
  return nullptr;
}

}  // namespace

SimResult FilterDevice::Validate(const Request& request) const {
  const Command* command = FindCommand(request.code);
  if (command == nullptr) return SimResult::kUnknownCode;
  if (request.inputSize != command->inputSize || request.outputSize != command->outputSize) {
    return SimResult::kWrongSize;
  }
  return SimResult::kOk;
}

Answer FilterDevice::Apply(const Request& request) {
  const Command& command = *FindCommand(request.code);
  const std::uint8_t* input = request.buffer;
  switch (command.action) {
    case Action::kFilter:
      filterEnabled_ = command.argument != 0;
      break;
    case Action::kOutput:
      outputMode_ = static_cast<SimOutputMode>(command.argument);
      break;
    case Action::kSpeakerTest:
      speakerTestRunning_ = command.argument != 0;
      break;
    case Action::kGain:
      gainBits_[command.argument] = GetLittleEndian32(input);
      break;
    case Action::kCrossover:
      crossover_ = {GetLittleEndian32(input), GetLittleEndian32(input + 4),
                    GetLittleEndian32(input + 8)};
      break;
    case Action::kReportSource:
      request.buffer[0] = source_ == SimSource::kMultiChannel ? 1 : 0;
      request.buffer[1] = source_ == SimSource::kTwoChannel ? 1 : 0;
      request.buffer[2] = 0;
      request.buffer[3] = 0;
      break;
  }
  return Accept(command.outputSize);
}

void FilterDevice::Report(SIM_STATE& state) const {
  state.bFilterEnabled = filterEnabled_ ? 1 : 0;
  state.dwOutputMode = static_cast<std::uint32_t>(outputMode_);
  state.crossover = crossover_;
  for (std::uint32_t channel = 0; channel < kChannelCount; ++channel) {
    state.dwGainBits[channel] = gainBits_[channel];
  }
  state.bSpeakerTestRunning = speakerTestRunning_ ? 1 : 0;
  state.dwSource = static_cast<std::uint32_t>(source_);
}

}  // namespace quendal::sim
