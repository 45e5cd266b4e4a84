#include "pages/VolumePage.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <memory>

#include "fakes/FakeAudioEndpoints.h"
#include "fakes/FakeDeviceIo.h"
#include "fakes/FakeDialogWindow.h"
#include "fakes/FakeMixer.h"
#include "fakes/FakeRegistry.h"
#include "platform/WindowsValues.h"
#include "resource_ids.h"
#include "support/RcStringTable.h"

namespace quendal {
namespace {

using test::FakeAudioEndpoints;
using test::FakeDeviceIo;
using test::FakeDialogWindow;
using test::FakeMixer;
using test::FakeRegistry;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

// The six channels as the page's user and the driver see them.
struct ChannelCase {
  const char* name;
  int slider;
  int defaultButton;
  const char* value;
  std::uint32_t code;
};

const ChannelCase kChannelCases[] = {
    {"front left", IDC_SLIDER_FRONT_LEFT, IDC_DEFAULT_FRONT_LEFT, "VolumeL", 0x22301C},
    {"front right", IDC_SLIDER_FRONT_RIGHT, IDC_DEFAULT_FRONT_RIGHT, "VolumeR", 0x223020},
    {"LFE", IDC_SLIDER_LFE, IDC_DEFAULT_LFE, "VolumeLFE", 0x223018},
    {"centre", IDC_SLIDER_CENTER, IDC_DEFAULT_CENTER, "VolumeC", 0x223024},
    {"rear left", IDC_SLIDER_REAR_LEFT, IDC_DEFAULT_REAR_LEFT, "VolumeRL", 0x223028},
    {"rear right", IDC_SLIDER_REAR_RIGHT, IDC_DEFAULT_REAR_RIGHT, "VolumeRR", 0x22302C},
};

// Every slider position and the bits of the gain it sends and stores.
const std::uint32_t kGainBits[41] = {
    0x41200000, 0x410E99A3, 0x40FE2F5E, 0x40E28AEB, 0x40C9E807, 0x40B3F300, 0x40A06142,
    0x408EF052, 0x407EC9E1, 0x406314A0, 0x404A62C2, 0x40346063, 0x4020C2BF, 0x400F4735,
    0x3FFF64C1, 0x3FE39EA9, 0x3FCADDC8, 0x3FB4CE08, 0x3FA12478, 0x3F8F9E4D, 0x3F800000,
    0x3F642905, 0x3F4B5918, 0x3F353BEF, 0x3F21866C, 0x3F0FF59A, 0x3F004DCE, 0x3EE4B3B6,
    0x3ECBD4B4, 0x3EB5AA1A, 0x3EA1E89B, 0x3E904D1C, 0x3E809BCC, 0x3E653EBB, 0x3E4C509B,
    0x3E361887, 0x3E224B06, 0x3E10A4D3, 0x3E00E9F9, 0x3DE5CA15, 0x3DCCCCCD,
};

std::vector<std::uint8_t> Bytes(std::uint32_t bits) {
  return {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
          static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
}

// A page on the shared fakes, as the control-panel window creates it: its window comes with
// the sheet, and the sheet activates it at once.
struct PageUnderTest {
  PageUnderTest(FakeDeviceIo& io, FakeRegistry& registry, const test::RcStringTable& strings,
                FakeMixer& mixer, FakeAudioEndpoints& endpoints)
      : page(io, registry, strings, mixer, endpoints) {}

  void Create() {
    auto created = std::make_unique<FakeDialogWindow>();
    window = created.get();
    page.AttachWindow(std::move(created));
    page.OnInitDialog();
  }

  int SliderPos(int id) const { return window->controls.at(id).sliderPos; }

  CVolumePage page;
  FakeDialogWindow* window = nullptr;
};

class VolumePageTest : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(io.misuses, 0);
    EXPECT_EQ(registry.misuses, 0);
    EXPECT_EQ(mixer.misuses, 0);
    EXPECT_EQ(mixer.OpenHandles(), 0);
    EXPECT_EQ(endpoints.OpenLists(), 0);
  }

