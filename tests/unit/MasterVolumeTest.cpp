#include "pages/MasterVolume.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "fakes/FakeAudioEndpoints.h"
#include "fakes/FakeDeviceIo.h"
#include "fakes/FakeDialogWindow.h"
#include "fakes/FakeMixer.h"
#include "fakes/FakeRegistry.h"
#include "pages/VolumePage.h"
#include "platform/WindowsValues.h"
#include "resource_ids.h"
#include "support/RcStringTable.h"

namespace quendal {
namespace {

using test::EndpointLevelSet;
using test::FakeAudioEndpoints;
using test::FakeDeviceIo;
using test::FakeDialogWindow;
using test::FakeEndpoint;
using test::FakeMixer;
using test::FakeMixerDevice;
using test::FakeRegistry;
using test::MixerValueSet;
using test::StubEndpoint;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(MasterVolumeScale, WrittenValuesAndTheirReadings) {
  struct Case {
    MasterScale scale;
    std::uint32_t step;
    std::uint32_t value;
  };
  const Case cases[] = {
      {MasterScale::kNarrow, 0, 26214},  {MasterScale::kNarrow, 1, 27197},
      {MasterScale::kNarrow, 30, 55704}, {MasterScale::kNarrow, 40, 65534},
      {MasterScale::kFull, 0, 0},        {MasterScale::kFull, 1, 1638},
      {MasterScale::kFull, 30, 49140},   {MasterScale::kFull, 40, 65520},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MixerValueForStep(c.scale, c.step), c.value) << c.step;
    EXPECT_EQ(StepForMixerValue(c.scale, c.value), c.step) << c.value;
  }
}

TEST(MasterVolumeScale, EveryWrittenStepReadsBackAsItself) {
  for (MasterScale scale : {MasterScale::kNarrow, MasterScale::kFull}) {
    for (std::uint32_t step = 0; step <= 40; ++step) {
      EXPECT_EQ(StepForMixerValue(scale, MixerValueForStep(scale, step)), step)
          << "scale " << static_cast<int>(scale) << " step " << step;
    }
  }
}

TEST(MasterVolumeScale, ValuesOthersSetReadAsTheNearestStep) {
  struct Case {
    MasterScale scale;
    std::uint32_t value;
    std::uint32_t step;
  };
  const Case cases[] = {
      {MasterScale::kNarrow, 65535, 40},      {MasterScale::kFull, 65535, 40},
      {MasterScale::kNarrow, 0xFFFFFFFF, 40}, {MasterScale::kFull, 0xFFFFFFFF, 40},
      {MasterScale::kNarrow, 0, 0},           {MasterScale::kNarrow, 26213, 0},
      {MasterScale::kNarrow, 26214 + 491, 0}, {MasterScale::kNarrow, 26214 + 492, 1},
      {MasterScale::kFull, 818, 0},           {MasterScale::kFull, 820, 1},
      {MasterScale::kFull, 32767, 20},        {MasterScale::kNarrow, 45875, 20},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StepForMixerValue(c.scale, c.value), c.step) << c.value;
  }
}

TEST(MasterVolumeScale, UsbNameTestIgnoresCase) {
  EXPECT_TRUE(NamesUsbDevice("USB Audio Device"));
  EXPECT_TRUE(NamesUsbDevice("Quendal usb 5.1"));
  EXPECT_TRUE(NamesUsbDevice("xUsBx"));
  EXPECT_TRUE(NamesUsbDevice("喇叭 (USB Audio Device)"));
  EXPECT_FALSE(NamesUsbDevice("Internal Sound Card"));
  EXPECT_FALSE(NamesUsbDevice("U S B"));
  EXPECT_FALSE(NamesUsbDevice(""));
}

// The endpoint level of a mixer value, as the tests' cases give it.
float Level(std::uint32_t value) { return static_cast<float>(value / 65535.0); }

TEST(MasterVolumeScale, EveryMixerValueComesBackFromItsEndpointLevel) {
  for (std::uint32_t value = 0; value <= 65535; ++value) {
    ASSERT_EQ(MixerValueForEndpointLevel(EndpointLevelForMixerValue(value)), value);
  }
  EXPECT_EQ(EndpointLevelForMixerValue(0), 0.0f);
  EXPECT_EQ(EndpointLevelForMixerValue(65535), 1.0f);
  EXPECT_EQ(EndpointLevelForMixerValue(0xFFFFFFFF), 1.0f);
  EXPECT_FLOAT_EQ(EndpointLevelForMixerValue(26214), 0.4f);
}

