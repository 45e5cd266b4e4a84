#include "SimulatedDevice.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <string>
#include <vector>

#include "device/LittleEndian.h"
#include "device/UsbRequests.h"
#include "pages/VolumePage.h"

namespace quendal::sim {
namespace {

// One METHOD_BUFFERED exchange: a buffer of exactly max(input, output) bytes, so that the
// sanitizers catch any answer that writes past what the caller gave.
struct Exchange {
  Answer answer;
  std::vector<std::uint8_t> buffer;
};

class SimulatedDeviceTest : public ::testing::Test {
 protected:
  enum class Target { kControlPath, kHostController, kHub, kSimControl };

  Exchange Send(Target target, std::uint32_t index, std::uint32_t code,
                std::vector<std::uint8_t> input, std::uint32_t outputSize) {
    const auto inputSize = static_cast<std::uint32_t>(input.size());
    input.resize(std::max<std::size_t>(input.size(), outputSize));
    const Request request{code, input.empty() ? nullptr : input.data(), inputSize, outputSize};
    Answer answer{};
    switch (target) {
      case Target::kControlPath:
        answer = device_.AnswerControlPath(index, request);
        break;
      case Target::kHostController:
        answer = device_.AnswerHostController(index, request);
        break;
      case Target::kHub:
        answer = device_.AnswerHub(index, request);
        break;
      case Target::kSimControl:
        answer = device_.AnswerSimControl(request);
        break;
    }
    return {answer, input};
  }

  SimResult Control(std::uint32_t code, std::uint32_t value) {
    std::vector<std::uint8_t> input(4);
    PutLittleEndian32(input.data(), value);
    return Send(Target::kSimControl, 0, code, input, 0).answer.result;
  }

  SIM_STATE State() {
    const Exchange exchange =
        Send(Target::kSimControl, 0, IOCTL_SIM_GET_STATE, {}, sizeof(SIM_STATE));
    SIM_STATE state{};
    std::copy_n(exchange.buffer.data(), sizeof(state), reinterpret_cast<std::uint8_t*>(&state));
    return state;
  }

  static std::vector<std::uint8_t> PortInput(std::uint32_t port, std::uint32_t size) {
    std::vector<std::uint8_t> input(size);
    PutLittleEndian32(input.data() + usb::kConnectionIndexOffset, port);
    return input;
  }

  static std::string WideName(const std::vector<std::uint8_t>& buffer, std::size_t offset) {
    std::string name;
    for (std::size_t i = offset; i + 1 < buffer.size() && buffer[i] != 0; i += 2) {
      name += static_cast<char>(buffer[i]);
    }
    return name;
  }