  std::unique_ptr<PageUnderTest> NewPage() {
    return std::make_unique<PageUnderTest>(io, registry, strings, mixer, endpoints);
  }

  // Creates the page and activates it, then forgets what start-up sent and stored.
  void Activate() {
    current->Create();
    ASSERT_TRUE(page().OnSetActive());
    io.ClearLog();
    registry.writes.clear();
  }

  void Release(int slider) {
    std::intptr_t result = -1;
    EXPECT_TRUE(page().OnNotify(slider, kNmReleasedCapture, result));
  }
  void Click(int button) { EXPECT_TRUE(page().OnCommand(button, kBnClicked)); }

  void ExpectTransferErrorShown() const {
    ASSERT_EQ(window().boxes.size(), 1u);
    EXPECT_EQ(window().boxes[0].text, strings.Load(IDS_TRANSFER_ERROR));
    EXPECT_EQ(window().boxes[0].caption, strings.Load(IDS_IO_CONTROL_ERROR));
    EXPECT_EQ(window().boxes[0].style, kMbOk);
  }

  CVolumePage& page() { return current->page; }
  FakeDialogWindow& window() const { return *current->window; }

  FakeDeviceIo io;
  FakeRegistry registry;
  test::RcStringTable strings;
  FakeMixer mixer;
  FakeAudioEndpoints endpoints;
  std::unique_ptr<PageUnderTest> current = NewPage();
};

TEST_F(VolumePageTest, GainForEveryPositionAndItsRoundTripThroughTheStore) {
  for (int position = 0; position <= 40; ++position) {
    SCOPED_TRACE(position);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(GainForSliderPosition(position)), kGainBits[position]);

    current = NewPage();
    Activate();
    window().controls[IDC_SLIDER_CENTER].sliderPos = position;
    Release(IDC_SLIDER_CENTER);
    ASSERT_THAT(io.Codes(), ElementsAre(IOCTL_SET_VOLUME_C));
    EXPECT_EQ(io.requests[0].input, Bytes(kGainBits[position]));
    EXPECT_EQ(registry.Dword("VolumeC"), kGainBits[position]);

    // After a restart the slider stands where it was left, and a release without moving it
    // sends the very same bits again.
    current = NewPage();
    Activate();
    EXPECT_EQ(current->SliderPos(IDC_SLIDER_CENTER), position);
    Release(IDC_SLIDER_CENTER);
    EXPECT_EQ(io.requests.at(0).input, Bytes(kGainBits[position]));
    EXPECT_EQ(registry.Dword("VolumeC"), kGainBits[position]);
  }
}

TEST_F(VolumePageTest, FirstStartWritesTheDefaultsAndPushesUnityGainInDeviceOrder) {
  current->Create();
  EXPECT_THAT(registry.writes, ElementsAre("SystemVolume", "VolumeL", "VolumeR", "VolumeLFE",
                                           "VolumeC", "VolumeRL", "VolumeRR", "FilterVolume"));
  EXPECT_EQ(registry.Dword("SystemVolume"), 1u);
  EXPECT_EQ(registry.Dword("FilterVolume"), 1u);
  for (const ChannelCase& channel : kChannelCases) {
    EXPECT_EQ(registry.Dword(channel.value), 0x3F800000u) << channel.name;
    EXPECT_EQ(current->SliderPos(channel.slider), 20) << channel.name;
    EXPECT_EQ(window().controls[channel.slider].sliderMax, 40);
  }
  EXPECT_EQ(current->SliderPos(IDC_SLIDER_MASTER), 39);
  EXPECT_THAT(io.Codes(),
              ElementsAre(IOCTL_SET_VOLUME_L, IOCTL_SET_VOLUME_R, IOCTL_SET_VOLUME_C,
                          IOCTL_SET_VOLUME_LFE, IOCTL_SET_VOLUME_RL, IOCTL_SET_VOLUME_RR));
  for (const test::DeviceRequest& request : io.requests) {
    EXPECT_THAT(request.input, ElementsAre(0x00, 0x00, 0x80, 0x3F));
    EXPECT_EQ(request.outputSize, 0u);
  }
  EXPECT_THAT(io.openedAccess, ElementsAre(DeviceAccess::kReadWriteShared));
  EXPECT_EQ(io.OpenHandles(), 0);
  EXPECT_FALSE(page().m_hDevice.IsOpen());
}

