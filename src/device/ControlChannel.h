// A holder's handle on the driver control channel. Not open is the invalid handle value; every
// request tests it first and is skipped silently when the channel is not open. Each holder owns
// its own channel; none is shared.
#pragma once

#include <cstdint>
#include <optional>

#include "device/ControlCodes.h"
#include "platform/DeviceIo.h"

namespace quendal {

class ControlChannel {
 public:
  explicit ControlChannel(DeviceIo& io) : m_io(io) {}
  ~ControlChannel() { Close(); }
  ControlChannel(const ControlChannel&) = delete;
  ControlChannel& operator=(const ControlChannel&) = delete;

  // Opens the control path; false (and not open) when the driver or the device is absent.
  // An already open channel is closed first, so a handle is never lost.
  bool Open();
  // Closes the handle if open and marks the channel not open.
  void Close();
  bool IsOpen() const { return m_handle != kInvalidDeviceHandle; }

  // Each returns true only when the channel is open and the driver accepted the request.
  bool Send(std::uint32_t code);
  bool SendChannelGain(std::uint32_t code, float gain);
  bool SendBassCrossover(const BASS_CROSSOVER_PARAMS& params);
  // The layout of the stream being played; nothing when not open or refused.
  std::optional<SOURCE_CHANNEL_INFO> GetSourceChannels();

 private:
  bool Request(std::uint32_t code, const void* input, std::uint32_t inputSize, void* output,
               std::uint32_t outputSize);

  DeviceIo& m_io;
  DeviceHandle m_handle = kInvalidDeviceHandle;
  std::uint32_t m_dwBytesReturned = 0;  // receives every request's byte count; never read
};

}  // namespace quendal