  SimulatedDevice device_;
};

TEST_F(SimulatedDeviceTest, ShortNameBuffersGetTheFullSizeAndAsMuchNameAsFits) {
  struct Case {
    Target target;
    std::uint32_t index;
    std::uint32_t code;
    std::uint32_t port;  // 0: no input
    std::uint32_t nameOffset;
    std::uint32_t lengthOffset;
    const char* name;
  };
  const Case cases[] = {
      {Target::kHostController, 0, usb::IOCTL_USB_GET_ROOT_HUB_NAME, 0, usb::kRootHubNameOffset, 0,
       "QuendalSimHub0"},
      {Target::kHostController, 1, usb::IOCTL_USB_GET_ROOT_HUB_NAME, 0, usb::kRootHubNameOffset, 0,
       "QuendalSimHub1"},
      {Target::kHub, 1, usb::IOCTL_USB_GET_NODE_CONNECTION_NAME, 3, usb::kConnectionNameOffset,
       usb::kConnectionNameLengthOffset, "QuendalSimHub2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::uint32_t fullSize =
        c.nameOffset + 2 * (static_cast<std::uint32_t>(std::string(c.name).size()) + 1);
    const std::uint32_t headerSize = c.nameOffset + 4;
    for (std::uint32_t size : {headerSize, headerSize + 1, fullSize}) {
      const auto input = c.port == 0 ? std::vector<std::uint8_t>{} : PortInput(c.port, size);
      const Exchange exchange = Send(c.target, c.index, c.code, input, size);
      ASSERT_EQ(exchange.answer.result, SimResult::kOk);
      EXPECT_EQ(exchange.answer.bytesReturned, size);
      EXPECT_EQ(GetLittleEndian32(exchange.buffer.data() + c.lengthOffset), fullSize);
      if (size == fullSize) {
        EXPECT_EQ(WideName(exchange.buffer, c.nameOffset), c.name);
        EXPECT_EQ(exchange.buffer[size - 2], 0);
        EXPECT_EQ(exchange.buffer[size - 1], 0);
      }
    }
  }
}

TEST_F(SimulatedDeviceTest, APortWithoutAHubHasAnEmptyName) {
  const Exchange exchange = Send(Target::kHub, 1, usb::IOCTL_USB_GET_NODE_CONNECTION_NAME,
                                 PortInput(1, 12), usb::kConnectionNameHeaderSize);
  ASSERT_EQ(exchange.answer.result, SimResult::kOk);
  EXPECT_EQ(GetLittleEndian32(exchange.buffer.data() + usb::kConnectionNameLengthOffset),
            usb::kConnectionNameHeaderSize);
  EXPECT_EQ(WideName(exchange.buffer, usb::kConnectionNameOffset), "");
}

TEST_F(SimulatedDeviceTest, BusRequestsWithTooLittleRoomOrAMissingPortAreRefused) {
  struct Case {
    Target target;
    std::uint32_t index;
    std::uint32_t code;
    std::vector<std::uint8_t> input;
    std::uint32_t outputSize;
    SimResult expected;
  };
  const Case cases[] = {
      {Target::kHostController, 0, usb::IOCTL_USB_GET_ROOT_HUB_NAME, {}, 7, SimResult::kWrongSize},
      {Target::kHostController,
       0,
       usb::IOCTL_USB_GET_NODE_CONNECTION_INFORMATION,
       {},
       40,
       SimResult::kUnknownCode},
      {Target::kHub, 0, usb::IOCTL_USB_GET_NODE_INFORMATION, {}, 75, SimResult::kWrongSize},
      {Target::kHub, 1, usb::IOCTL_USB_GET_NODE_CONNECTION_INFORMATION, PortInput(0, 40), 40,
       SimResult::kBadValue},
      {Target::kHub, 1, usb::IOCTL_USB_GET_NODE_CONNECTION_INFORMATION, PortInput(5, 40), 40,
       SimResult::kBadValue},
      {Target::kHub, 0, usb::IOCTL_USB_GET_NODE_CONNECTION_INFORMATION, PortInput(3, 40), 40,
       SimResult::kBadValue},
      {Target::kHub, 1, usb::IOCTL_USB_GET_NODE_CONNECTION_INFORMATION, PortInput(1, 40), 34,
       SimResult::kWrongSize},
      {Target::kHub, 1, usb::IOCTL_USB_GET_NODE_CONNECTION_NAME, std::vector<std::uint8_t>(3), 12,
       SimResult::kWrongSize},
      {Target::kHub, 1, usb::IOCTL_USB_GET_NODE_CONNECTION_NAME, PortInput(3, 12), 11,
       SimResult::kWrongSize},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.code << " in " << c.input.size() << " out "
                                    << std::dec << c.outputSize);
    const Exchange exchange = Send(c.target, c.index, c.code, c.input, c.outputSize);
    EXPECT_EQ(exchange.answer.result, c.expected);
    EXPECT_EQ(exchange.answer.bytesReturned, 0u);
  }
}

TEST_F(SimulatedDeviceTest, TheDeviceSitsWhereTheTopologySaysWhilePlugged) {
  struct Place {
    std::uint32_t hub;
    std::uint32_t port;
    bool operator==(const Place&) const = default;
  };
  struct Case {
    SimTopology topology;
    bool plugged;
    std::vector<Place> expected;
  };
  const Case cases[] = {
      {SimTopology::kExternalHub, true, {{2, 2}}},
      {SimTopology::kRootHub, true, {{1, 2}}},
      {SimTopology::kAbsent, true, {}},
      {SimTopology::kExternalHub, false, {}},
  };
  const std::uint32_t kPorts[kHubCount] = {2, 4, 4};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.topology) * 2 + (c.plugged ? 1 : 0));
    SimulatedDevice fresh;
    device_ = fresh;
    ASSERT_EQ(Control(IOCTL_SIM_SET_TOPOLOGY, static_cast<std::uint32_t>(c.topology)),
              SimResult::kOk);
    if (!c.plugged) {
      ASSERT_EQ(Send(Target::kSimControl, 0, IOCTL_SIM_UNPLUG, {}, 0).answer.result,
                SimResult::kOk);
    }
    std::vector<Place> found;
    for (std::uint32_t hub = 0; hub < kHubCount; ++hub) {
      const Exchange node = Send(Target::kHub, hub, usb::IOCTL_USB_GET_NODE_INFORMATION,
                                 std::vector<std::uint8_t>(80), 80);
      ASSERT_EQ(node.buffer[usb::kNumberOfPortsOffset], kPorts[hub]);
      for (std::uint32_t port = 1; port <= kPorts[hub]; ++port) {
        const Exchange info =
            Send(Target::kHub, hub, usb::IOCTL_USB_GET_NODE_CONNECTION_INFORMATION,
                 PortInput(port, 40), 40);
        ASSERT_EQ(info.answer.result, SimResult::kOk);
        const std::uint8_t* bytes = info.buffer.data();
        if (bytes[usb::kIdVendorOffset] == 0x7E && bytes[usb::kIdVendorOffset + 1] == 0x3A &&
            bytes[usb::kIdProductOffset + 1] == 0x17) {
          found.push_back({hub, port});
          EXPECT_EQ(bytes[usb::kDeviceIsHubOffset], 0);
        }
      }
    }
    EXPECT_EQ(found, c.expected);
  }
}