TEST_F(VolumePageTest, StartUpPushesTheStoredGainsUnchangedAndShowsThem) {
  const std::uint32_t stored[] = {kGainBits[0],  kGainBits[4],  kGainBits[19],
                                  kGainBits[25], kGainBits[39], kGainBits[40]};
  for (std::size_t i = 0; i < std::size(kChannelCases); ++i) {
    registry.PutDword(kChannelCases[i].value, stored[i]);
  }
  registry.PutDword("SystemVolume", 12);
  registry.PutDword("FilterVolume", 0);
  current->Create();
  EXPECT_THAT(registry.writes, IsEmpty());
  // L, R, C, LFE, RL, RR: the table's third and fourth channels change places.
  const std::size_t pushOrder[] = {0, 1, 3, 2, 4, 5};
  ASSERT_EQ(io.requests.size(), 6u);
  for (std::size_t i = 0; i < 6; ++i) {
    const ChannelCase& channel = kChannelCases[pushOrder[i]];
    EXPECT_EQ(io.requests[i].code, channel.code) << channel.name;
    EXPECT_EQ(io.requests[i].input, Bytes(stored[pushOrder[i]])) << channel.name;
  }
  const int positions[] = {0, 4, 19, 25, 39, 40};
  for (std::size_t i = 0; i < std::size(kChannelCases); ++i) {
    EXPECT_EQ(current->SliderPos(kChannelCases[i].slider), positions[i]) << kChannelCases[i].name;
  }
  EXPECT_EQ(current->SliderPos(IDC_SLIDER_MASTER), 28);
  EXPECT_EQ(page().m_dwFilterVolume, 0u);
}

TEST_F(VolumePageTest, StartUpPushIsSilentWhenTheDriverIsAbsentOrRefuses) {
  io.refuseOpen = true;
  current->Create();
  EXPECT_TRUE(io.requests.empty());
  EXPECT_TRUE(window().boxes.empty());

  io.refuseOpen = false;
  io.refusedCodes = {IOCTL_SET_VOLUME_L, IOCTL_SET_VOLUME_C};  // never stops the rest
  current = NewPage();
  current->Create();
  EXPECT_EQ(io.requests.size(), 6u);
  EXPECT_TRUE(window().boxes.empty());
  EXPECT_EQ(io.OpenHandles(), 0);
}

// Stored bits that no slider position gives, with the bits the device gets instead and the
// position the slider shows for them.
struct HeldGainCase {
  std::uint32_t stored;
  std::uint32_t sent;
  int position;
  const char* what;
};

const HeldGainCase kHeldGainCases[] = {
    {0x41A00000, 0x41200000, 0, "20.0, above +20 dB"},
    {0x41200001, 0x41200000, 0, "just above 10.0"},
    {0x7F7FFFFF, 0x41200000, 0, "the largest single"},
    {0x7F800000, 0x41200000, 0, "+infinity"},
    {0x3DCCCCCC, 0x3DCCCCCD, 40, "just below the bottom gain"},
    {0x3C23D70A, 0x3DCCCCCD, 40, "0.01, below -20 dB"},
    {0x00000001, 0x3DCCCCCD, 40, "the smallest denormal"},
    {0x00000000, 0x3DCCCCCD, 40, "zero"},
    {0x80000000, 0x3DCCCCCD, 40, "negative zero"},
    {0xBF800000, 0x3DCCCCCD, 40, "-1.0"},
    {0xC1200000, 0x3DCCCCCD, 40, "-10.0"},
    {0xFF800000, 0x3DCCCCCD, 40, "-infinity"},
    {0x7FC00000, 0x3F800000, 20, "not a number"},
    {0xFFC00001, 0x3F800000, 20, "negative not a number"},
    {0x7FA00000, 0x3F800000, 20, "signalling not a number"},
};

