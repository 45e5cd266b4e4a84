#include "SimulatedDevice.h"

#include "device/LittleEndian.h"

namespace quendal::sim {

namespace {

struct SimCommand {
  std::uint32_t code;
  std::uint32_t inputSize;
  std::uint32_t outputSize;
  Answer (SimulatedDevice::*answer)(const Request&);
};

}  // namespace

std::uint32_t SimulatedDevice::OpenControlPath() {
  ++openHandles_;
  return generation_;
}

void SimulatedDevice::CloseControlPath() { --openHandles_; }

Answer SimulatedDevice::Planned(SimResult validation, const Request& request) {
  if (validation != SimResult::kOk) return Refuse(validation);
  if (failures_.Take(request.code)) return Refuse(SimResult::kInjected);
  return Accept();
}

Answer SimulatedDevice::AnswerControlPath(std::uint32_t generation, const Request& request) {
  Answer answer;
  if (!plugged_) {
    answer = Refuse(SimResult::kUnplugged);
  } else if (generation != generation_) {
    answer = Refuse(SimResult::kStaleHandle);
  } else {
    answer = Planned(filter_.Validate(request), request);
    if (answer.result == SimResult::kOk) answer = filter_.Apply(request);
  }
  log_.Record(request, answer.result);
  return answer;
}

Answer SimulatedDevice::AnswerHostController(std::uint32_t controller, const Request& request) {
  Answer answer = Planned(bus_.ValidateHostController(request), request);
  if (answer.result == SimResult::kOk) answer = bus_.AnswerHostController(controller, request);
  return answer;
}

Answer SimulatedDevice::AnswerHub(std::uint32_t hub, const Request& request) {
  Answer answer = Planned(bus_.ValidateHub(hub, request), request);
  if (answer.result == SimResult::kOk) answer = bus_.AnswerHub(hub, request);
  return answer;
}

Answer SimulatedDevice::AnswerSimControl(const Request& request) {
  static constexpr SimCommand kSimCommands[] = {
      {IOCTL_SIM_PLUG, 0, 0, &SimulatedDevice::Plug},
      {IOCTL_SIM_UNPLUG, 0, 0, &SimulatedDevice::Unplug},
      {IOCTL_SIM_SET_SOURCE, 4, 0, &SimulatedDevice::SetSource},
      {IOCTL_SIM_SET_TOPOLOGY, 4, 0, &SimulatedDevice::SetTopology},
      {IOCTL_SIM_FAIL_NEXT, sizeof(SIM_FAILURE), 0, &SimulatedDevice::FailNext},
      {IOCTL_SIM_READ_LOG, sizeof(SIM_LOG_REQUEST), sizeof(SIM_LOG), &SimulatedDevice::ReadLog},
      {IOCTL_SIM_GET_STATE, 0, sizeof(SIM_STATE), &SimulatedDevice::GetState},
      {IOCTL_SIM_ADD_AUDIO_FILTER, 0, 0, &SimulatedDevice::AddAudioFilter},
  };
  for (const SimCommand& command : kSimCommands) {
    if (command.code != request.code) continue;
    if (request.inputSize != command.inputSize || request.outputSize != command.outputSize) {
      return Refuse(SimResult::kWrongSize);
    }
    return (this->*command.answer)(request);
  }
  return Refuse(SimResult::kUnknownCode);
}

Answer SimulatedDevice::Plug(const Request&) {
  if (!plugged_) {
    plugged_ = true;
    ++generation_;
    filter_.ResetSettings();
    bus_.SetDevicePlugged(true);
  }
  return Accept();
}

Answer SimulatedDevice::Unplug(const Request&) {
  plugged_ = false;
  bus_.SetDevicePlugged(false);
  return Accept();
}

Answer SimulatedDevice::SetSource(const Request& request) {
  const std::uint32_t source = GetLittleEndian32(request.buffer);
  if (source > static_cast<std::uint32_t>(SimSource::kMultiChannel)) {
    return Refuse(SimResult::kBadValue);
  }
  filter_.SetSource(static_cast<SimSource>(source));
  return Accept();
}

Answer SimulatedDevice::SetTopology(const Request& request) {
  const std::uint32_t topology = GetLittleEndian32(request.buffer);
  if (topology > static_cast<std::uint32_t>(SimTopology::kAbsent)) {
    return Refuse(SimResult::kBadValue);
  }
  bus_.SetTopology(static_cast<SimTopology>(topology));
  return Accept();
}

Answer SimulatedDevice::FailNext(const Request& request) {
  const SIM_FAILURE failure{GetLittleEndian32(request.buffer),
                            GetLittleEndian32(request.buffer + 4)};
  return failures_.Plan(failure.dwCode, failure.dwCount) ? Accept() : Refuse(SimResult::kBadValue);
}

Answer SimulatedDevice::ReadLog(const Request& request) {
  const bool clear = GetLittleEndian32(request.buffer) != 0;
  log_.CopyTo(*reinterpret_cast<SIM_LOG*>(request.buffer), clear);
  return Accept(sizeof(SIM_LOG));
}

Answer SimulatedDevice::GetState(const Request& request) {
  SIM_STATE& state = *reinterpret_cast<SIM_STATE*>(request.buffer);
  state = {};
  state.bPlugged = plugged_ ? 1 : 0;
  state.dwTopology = static_cast<std::uint32_t>(bus_.Topology());
  filter_.Report(state);
  state.dwOpenHandles = openHandles_;
  state.dwAudioFilterAdds = audioFilterAdds_;
  return Accept(sizeof(SIM_STATE));
}

// A planned failure stands for a library that cannot put the filter in place although the device
// is there.
Answer SimulatedDevice::AddAudioFilter(const Request& request) {
  if (!plugged_) return Refuse(SimResult::kUnplugged);
  if (failures_.Take(request.code)) return Refuse(SimResult::kInjected);
  ++audioFilterAdds_;
  return Accept();
}

}  // namespace quendal::sim
