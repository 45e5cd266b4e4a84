// The simulated device's private control device: its path, control codes and records. Shared
// by the simulated driver, the stand-in filter-support library, simctl and simprobe, so it
// depends on nothing but the standard library and the device's own protocol headers.
#pragma once

#include <cstdint>

#include "device/ControlCodes.h"

namespace quendal::sim {

// The control device the tools open; it is there whenever the driver runs, plugged or not.
inline constexpr char kSimControlPath[] = "\\\\.\\QuendalSimControl";
inline constexpr char kServiceName[] = "QuendalSim";
inline constexpr char kDriverFileName[] = "QuendalSim.sys";

// The simulated device's identity on the USB bus.
inline constexpr std::uint16_t kDeviceVendorId = 0x3A7E;
inline constexpr std::uint16_t kDeviceProductId = 0x1701;

inline constexpr std::uint32_t kSimDeviceType = 0x8A17;

constexpr std::uint32_t SimControlCode(std::uint32_t n) {
  return CtlCode(kSimDeviceType, 0x900 + n, kMethodBuffered, kFileAnyAccess);
}

// No input, no output.
inline constexpr std::uint32_t IOCTL_SIM_PLUG = SimControlCode(0);
inline constexpr std::uint32_t IOCTL_SIM_UNPLUG = SimControlCode(1);
// Input: one SimSource as a 32-bit value.
inline constexpr std::uint32_t IOCTL_SIM_SET_SOURCE = SimControlCode(2);
// Input: one SimTopology as a 32-bit value.
inline constexpr std::uint32_t IOCTL_SIM_SET_TOPOLOGY = SimControlCode(3);
// Input: SIM_FAILURE.
inline constexpr std::uint32_t IOCTL_SIM_FAIL_NEXT = SimControlCode(4);
// Input: SIM_LOG_REQUEST; output: SIM_LOG.
inline constexpr std::uint32_t IOCTL_SIM_READ_LOG = SimControlCode(5);
// Output: SIM_STATE.
inline constexpr std::uint32_t IOCTL_SIM_GET_STATE = SimControlCode(6);
// No input, no output; succeeds only while the device is plugged. The filter-support
// library's AddUSBAudioFilter asks this, and the driver counts the calls.
inline constexpr std::uint32_t IOCTL_SIM_ADD_AUDIO_FILTER = SimControlCode(7);

// What IOCTL_GET_SOURCE_CHANNELS reports.
enum class SimSource : std::uint32_t { kNone = 0, kTwoChannel = 1, kMultiChannel = 2 };

// Where the device sits on the simulated bus while it is plugged in.
enum class SimTopology : std::uint32_t { kExternalHub = 0, kRootHub = 1, kAbsent = 2 };

enum class SimOutputMode : std::uint32_t { kTwoOne = 0, kFiveOne = 1 };

// The answer to one request, as the log records it.
enum class SimResult : std::uint32_t {
  kOk = 0,
  kWrongSize = 1,
  kUnknownCode = 2,
  kUnplugged = 3,
  kStaleHandle = 4,  // opened before the device was last unplugged
  kInjected = 5,     // failed on purpose by IOCTL_SIM_FAIL_NEXT
  kBadValue = 6,
};

// The six channels in the order the state reports their gains.
enum SimChannel : std::uint32_t { kLeft, kRight, kCentre, kLfe, kRearLeft, kRearRight };
inline constexpr std::uint32_t kChannelCount = 6;

// The gain of every channel when the device powers up: 0.5, about -6 dB. It is neither unity,
// the program's stored default, nor any gain a slider gives, so a channel still at it after a
// plug shows that the program did not send that channel's stored gain.
inline constexpr std::uint32_t kPowerOnGainBits = 0x3F000000;

struct SIM_FAILURE {
  std::uint32_t dwCode;   // any control code the simulated devices answer
  std::uint32_t dwCount;  // how many of the next requests with that code fail; 0 cancels
};

struct SIM_STATE {
  std::uint32_t bPlugged;
  std::uint32_t dwTopology;  // SimTopology
  std::uint32_t bFilterEnabled;
  std::uint32_t dwOutputMode;  // SimOutputMode
  BASS_CROSSOVER_PARAMS crossover;
  std::uint32_t dwGainBits[kChannelCount];  // IEEE-754 single bits, by SimChannel
  std::uint32_t bSpeakerTestRunning;
  std::uint32_t dwSource;           // SimSource
  std::uint32_t dwOpenHandles;      // handles open on the control path
  std::uint32_t dwAudioFilterAdds;  // accepted IOCTL_SIM_ADD_AUDIO_FILTER requests
};

struct SIM_LOG_REQUEST {
  std::uint32_t bClear;  // non-zero: the entries returned are removed from the log
};

inline constexpr std::uint32_t kLogInputBytes = 12;

// One request on the control path.
struct SIM_LOG_ENTRY {
  std::uint32_t dwCode;
  std::uint32_t dwResult;  // SimResult
  std::uint32_t dwInputSize;
  std::uint32_t dwOutputSize;
  std::uint8_t input[kLogInputBytes];  // the first bytes of the input
};

inline constexpr std::uint32_t kLogCapacity = 256;

struct SIM_LOG {
  std::uint32_t dwCount;    // entries filled, oldest first
  std::uint32_t dwDropped;  // older entries lost because the log was full
  SIM_LOG_ENTRY entries[kLogCapacity];
};

static_assert(sizeof(SIM_FAILURE) == 8);
static_assert(sizeof(SIM_STATE) == 4 * 17);
static_assert(sizeof(SIM_LOG_ENTRY) == 28);
static_assert(sizeof(SIM_LOG) == 8 + 28 * kLogCapacity);

}  // namespace quendal::sim
