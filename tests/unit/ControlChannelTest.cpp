#include "device/ControlChannel.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fakes/FakeDeviceIo.h"

namespace quendal {
namespace {

using test::FakeDeviceIo;
using ::testing::ElementsAre;

TEST(ControlChannel, OpensTheControlPathSharedForReadingAndWriting) {
  FakeDeviceIo io;
  ControlChannel channel(io);
  ASSERT_TRUE(channel.Open());
  EXPECT_THAT(io.openedPaths, ElementsAre("\\\\.\\Class#E96C&5A17"));
  EXPECT_THAT(io.openedAccess, ElementsAre(DeviceAccess::kReadWriteShared));
  channel.Close();
  EXPECT_FALSE(channel.IsOpen());
  EXPECT_EQ(io.OpenHandles(), 0);
}

TEST(ControlChannel, RequestsOnAChannelThatIsNotOpenAreSkipped) {
  FakeDeviceIo io;
  io.refuseOpen = true;
  ControlChannel channel(io);
  EXPECT_FALSE(channel.Open());
  EXPECT_FALSE(channel.Send(IOCTL_FILTER_ENABLE));
  EXPECT_FALSE(channel.SendChannelGain(IOCTL_SET_VOLUME_L, 1.0f));
  EXPECT_FALSE(channel.GetSourceChannels().has_value());
  channel.Close();
  EXPECT_TRUE(io.requests.empty());
  EXPECT_EQ(io.misuses, 0);
}

TEST(ControlChannel, ClosedChannelSendsNothingAndDestructionReleasesTheHandle) {
  FakeDeviceIo io;
  {
    ControlChannel channel(io);
    ASSERT_TRUE(channel.Open());
    ASSERT_TRUE(channel.Open());  // reopening must not lose the first handle
    EXPECT_EQ(io.OpenHandles(), 1);
    channel.Close();
    EXPECT_FALSE(channel.Send(IOCTL_FILTER_DISABLE));
    ASSERT_TRUE(channel.Open());
  }
  EXPECT_EQ(io.OpenHandles(), 0);
  EXPECT_TRUE(io.requests.empty());
  EXPECT_EQ(io.misuses, 0);
}

TEST(ControlChannel, EncodesTheRecordsLittleEndian) {
  FakeDeviceIo io;
  ControlChannel channel(io);
  ASSERT_TRUE(channel.Open());
  ASSERT_TRUE(channel.SendChannelGain(IOCTL_SET_VOLUME_C, 1.0f));
  ASSERT_TRUE(channel.SendBassCrossover(kBassCrossovers[2]));
  ASSERT_EQ(io.requests.size(), 2u);
  EXPECT_EQ(io.requests[0].code, 0x223024u);
  EXPECT_THAT(io.requests[0].input, ElementsAre(0x00, 0x00, 0x80, 0x3F));
  EXPECT_EQ(io.requests[0].outputSize, 0u);
  EXPECT_EQ(io.requests[1].code, 0x223030u);
  EXPECT_THAT(io.requests[1].input, ElementsAre(0x28, 0, 0, 0, 0x1B, 0, 0, 0, 0x43, 0, 0, 0));
}

struct SourceReplyCase {
  std::vector<std::uint8_t> reply;
  SourceLayout expected;
};

TEST(ControlChannel, SourceLayoutIsReadFromAZeroedFourByteBuffer) {
  const SourceReplyCase cases[] = {
      {{1, 1, 0, 0}, SourceLayout::kMultiChannel},  // both set: 5.1 wins
      {{1, 0, 0, 0}, SourceLayout::kMultiChannel},
      {{0, 1, 0, 0}, SourceLayout::kTwoChannel},
      {{0, 0, 0, 0}, SourceLayout::kNone},
      {{0}, SourceLayout::kNone},  // a driver that fills fewer than 4 bytes
      {{}, SourceLayout::kNone},
  };
  for (const SourceReplyCase& c : cases) {
    FakeDeviceIo io;
    io.replies[IOCTL_GET_SOURCE_CHANNELS] = c.reply;
    ControlChannel channel(io);
    ASSERT_TRUE(channel.Open());
    const auto info = channel.GetSourceChannels();
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(LayoutOf(*info), c.expected) << "reply of " << c.reply.size() << " bytes";
    ASSERT_EQ(io.requests.size(), 1u);
    EXPECT_EQ(io.requests[0].outputSize, 4u);
    EXPECT_TRUE(io.requests[0].input.empty());
    EXPECT_TRUE(io.requests[0].outputZeroedOnEntry);
  }
}

TEST(ControlChannel, RefusedSourceRequestGivesNothing) {
  FakeDeviceIo io;
  io.refusedCodes.insert(IOCTL_GET_SOURCE_CHANNELS);
  ControlChannel channel(io);
  ASSERT_TRUE(channel.Open());
  EXPECT_FALSE(channel.GetSourceChannels().has_value());
}

}  // namespace
}  // namespace quendal
