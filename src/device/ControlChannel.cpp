#include "device/ControlChannel.h"

#include <cstring>

namespace quendal {

bool ControlChannel::Open() {
  Close();
  m_handle = m_io.Open(kControlPath, DeviceAccess::kReadWriteShared);
  return IsOpen();
}

void ControlChannel::Close() {
  if (!IsOpen()) return;
  m_io.Close(m_handle);
  m_handle = kInvalidDeviceHandle;
}

bool ControlChannel::Send(std::uint32_t code) { return Request(code, nullptr, 0, nullptr, 0); }

bool ControlChannel::SendChannelGain(std::uint32_t code, float gain) {
  const auto bytes = EncodeChannelGain(gain);
  return Request(code, bytes.data(), kChannelGainSize, nullptr, 0);
}

bool ControlChannel::SendBassCrossover(const BASS_CROSSOVER_PARAMS& params) {
  const auto bytes = EncodeBassCrossover(params);
  return Request(IOCTL_SET_BASS_OUTPUT, bytes.data(), kBassCrossoverParamsSize, nullptr, 0);
}

std::optional<SOURCE_CHANNEL_INFO> ControlChannel::GetSourceChannels() {
  SOURCE_CHANNEL_INFO info{};
  if (!Request(IOCTL_GET_SOURCE_CHANNELS, nullptr, 0, &info, kSourceChannelInfoSize)) {
    return std::nullopt;
  }
  return info;
}

bool ControlChannel::Request(std::uint32_t code, const void* input, std::uint32_t inputSize,
                             void* output, std::uint32_t outputSize) {
  if (!IsOpen()) return false;
  // A driver that fills less than it was given must not leave stale bytes to be read.
  if (output != nullptr) std::memset(output, 0, outputSize);
  return m_io.Control(m_handle, code, input, inputSize, output, outputSize, m_dwBytesReturned);
}

}  // namespace quendal