TEST_F(SimulatedDeviceTest, AHandleFromBeforeAnUnplugStaysDeadAfterThePlug) {
  const std::uint32_t held = device_.OpenControlPath();
  const auto sourceQuery = [&](std::uint32_t generation) {
    return Send(Target::kControlPath, generation, IOCTL_GET_SOURCE_CHANNELS, {}, 4).answer.result;
  };
  EXPECT_EQ(sourceQuery(held), SimResult::kOk);
  ASSERT_EQ(Send(Target::kSimControl, 0, IOCTL_SIM_UNPLUG, {}, 0).answer.result, SimResult::kOk);
  EXPECT_EQ(sourceQuery(held), SimResult::kUnplugged);
  ASSERT_EQ(Send(Target::kSimControl, 0, IOCTL_SIM_PLUG, {}, 0).answer.result, SimResult::kOk);
  EXPECT_EQ(sourceQuery(held), SimResult::kStaleHandle);
  const std::uint32_t fresh = device_.OpenControlPath();
  EXPECT_EQ(sourceQuery(fresh), SimResult::kOk);
  device_.CloseControlPath();
  device_.CloseControlPath();
  EXPECT_EQ(State().dwOpenHandles, 0u);
}

// What a device reports at power-up: effects off, 2.1 output, no crossover, every gain at the
// power-on value, no speaker test.
void ExpectPoweredUp(const SIM_STATE& state) {
  EXPECT_EQ(state.bFilterEnabled, 0u);
  EXPECT_EQ(state.dwOutputMode, static_cast<std::uint32_t>(SimOutputMode::kTwoOne));
  EXPECT_EQ(state.crossover.dwFirst, 0u);
  EXPECT_EQ(state.crossover.dwSecond, 0u);
  EXPECT_EQ(state.crossover.dwTotal, 0u);
  for (std::uint32_t channel = 0; channel < kChannelCount; ++channel) {
    EXPECT_EQ(state.dwGainBits[channel], kPowerOnGainBits) << "channel " << channel;
  }
  EXPECT_EQ(state.bSpeakerTestRunning, 0u);
}

// Everything the program can set, each to what the program's own defaults would send.
struct SettingRequest {
  std::uint32_t code;
  std::vector<std::uint8_t> input;
};

