// The driver control channel's protocol: the control path, the fourteen private control codes
// and the two records. Shared by the program and the simulated driver, so it depends on
// nothing but the standard library.
#pragma once

#include <array>
#include <bit>
#include <cstdint>

#include "device/LittleEndian.h"

namespace quendal {

// The filter driver's control device, opened by every holder of a channel handle.
inline constexpr char kControlPath[] = "\\\\.\\Class#E96C&5A17";

// Built the way Windows builds I/O control codes (CTL_CODE).
constexpr std::uint32_t CtlCode(std::uint32_t deviceType, std::uint32_t function,
                                std::uint32_t method, std::uint32_t access) {
  return (deviceType << 16) | (access << 14) | (function << 2) | method;
}

inline constexpr std::uint32_t kFileDeviceUnknown = 0x22;
inline constexpr std::uint32_t kMethodBuffered = 0;
inline constexpr std::uint32_t kFileAnyAccess = 0;

constexpr std::uint32_t FilterControlCode(std::uint32_t n) {
  return CtlCode(kFileDeviceUnknown, 0xC00 + n, kMethodBuffered, kFileAnyAccess);
}

inline constexpr std::uint32_t IOCTL_FILTER_ENABLE = FilterControlCode(0);
inline constexpr std::uint32_t IOCTL_FILTER_DISABLE = FilterControlCode(1);
inline constexpr std::uint32_t IOCTL_OUTPUT_5_1 = FilterControlCode(2);
inline constexpr std::uint32_t IOCTL_OUTPUT_2_1 = FilterControlCode(3);
inline constexpr std::uint32_t IOCTL_SPEAKER_TEST_START = FilterControlCode(4);
inline constexpr std::uint32_t IOCTL_SPEAKER_TEST_STOP = FilterControlCode(5);
inline constexpr std::uint32_t IOCTL_SET_VOLUME_LFE = FilterControlCode(6);
inline constexpr std::uint32_t IOCTL_SET_VOLUME_L = FilterControlCode(7);
inline constexpr std::uint32_t IOCTL_SET_VOLUME_R = FilterControlCode(8);
inline constexpr std::uint32_t IOCTL_SET_VOLUME_C = FilterControlCode(9);
inline constexpr std::uint32_t IOCTL_SET_VOLUME_RL = FilterControlCode(10);
inline constexpr std::uint32_t IOCTL_SET_VOLUME_RR = FilterControlCode(11);
inline constexpr std::uint32_t IOCTL_SET_BASS_OUTPUT = FilterControlCode(12);
inline constexpr std::uint32_t IOCTL_GET_SOURCE_CHANNELS = FilterControlCode(13);

static_assert(IOCTL_FILTER_ENABLE == 0x223000);
static_assert(IOCTL_FILTER_DISABLE == 0x223004);
static_assert(IOCTL_OUTPUT_5_1 == 0x223008);
static_assert(IOCTL_OUTPUT_2_1 == 0x22300C);
static_assert(IOCTL_SPEAKER_TEST_START == 0x223010);
static_assert(IOCTL_SPEAKER_TEST_STOP == 0x223014);
static_assert(IOCTL_SET_VOLUME_LFE == 0x223018);
static_assert(IOCTL_SET_VOLUME_L == 0x22301C);
static_assert(IOCTL_SET_VOLUME_R == 0x223020);
static_assert(IOCTL_SET_VOLUME_C == 0x223024);
static_assert(IOCTL_SET_VOLUME_RL == 0x223028);
static_assert(IOCTL_SET_VOLUME_RR == 0x22302C);
static_assert(IOCTL_SET_BASS_OUTPUT == 0x223030);
static_assert(IOCTL_GET_SOURCE_CHANNELS == 0x223034);

inline constexpr std::uint32_t kFirstFilterControlCode = IOCTL_FILTER_ENABLE;
inline constexpr std::uint32_t kLastFilterControlCode = IOCTL_GET_SOURCE_CHANNELS;

// Input of IOCTL_SET_BASS_OUTPUT: 12 bytes, three little-endian 32-bit values.
struct BASS_CROSSOVER_PARAMS {
  std::uint32_t dwFirst;
  std::uint32_t dwSecond;
  std::uint32_t dwTotal;  // always dwFirst + dwSecond
};
inline constexpr std::uint32_t kBassCrossoverParamsSize = 12;

// The three crossovers of the effects page, by index: 120 Hz, 300 Hz, 450 Hz.
inline constexpr std::array<BASS_CROSSOVER_PARAMS, 3> kBassCrossovers{{
    {200, 100, 300},
    {60, 40, 100},
    {40, 27, 67},
}};

inline constexpr bool CrossoverTotalsAreSums() {
  for (const BASS_CROSSOVER_PARAMS& params : kBassCrossovers) {
    if (params.dwTotal != params.dwFirst + params.dwSecond) return false;
  }
  return true;
}
static_assert(CrossoverTotalsAreSums());

// Output of IOCTL_GET_SOURCE_CHANNELS: 4 bytes, of which the first two are read.
struct SOURCE_CHANNEL_INFO {
  std::uint8_t bMultiChannel;  // non-zero: 5.1-channel material is playing
  std::uint8_t bTwoChannel;    // non-zero: 2-channel material is playing
  std::uint8_t reserved[2];
};
inline constexpr std::uint32_t kSourceChannelInfoSize = 4;
static_assert(sizeof(SOURCE_CHANNEL_INFO) == kSourceChannelInfoSize);

// Input of the six channel-gain codes: one IEEE-754 single, little-endian.
inline constexpr std::uint32_t kChannelGainSize = 4;

// What the stream being played is, as a reader of SOURCE_CHANNEL_INFO must decide it: the
// multichannel flag wins over the two-channel flag.
enum class SourceLayout { kNone, kTwoChannel, kMultiChannel };

constexpr SourceLayout LayoutOf(const SOURCE_CHANNEL_INFO& info) {
  if (info.bMultiChannel != 0) return SourceLayout::kMultiChannel;
  if (info.bTwoChannel != 0) return SourceLayout::kTwoChannel;
  return SourceLayout::kNone;
}

constexpr std::array<std::uint8_t, kBassCrossoverParamsSize> EncodeBassCrossover(
    const BASS_CROSSOVER_PARAMS& params) {
  std::array<std::uint8_t, kBassCrossoverParamsSize> bytes{};
  PutLittleEndian32(bytes.data(), params.dwFirst);
  PutLittleEndian32(bytes.data() + 4, params.dwSecond);
  PutLittleEndian32(bytes.data() + 8, params.dwTotal);
  return bytes;
}

constexpr std::array<std::uint8_t, kChannelGainSize> EncodeChannelGain(float gain) {
  std::array<std::uint8_t, kChannelGainSize> bytes{};
  PutLittleEndian32(bytes.data(), std::bit_cast<std::uint32_t>(gain));
  return bytes;
}

}  // namespace quendal