std::uint32_t HeldBits(std::uint32_t stored) {
  return std::bit_cast<std::uint32_t>(ClampStoredGain(std::bit_cast<float>(stored)));
}

TEST(ClampStoredGain, HoldsGainsOutOfTheSlidersRangeAtTheNearerEndAndNotANumberAtUnity) {
  for (const HeldGainCase& c : kHeldGainCases) {
    EXPECT_EQ(HeldBits(c.stored), c.sent) << c.what;
  }
}

TEST(ClampStoredGain, PassesEveryGainWithinTheRangeUnchanged) {
  for (std::uint32_t bits : kGainBits) EXPECT_EQ(HeldBits(bits), bits) << std::hex << bits;
  // Within the range but on no position: an older program's or a hand-made value.
  for (std::uint32_t bits : {0x3DCCCCCEu, 0x3F000000u, 0x3F800001u, 0x411FFFFFu}) {
    EXPECT_EQ(HeldBits(bits), bits) << std::hex << bits;
  }
}

// The device gets the held gain, the slider shows where that gain stands, and the store keeps
// what it held until the user moves the slider: the page never rewrites a value on its own.
TEST_F(VolumePageTest, StoredGainsOutOfRangeAreSentHeldAndShownWhereTheyAreHeld) {
  for (const HeldGainCase& c : kHeldGainCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(SliderPositionForGain(std::bit_cast<float>(c.stored)), c.position);
    registry.PutDword("VolumeRR", c.stored);
    registry.PutDword("VolumeL", c.stored);
    io.ClearLog();
    registry.writes.clear();
    current = NewPage();
    current->Create();
    EXPECT_EQ(current->SliderPos(IDC_SLIDER_REAR_RIGHT), c.position);
    EXPECT_EQ(current->SliderPos(IDC_SLIDER_FRONT_LEFT), c.position);
    ASSERT_EQ(io.requests.size(), 6u);
    EXPECT_EQ(io.requests[0].input, Bytes(c.sent));
    EXPECT_EQ(io.requests[5].input, Bytes(c.sent));
    EXPECT_EQ(io.requests[2].input, Bytes(0x3F800000));  // centre, stored within range
    EXPECT_EQ(registry.Dword("VolumeRR"), c.stored);
    EXPECT_EQ(registry.Dword("VolumeL"), c.stored);
    EXPECT_THAT(registry.writes, Not(Contains("VolumeRR")));
  }
}

TEST_F(VolumePageTest, EachSliderAndDefaultButtonDrivesItsOwnChannel) {
  Activate();
  for (const ChannelCase& channel : kChannelCases) {
    SCOPED_TRACE(channel.name);
    io.ClearLog();
    registry.writes.clear();
    window().controls[channel.slider].sliderPos = 30;
    Release(channel.slider);
    ASSERT_THAT(io.Codes(), ElementsAre(channel.code));
    EXPECT_EQ(io.requests[0].input, Bytes(0x3EA1E89B));
    EXPECT_EQ(io.requests[0].outputSize, 0u);
    EXPECT_THAT(registry.writes, ElementsAre(channel.value));
    EXPECT_EQ(registry.Dword(channel.value), 0x3EA1E89Bu);

    io.ClearLog();
    registry.writes.clear();
    Click(channel.defaultButton);
    ASSERT_THAT(io.Codes(), ElementsAre(channel.code));
    EXPECT_EQ(io.requests[0].input, Bytes(0x3F800000));
    EXPECT_THAT(registry.writes, ElementsAre(channel.value));
    EXPECT_EQ(registry.Dword(channel.value), 0x3F800000u);
    EXPECT_EQ(window().controls[channel.slider].sliderPos, 20);
  }
  EXPECT_TRUE(window().boxes.empty());
}