const SettingRequest kEverySetting[] = {
    {IOCTL_FILTER_ENABLE, {}},
    {IOCTL_OUTPUT_5_1, {}},
    {IOCTL_SET_BASS_OUTPUT, {0x28, 0, 0, 0, 0x1B, 0, 0, 0, 0x43, 0, 0, 0}},
    {IOCTL_SPEAKER_TEST_START, {}},
    {IOCTL_SET_VOLUME_L, {0x00, 0x00, 0x80, 0x3F}},
    {IOCTL_SET_VOLUME_R, {0x00, 0x00, 0x80, 0x3F}},
    {IOCTL_SET_VOLUME_C, {0x00, 0x00, 0x80, 0x3F}},
    {IOCTL_SET_VOLUME_LFE, {0x00, 0x00, 0x80, 0x3F}},
    {IOCTL_SET_VOLUME_RL, {0x00, 0x00, 0x80, 0x3F}},
    {IOCTL_SET_VOLUME_RR, {0x00, 0x00, 0x80, 0x3F}},
};

TEST_F(SimulatedDeviceTest, EveryPlugPowersTheDeviceUpAfreshButKeepsWhatIsPlaying) {
  ExpectPoweredUp(State());
  for (int plug = 1; plug <= 2; ++plug) {
    SCOPED_TRACE(plug);
    const std::uint32_t handle = device_.OpenControlPath();
    for (const SettingRequest& setting : kEverySetting) {
      ASSERT_EQ(Send(Target::kControlPath, handle, setting.code, setting.input, 0).answer.result,
                SimResult::kOk);
    }
    device_.CloseControlPath();
    ASSERT_EQ(Control(IOCTL_SIM_SET_SOURCE, static_cast<std::uint32_t>(SimSource::kMultiChannel)),
              SimResult::kOk);
    const SIM_STATE set = State();
    EXPECT_EQ(set.bFilterEnabled, 1u);
    EXPECT_EQ(set.dwOutputMode, static_cast<std::uint32_t>(SimOutputMode::kFiveOne));
    EXPECT_EQ(set.crossover.dwTotal, 67u);
    EXPECT_EQ(set.bSpeakerTestRunning, 1u);
    for (std::uint32_t bits : set.dwGainBits) EXPECT_EQ(bits, 0x3F800000u);

    Send(Target::kSimControl, 0, IOCTL_SIM_PLUG, {}, 0);  // already plugged: nothing changes
    EXPECT_EQ(State().bFilterEnabled, 1u);
    ASSERT_EQ(Send(Target::kSimControl, 0, IOCTL_SIM_UNPLUG, {}, 0).answer.result, SimResult::kOk);
    ASSERT_EQ(Send(Target::kSimControl, 0, IOCTL_SIM_PLUG, {}, 0).answer.result, SimResult::kOk);
    const SIM_STATE replugged = State();
    ExpectPoweredUp(replugged);
    EXPECT_EQ(replugged.dwSource, static_cast<std::uint32_t>(SimSource::kMultiChannel));
  }
}

// A channel the program failed to restore must show: the power-on gain is neither unity, the
// program's default, nor the gain of any slider position.
TEST(SimulatedDevicePowerOn, TheGainIsNoneTheProgramSends) {
  EXPECT_NE(kPowerOnGainBits, 0x3F800000u);
  for (int position = kChannelSliderTop; position <= kChannelSliderBottom; ++position) {
    EXPECT_NE(std::bit_cast<std::uint32_t>(GainForSliderPosition(position)), kPowerOnGainBits)
        << position;
  }
}