TEST(MasterVolumeScale, LevelsOthersSetGiveTheNearestMixerValue) {
  struct Case {
    float level;
    std::uint32_t value;
  };
  const Case cases[] = {
      {0.5f, 32768},
      {0.49f / 65535, 0},
      {0.51f / 65535, 1},
      {1.0f - 0.49f / 65535, 65535},
      {-0.25f, 0},
      {1.5f, 65535},
      {std::numeric_limits<float>::infinity(), 65535},
      {-std::numeric_limits<float>::infinity(), 0},
      {std::nanf(""), 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MixerValueForEndpointLevel(c.level), c.value) << c.level;
  }
}

// The master slider on a volume page over a list of mixers.
class MasterVolumeTest : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(mixer.OpenHandles(), 0);
    EXPECT_EQ(mixer.misuses, 0);
    EXPECT_EQ(endpoints.OpenLists(), 0);
    EXPECT_EQ(endpoints.misuses, 0);
    EXPECT_EQ(registry.misuses, 0);
  }

  void Create(std::uint32_t filterVolume, std::uint32_t systemVolume) {
    registry.PutDword("FilterVolume", filterVolume);
    registry.PutDword("SystemVolume", systemVolume);
    auto created = std::make_unique<FakeDialogWindow>();
    window = created.get();
    page.AttachWindow(std::move(created));
    page.OnInitDialog();
    registry.writes.clear();
    io.ClearLog();
  }

  void Activate() {
    ASSERT_TRUE(page.OnSetActive());
    ASSERT_TRUE(page.OnKillActive());
  }

  void ReleaseMasterAt(int position) {
    window->controls[IDC_SLIDER_MASTER].sliderPos = position;
    std::intptr_t result = -1;
    EXPECT_TRUE(page.OnNotify(IDC_SLIDER_MASTER, kNmReleasedCapture, result));
    EXPECT_EQ(result, 0);
  }

  int MasterPos() const { return window->controls.at(IDC_SLIDER_MASTER).sliderPos; }

  FakeDeviceIo io;
  FakeRegistry registry;
  test::RcStringTable strings;
  FakeMixer mixer;
  // Until a test lists endpoints, the system has the interfaces but no endpoint, so the mixer
  // is what the page reads and sets.
  FakeAudioEndpoints endpoints;
  CVolumePage page{io, registry, strings, mixer, endpoints};
  FakeDialogWindow* window = nullptr;
};

TEST_F(MasterVolumeTest, ReleaseSetsEveryMixerOnBothScales) {
  struct Case {
    std::uint32_t filterVolume;
    int position;
    std::uint32_t value;
  };
  const Case cases[] = {
      {1, 0, 65534}, {1, 40, 26214}, {1, 10, 55704}, {7, 10, 55704},
      {0, 0, 65520}, {0, 40, 0},     {0, 10, 49140},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.filterVolume << " at " << c.position);
    mixer.devices = {{"Internal Audio", 1}, {"USB Audio", 2}};
    mixer.sets.clear();
    Create(c.filterVolume, 1);
    ReleaseMasterAt(c.position);
    EXPECT_THAT(mixer.sets, ElementsAre(MixerValueSet{0, c.value}, MixerValueSet{1, c.value}));
    EXPECT_THAT(registry.writes, ElementsAre("SystemVolume"));
    EXPECT_EQ(registry.Dword("SystemVolume"), static_cast<std::uint32_t>(40 - c.position));
  }
  EXPECT_TRUE(io.requests.empty());
}

TEST_F(MasterVolumeTest, ReleaseAndReactivationKeepTheSliderWhereItWasLeft) {
  mixer.devices = {{"USB Audio", 0}};
  Create(1, 1);
  ReleaseMasterAt(10);
  EXPECT_EQ(mixer.devices[0].value, 55704u);
  EXPECT_EQ(registry.Dword("SystemVolume"), 30u);
  for (int i = 0; i < 3; ++i) {
    Activate();
    ReleaseMasterAt(MasterPos());
  }
  EXPECT_EQ(MasterPos(), 10);
  EXPECT_EQ(registry.Dword("SystemVolume"), 30u);
  EXPECT_EQ(mixer.devices[0].value, 55704u);
}