TEST_F(VolumePageTest, ReleaseSetsTheNotificationResultAndOtherNotificationsAreNotHandled) {
  Activate();
  std::intptr_t result = -1;
  EXPECT_TRUE(page().OnNotify(IDC_SLIDER_LFE, kNmReleasedCapture, result));
  EXPECT_EQ(result, 0);
  result = -1;
  EXPECT_FALSE(page().OnNotify(IDC_SLIDER_LFE, -2, result));
  EXPECT_FALSE(page().OnNotify(IDC_DEFAULT_LFE, kNmReleasedCapture, result));
  EXPECT_FALSE(page().OnCommand(IDC_DEFAULT_LFE, 5));
  EXPECT_FALSE(page().OnCommand(IDC_SLIDER_LFE, kBnClicked));
  EXPECT_EQ(io.requests.size(), 1u);
}

TEST_F(VolumePageTest, WithTheHandleClosedReleasesAndDefaultsDoNothing) {
  current->Create();  // created, never activated
  io.ClearLog();
  registry.writes.clear();
  for (const ChannelCase& channel : kChannelCases) {
    Release(channel.slider);
    Click(channel.defaultButton);
  }
  ASSERT_TRUE(page().OnSetActive());
  ASSERT_TRUE(page().OnKillActive());
  EXPECT_EQ(io.OpenHandles(), 0);
  registry.writes.clear();
  for (const ChannelCase& channel : kChannelCases) {
    window().controls[channel.slider].sliderPos = 3;
    Release(channel.slider);
    Click(channel.defaultButton);
    EXPECT_EQ(window().controls[channel.slider].sliderPos, 3);
  }
  EXPECT_TRUE(io.requests.empty());
  EXPECT_THAT(registry.writes, IsEmpty());
  EXPECT_TRUE(window().boxes.empty());
}

TEST_F(VolumePageTest, RefusedReleaseShowsTheFailureStoresNothingAndKeepsTheSlider) {
  registry.PutDword("VolumeLFE", kGainBits[12]);
  Activate();
  io.refusedCodes.insert(IOCTL_SET_VOLUME_LFE);
  window().controls[IDC_SLIDER_LFE].sliderPos = 33;
  Release(IDC_SLIDER_LFE);
  ExpectTransferErrorShown();
  EXPECT_EQ(io.requests.at(0).input, Bytes(kGainBits[33]));
  EXPECT_THAT(registry.writes, IsEmpty());
  EXPECT_EQ(registry.Dword("VolumeLFE"), kGainBits[12]);
  EXPECT_EQ(current->SliderPos(IDC_SLIDER_LFE), 33);
}

TEST_F(VolumePageTest, RefusedDefaultShowsTheFailureStoresNothingAndKeepsTheSlider) {
  registry.PutDword("VolumeRL", kGainBits[7]);
  Activate();
  io.refusedCodes.insert(IOCTL_SET_VOLUME_RL);
  Click(IDC_DEFAULT_REAR_LEFT);
  ExpectTransferErrorShown();
  EXPECT_EQ(io.requests.at(0).input, Bytes(0x3F800000));
  EXPECT_THAT(registry.writes, IsEmpty());
  EXPECT_EQ(registry.Dword("VolumeRL"), kGainBits[7]);
  EXPECT_EQ(current->SliderPos(IDC_SLIDER_REAR_LEFT), 7);
}

TEST_F(VolumePageTest, WithoutAnyKeyTheSlidersShowTheDefaultsAndNothingIsStored) {
  registry.refusedRoots = {RegistryRoot::kLocalMachine, RegistryRoot::kCurrentUser};
  Activate();
  for (const ChannelCase& channel : kChannelCases) {
    EXPECT_EQ(current->SliderPos(channel.slider), 20);
  }
  Release(IDC_SLIDER_FRONT_LEFT);
  EXPECT_EQ(io.requests.size(), 1u);
  EXPECT_THAT(registry.writes, IsEmpty());
  EXPECT_TRUE(window().boxes.empty());
}

TEST_F(VolumePageTest, DestroyingThePageReleasesItsKeyAndChannel) {
  Activate();
  EXPECT_EQ(registry.OpenKeys(), 1);
  EXPECT_EQ(io.OpenHandles(), 1);
  current.reset();
  EXPECT_EQ(registry.OpenKeys(), 0);
  EXPECT_EQ(io.OpenHandles(), 0);
}

}  // namespace
}  // namespace quendal