TEST_F(SimulatedDeviceTest, TheLogKeepsTheNewestRequestsAndCountsTheOthers) {
  const std::uint32_t handle = device_.OpenControlPath();
  const std::uint32_t total = kLogCapacity + 44;
  for (std::uint32_t i = 0; i < total; ++i) {
    std::vector<std::uint8_t> gain(4);
    PutLittleEndian32(gain.data(), i);
    Send(Target::kControlPath, handle, IOCTL_SET_VOLUME_C, gain, 0);
  }
  const Exchange read =
      Send(Target::kSimControl, 0, IOCTL_SIM_READ_LOG, {1, 0, 0, 0}, sizeof(SIM_LOG));
  ASSERT_EQ(read.answer.result, SimResult::kOk);
  const auto* log = reinterpret_cast<const SIM_LOG*>(read.buffer.data());
  EXPECT_EQ(log->dwCount, kLogCapacity);
  EXPECT_EQ(log->dwDropped, 44u);
  EXPECT_EQ(GetLittleEndian32(log->entries[0].input), 44u);
  EXPECT_EQ(GetLittleEndian32(log->entries[kLogCapacity - 1].input), total - 1);

  const Exchange after =
      Send(Target::kSimControl, 0, IOCTL_SIM_READ_LOG, {0, 0, 0, 0}, sizeof(SIM_LOG));
  const auto* cleared = reinterpret_cast<const SIM_LOG*>(after.buffer.data());
  EXPECT_EQ(cleared->dwCount, 0u);
  EXPECT_EQ(cleared->dwDropped, 0u);
}

TEST(FailurePlan, HoldsEightCodesAtOnceAndAZeroCountFreesASlot) {
  FailurePlan plan;
  for (std::uint32_t code = 0; code < 8; ++code) ASSERT_TRUE(plan.Plan(0x223000 + 4 * code, 1));
  EXPECT_FALSE(plan.Plan(0x223020, 2));
  EXPECT_TRUE(plan.Plan(0x223000, 0));
  EXPECT_TRUE(plan.Plan(0x223020, 2));
  EXPECT_FALSE(plan.Take(0x223000));
  EXPECT_TRUE(plan.Take(0x223020));
  EXPECT_TRUE(plan.Take(0x223020));
  EXPECT_FALSE(plan.Take(0x223020));
}

// The filter library's request can be made to fail while the device is there, as a library
// that cannot put its filter in place; a refused request is not counted as a filter added.
TEST_F(SimulatedDeviceTest, APlannedFailureRefusesTheNextFilterAddsOnly) {
  std::vector<std::uint8_t> failure(sizeof(SIM_FAILURE));
  PutLittleEndian32(failure.data(), IOCTL_SIM_ADD_AUDIO_FILTER);
  PutLittleEndian32(failure.data() + 4, 2);
  ASSERT_EQ(Send(Target::kSimControl, 0, IOCTL_SIM_FAIL_NEXT, failure, 0).answer.result,
            SimResult::kOk);
  const auto addFilter = [&] {
    return Send(Target::kSimControl, 0, IOCTL_SIM_ADD_AUDIO_FILTER, {}, 0).answer.result;
  };
  EXPECT_EQ(addFilter(), SimResult::kInjected);
  EXPECT_EQ(addFilter(), SimResult::kInjected);
  EXPECT_EQ(State().dwAudioFilterAdds, 0u);
  EXPECT_EQ(addFilter(), SimResult::kOk);
  EXPECT_EQ(State().dwAudioFilterAdds, 1u);
}

TEST_F(SimulatedDeviceTest, ToolRequestsWithWrongSizesOrValuesAreRefused) {
  EXPECT_EQ(Control(IOCTL_SIM_SET_SOURCE, 3), SimResult::kBadValue);
  EXPECT_EQ(Control(IOCTL_SIM_SET_TOPOLOGY, 3), SimResult::kBadValue);
  EXPECT_EQ(
      Send(Target::kSimControl, 0, IOCTL_SIM_GET_STATE, {}, sizeof(SIM_STATE) - 1).answer.result,
      SimResult::kWrongSize);
  EXPECT_EQ(Send(Target::kSimControl, 0, IOCTL_SIM_PLUG, {0}, 0).answer.result,
            SimResult::kWrongSize);
  EXPECT_EQ(Send(Target::kSimControl, 0, IOCTL_FILTER_ENABLE, {}, 0).answer.result,
            SimResult::kUnknownCode);
  const SIM_STATE state = State();
  EXPECT_EQ(state.dwSource, static_cast<std::uint32_t>(SimSource::kNone));
  EXPECT_EQ(state.dwTopology, static_cast<std::uint32_t>(SimTopology::kExternalHub));
}

}  // namespace
}  // namespace quendal::sim