TEST_F(MasterVolumeTest, ActivationShowsTheUsbMixerOrElseTheLastOneRead) {
  struct Case {
    const char* what;
    std::vector<FakeMixerDevice> devices;
    std::uint32_t filterVolume;
    int position;
  };
  FakeMixerDevice noSpeakers{"Internal", 65535};
  noSpeakers.hasSpeakersLine = false;
  FakeMixerDevice noVolume{"Internal", 65535};
  noVolume.hasVolumeControl = false;
  FakeMixerDevice closed{"Internal", 65535};
  closed.opens = false;
  const Case cases[] = {
      {"USB second", {{"Internal", 65535}, {"USB Audio", 55704}}, 1, 10},
      {"USB first", {{"usb audio", 26214}, {"Internal", 65535}}, 1, 40},
      {"no USB name", {{"Internal", 0}, {"Modem", 32760}}, 0, 20},
      {"65535, narrow", {{"Usb", 65535}}, 1, 0},
      {"65535, full", {{"Usb", 65535}}, 0, 0},
      {"below the narrow scale", {{"USB", 1000}}, 1, 40},
      {"first without speakers", {noSpeakers, {"USB Audio", 55704}}, 1, 10},
      {"first without volume", {noVolume, {"USB Audio", 55704}}, 1, 10},
      {"first does not open", {closed, {"USB Audio", 55704}}, 1, 10},
      {"no USB after a failure", {{"Internal", 49140}, noSpeakers}, 0, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    mixer.devices = c.devices;
    Create(c.filterVolume, 1);
    Activate();
    EXPECT_EQ(MasterPos(), c.position);
    EXPECT_EQ(registry.Dword("SystemVolume"), static_cast<std::uint32_t>(40 - c.position));
    EXPECT_THAT(mixer.sets, IsEmpty());
  }
}

TEST_F(MasterVolumeTest, WithoutAReadableMixerTheStoredStepStands) {
  FakeMixerDevice noSpeakers{"USB Audio", 30000};
  noSpeakers.hasSpeakersLine = false;
  for (const std::vector<FakeMixerDevice>& devices :
       {std::vector<FakeMixerDevice>{}, std::vector<FakeMixerDevice>{noSpeakers}}) {
    mixer.devices = devices;
    Create(1, 25);
    window->controls[IDC_SLIDER_MASTER].sliderPos = 3;  // moved by keyboard meanwhile
    Activate();
    EXPECT_EQ(MasterPos(), 15);
    EXPECT_THAT(registry.writes, ElementsAre("SystemVolume"));
    EXPECT_EQ(registry.Dword("SystemVolume"), 25u);
  }
}

TEST_F(MasterVolumeTest, StoredStepAboveTheTopShowsAtTheTop) {
  Create(1, 0x80000000u);
  EXPECT_EQ(MasterPos(), 0);
  Activate();
  EXPECT_EQ(MasterPos(), 0);
}

TEST_F(MasterVolumeTest, ReleasePassesOverMixersThatCannotBeSet) {
  FakeMixerDevice noSpeakers{"Internal", 7};
  noSpeakers.hasSpeakersLine = false;
  FakeMixerDevice noVolume{"Modem", 7};
  noVolume.hasVolumeControl = false;
  FakeMixerDevice closed{"Other", 7};
  closed.opens = false;
  FakeMixerDevice refusing{"Refusing", 7};
  refusing.refusesSet = true;
  mixer.devices = {noSpeakers, noVolume, closed, refusing, {"USB Audio", 7}};
  Create(0, 1);
  ReleaseMasterAt(0);
  EXPECT_THAT(mixer.sets, ElementsAre(MixerValueSet{4, 65520}));
  EXPECT_EQ(registry.Dword("SystemVolume"), 40u);
  EXPECT_EQ(mixer.opens, 4);
}

TEST_F(MasterVolumeTest, WithoutMixersReleaseOnlyStoresTheStep) {
  Create(1, 1);
  ReleaseMasterAt(5);
  EXPECT_THAT(mixer.sets, IsEmpty());
  EXPECT_EQ(registry.Dword("SystemVolume"), 35u);
}

TEST_F(MasterVolumeTest, MasterSliderWorksWithoutTheDriver) {
  io.refuseOpen = true;
  mixer.devices = {{"USB Audio", 0}};
  Create(1, 1);
  ASSERT_TRUE(page.OnSetActive());
  ReleaseMasterAt(0);
  EXPECT_THAT(mixer.sets, ElementsAre(MixerValueSet{0, 65534}));
  EXPECT_EQ(registry.Dword("SystemVolume"), 40u);
}

// A mixer that the endpoint cases must leave alone: reading it would show the top.
const FakeMixerDevice kLoudUsbMixer{"USB Audio", 65535};

FakeEndpoint Unreadable(std::string name) {
  FakeEndpoint endpoint{std::move(name), Level(65535)};
  endpoint.readsLevel = false;
  return endpoint;
}

TEST_F(MasterVolumeTest, ActivationShowsTheUsbEndpointOrElseTheLastUsableOne) {
  struct Case {
    const char* what;
    std::vector<FakeEndpoint> endpoints;
    std::uint32_t filterVolume;
    int position;
  };
  const Case cases[] = {
      {"USB second",
       {{"Speakers (Internal)", Level(65535)}, {"Speakers (USB Audio Device)", Level(55704)}},
       1,
       10},
      {"USB first", {{"usb audio", Level(26214)}, {"Internal", Level(65535)}}, 1, 40},
      {"no USB name", {{"Internal", Level(0)}, {"HDMI", Level(32760)}}, 0, 20},
      {"last without a name", {{"Internal", Level(0)}, {std::nullopt, Level(32760)}}, 0, 20},
      {"stub USB passed over", {{"Internal", Level(49140)}, StubEndpoint("USB Audio")}, 0, 10},
      {"unreadable first", {Unreadable("Internal"), {"USB Audio", Level(55704)}}, 1, 10},
      {"unreadable USB", {{"Internal", Level(49140)}, Unreadable("USB Audio")}, 0, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    endpoints.endpoints = c.endpoints;
    mixer.devices = {kLoudUsbMixer};
    Create(c.filterVolume, 1);
    Activate();
    EXPECT_EQ(MasterPos(), c.position);
    EXPECT_EQ(registry.Dword("SystemVolume"), static_cast<std::uint32_t>(40 - c.position));
    EXPECT_EQ(mixer.opens, 0);
    for (std::size_t i = 0; i < c.endpoints.size(); ++i) {
      EXPECT_EQ(endpoints.endpoints[i].level, c.endpoints[i].level) << "volume changed by reading";
    }
  }
}

TEST_F(MasterVolumeTest, ReleaseSetsEveryUsableEndpointAndLeavesTheMixer) {
  endpoints.endpoints = {{"Internal", Level(0)},
                         StubEndpoint("HDMI"),
                         Unreadable("Headphones"),
                         {std::nullopt, Level(0)},
                         {"USB Audio", Level(0)}};
  mixer.devices = {{"USB Audio", 7}};
  Create(1, 1);
  ReleaseMasterAt(10);
  EXPECT_THAT(endpoints.sets,
              ElementsAre(EndpointLevelSet{0, Level(55704)}, EndpointLevelSet{3, Level(55704)},
                          EndpointLevelSet{4, Level(55704)}));
  EXPECT_THAT(mixer.sets, IsEmpty());
  EXPECT_EQ(mixer.opens, 0);
  EXPECT_EQ(registry.Dword("SystemVolume"), 30u);
}

TEST_F(MasterVolumeTest, ReleaseAndReactivationThroughAnEndpointKeepEveryPosition) {
  endpoints.endpoints = {{"USB Audio", Level(0)}};
  for (std::uint32_t filterVolume : {0u, 1u}) {
    Create(filterVolume, 1);
    for (int position = 0; position <= 40; ++position) {
      ReleaseMasterAt(position);
      window->controls[IDC_SLIDER_MASTER].sliderPos = -1;
      Activate();
      EXPECT_EQ(MasterPos(), position) << "scale " << filterVolume;
    }
  }
  EXPECT_THAT(mixer.sets, IsEmpty());
}

// Where the system lacks the endpoint interfaces, lists no endpoint, or has only endpoints that
// refuse, the mixer is read and set as without them.
TEST_F(MasterVolumeTest, WithoutAUsableEndpointTheMixerIsReadAndSet) {
  struct Case {
    const char* what;
    bool available;
    std::vector<FakeEndpoint> endpoints;
  };
  const Case cases[] = {
      {"no endpoint interfaces", false, {}},
      {"no endpoints", true, {}},
      {"only stubs", true, {StubEndpoint("Speakers"), StubEndpoint("USB Audio")}},
      {"only unreadable", true, {Unreadable("USB Audio")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    endpoints.available = c.available;
    endpoints.endpoints = c.endpoints;
    endpoints.opens = 0;
    mixer.devices = {{"Internal", 0}, {"USB Audio", 0}};
    mixer.sets.clear();
    Create(1, 1);
    ReleaseMasterAt(10);
    EXPECT_THAT(mixer.sets, ElementsAre(MixerValueSet{0, 55704}, MixerValueSet{1, 55704}));
    Activate();
    EXPECT_EQ(MasterPos(), 10) << "the slider shows the mixer, where the release went";
    EXPECT_EQ(registry.Dword("SystemVolume"), 30u);
    EXPECT_THAT(endpoints.sets, IsEmpty());
    EXPECT_EQ(endpoints.opens, c.available ? 2 : 0);
    for (const FakeEndpoint& endpoint : endpoints.endpoints) EXPECT_EQ(endpoint.level, 1.0f);
  }
}

}  // namespace
}  // namespace quendal
