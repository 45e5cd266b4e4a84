#include "device/UsbBusWalk.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "device/DeviceIdentity.h"
#include "fakes/FakeNameConverter.h"
#include "fakes/FakeUsbBus.h"

namespace quendal {
namespace {

using test::BuildHubTree;
using test::FakeNameConverter;
using test::FakeUsbBus;
using test::FakeUsbHub;
using test::FakeUsbPort;
using test::NameFault;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

constexpr std::uint16_t kVendor = 0x3A7E;

FakeUsbPort Device(std::uint16_t product = 0x1700) { return test::DevicePort(kVendor, product); }
FakeUsbPort Mouse() { return test::DevicePort(0x1234, 0x5678); }
FakeUsbPort Hub(const std::string& name) { return test::HubPort(name); }

// Public, so that the tables of topologies and faults can arrange the bus.
class UsbBusWalkTest : public ::testing::Test {
 public:
  // Whatever the topology and its faults, the walk leaves every handle closed and keeps to
  // the layout of each request.
  void TearDown() override {
    EXPECT_EQ(bus.OpenHandles(), 0);
    EXPECT_EQ(bus.misuses, 0);
    EXPECT_EQ(bus.protocolErrors, 0);
  }

  void Controller(int number, const std::string& rootHub, std::vector<FakeUsbPort> ports) {
    bus.controllers[number].rootHub = rootHub;
    bus.hubs[rootHub].ports = std::move(ports);
  }

  int Walk() { return walk.FindDeviceOnUsbBus(); }

  FakeUsbBus bus;
  FakeNameConverter names;
  UsbBusWalk walk{bus, names};
};

TEST(DeviceIdentity, MatchesTheVendorAndTheThreeProductFamilies) {
  const struct {
    std::uint16_t vendor;
    std::uint16_t product;
    bool matches;
  } cases[] = {
      {kVendor, 0x1100, true},  {kVendor, 0x16FF, true},  {kVendor, 0x1700, true},
      {kVendor, 0x17AB, true},  {kVendor, 0x1234, false}, {kVendor, 0x1000, false},
      {kVendor, 0x1800, false}, {kVendor, 0x0017, false}, {0x7E3A, 0x1700, false},
      {0x3A7F, 0x1700, false},  {0x0000, 0x1700, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsQuendalDevice(c.vendor, c.product), c.matches)
        << std::hex << c.vendor << ":" << c.product;
  }
}

struct TopologyCase {
  const char* name;
  std::function<void(UsbBusWalkTest&)> build;
  int found;
};

void PrintTo(const TopologyCase& c, std::ostream* os) { *os << c.name; }

class UsbBusTopology : public UsbBusWalkTest, public ::testing::WithParamInterface<TopologyCase> {};

TEST_P(UsbBusTopology, FindsTheDeviceWhereverItIsPlugged) {
  GetParam().build(*this);
  EXPECT_EQ(Walk(), GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(
    Buses, UsbBusTopology,
    ::testing::Values(
        TopologyCase{"OnTheRootHub",
                     [](UsbBusWalkTest& t) {
                       t.Controller(0, "ROOT0", {Mouse(), Device()});
                     },
                     1},
        TopologyCase{"BehindAnExternalHub",
                     [](UsbBusWalkTest& t) {
                       t.Controller(0, "ROOT0", {Mouse(), Hub("HUB_A")});
                       t.bus.hubs["HUB_A"].ports = {Mouse(), Mouse(), Device()};
                     },
                     1},
        TopologyCase{"BehindTwoExternalHubs",
                     [](UsbBusWalkTest& t) {
                       t.Controller(0, "ROOT0", {Hub("HUB_A")});
                       t.bus.hubs["HUB_A"].ports = {Mouse(), Hub("HUB_B")};
                       t.bus.hubs["HUB_B"].ports = {Device(0x1101)};
                     },
                     1},
        TopologyCase{"Absent",
                     [](UsbBusWalkTest& t) {
                       t.Controller(0, "ROOT0", {Mouse(), Hub("HUB_A")});
                       t.bus.hubs["HUB_A"].ports = {Mouse()};
                     },
                     0},
        TopologyCase{"OnControllerTwoOfZeroAndTwo",
                     [](UsbBusWalkTest& t) {
                       t.Controller(0, "ROOT0", {Mouse()});
                       t.Controller(2, "ROOT2", {Mouse(), Device()});
                     },
                     1},
        TopologyCase{"OnTheLastController",
                     [](UsbBusWalkTest& t) { t.Controller(9, "ROOT9", {Device()}); }, 1},
        TopologyCase{"ProductOfAnotherFamily",
                     [](UsbBusWalkTest& t) { t.Controller(0, "ROOT0", {Device(0x1234)}); }, 0},
        TopologyCase{"ProductOfTheSeventeenFamily",
                     [](UsbBusWalkTest& t) { t.Controller(0, "ROOT0", {Device(0x1700)}); }, 1},
        TopologyCase{"BeyondTheDescribedPortsOfAHub",
                     [](UsbBusWalkTest& t) {
                       t.Controller(0, "ROOT0", {Mouse()});
                       t.bus.hubs["ROOT0"].reportedPortCount = 4;
                     },
                     0},
        TopologyCase{"NoControllerAtAll", [](UsbBusWalkTest&) {}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UsbBusWalkTest, WalksControllersWithGapsInOrderAndStopsAtTheFirstMatch) {
  Controller(0, "ROOT0", {Mouse(), Mouse()});
  Controller(2, "ROOT2", {Device(), Device()});
  Controller(3, "ROOT3", {Device()});

  EXPECT_EQ(Walk(), 1);
  EXPECT_THAT(bus.openAttempts, ElementsAre("\\\\.\\HCD0", "\\\\.\\ROOT0", "\\\\.\\HCD1",
                                            "\\\\.\\HCD2", "\\\\.\\ROOT2"));
  EXPECT_EQ(bus.PortRequests("ROOT2"), 1);
}

TEST_F(UsbBusWalkTest, TriesAllTenControllersWhenTheDeviceIsAbsent) {
  Controller(0, "ROOT0", {Mouse()});
  Controller(2, "ROOT2", {Mouse()});

  EXPECT_EQ(Walk(), 0);
  std::vector<std::string> controllers;
  for (const std::string& path : bus.openAttempts) {
    if (path.starts_with("\\\\.\\HCD")) controllers.push_back(path);
  }
  EXPECT_THAT(controllers, ElementsAre("\\\\.\\HCD0", "\\\\.\\HCD1", "\\\\.\\HCD2", "\\\\.\\HCD3",
                                       "\\\\.\\HCD4", "\\\\.\\HCD5", "\\\\.\\HCD6", "\\\\.\\HCD7",
                                       "\\\\.\\HCD8", "\\\\.\\HCD9"));
}

TEST_F(UsbBusWalkTest, AsksEachPortOnceAndEachFollowedHubsNameTwice) {
  BuildHubTree(bus, 2, 3, 4);  // per controller: 1 + 4 + 16 hubs, 21 * 4 ports

  EXPECT_EQ(Walk(), 0);
  EXPECT_EQ(bus.counts.rootHubNameRequests, 2 * 2);
  EXPECT_EQ(bus.counts.nodeInformationRequests, 2 * 21);
  EXPECT_EQ(bus.counts.connectionInformationRequests, 2 * 21 * 4);
  EXPECT_EQ(bus.counts.connectionNameRequests, 2 * 20 * 2);
  EXPECT_EQ(bus.counts.opens, 2 + 2 * 21);
  // A level keeps its hub open only while the hubs below it are scanned.
  EXPECT_EQ(bus.peakOpenHandles, 4);
}

// A bus with the device behind two hubs of controller 0 and on the root hub of controller 1.
class UsbBusFault : public UsbBusWalkTest {
 protected:
  void SetUp() override {
    Controller(0, "ROOT0", {Hub("BAD"), Hub("GOOD")});
    bus.hubs["BAD"].ports = {Device()};
    bus.hubs["GOOD"].ports = {Device()};
    Controller(1, "ROOT1", {Device()});
  }
};

TEST_F(UsbBusFault, HealthyBusFindsTheDeviceBehindTheFirstHub) {
  EXPECT_EQ(Walk(), 1);
  EXPECT_EQ(bus.PortRequests("BAD"), 1);
}

struct FaultCase {
  std::string name;
  std::function<void(UsbBusWalkTest&)> spoil;
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

class UsbBusFaultCase : public UsbBusFault, public ::testing::WithParamInterface<FaultCase> {};

// A malformed or refused reply skips only what it concerns: the walk goes on to the next
// port or controller and finds the device there, and never scans the hub it could not name.
TEST_P(UsbBusFaultCase, SkipsWhatItConcernsAndWalksOn) {
  GetParam().spoil(*this);

  EXPECT_EQ(Walk(), 1);
  EXPECT_EQ(bus.PortRequests("BAD"), 0);
}

void SpoilRootHubName(UsbBusWalkTest& t, NameFault fault) {
  t.bus.controllers[0].nameFault = fault;
}
void SpoilHubName(UsbBusWalkTest& t, NameFault fault) {
  t.bus.hubs["ROOT0"].ports[0].nameFault = fault;
}

const NameFault kNameFaults[] = {
    NameFault::kRefusedFirst, NameFault::kRefusedSecond, NameFault::kShortLength,
    NameFault::kHugeLength,   NameFault::kGrownLength,   NameFault::kOddLength,
    NameFault::kUnterminated,
};
const char* const kNameFaultNames[] = {
    "RefusedFirst", "RefusedSecond", "ShortLength",  "HugeLength",
    "GrownLength",  "OddLength",     "Unterminated",
};

std::vector<FaultCase> FaultCases() {
  std::vector<FaultCase> cases;
  for (std::size_t i = 0; i < std::size(kNameFaults); ++i) {
    const NameFault fault = kNameFaults[i];
    cases.push_back({std::string("RootHubName") + kNameFaultNames[i],
                     [fault](auto& t) { SpoilRootHubName(t, fault); }});
    cases.push_back({std::string("HubName") + kNameFaultNames[i],
                     [fault](auto& t) { SpoilHubName(t, fault); }});
  }
  const FaultCase hubFaults[] = {
      {"RootHubNameNotConvertible", [](auto& t) { t.names.refused.insert(u"ROOT0"); }},
      {"HubNameNotConvertible", [](auto& t) { t.names.refused.insert(u"BAD"); }},
      {"RootHubDoesNotOpen", [](auto& t) { t.bus.hubs["ROOT0"].refuseOpen = true; }},
      {"HubDoesNotOpen", [](auto& t) { t.bus.hubs["BAD"].refuseOpen = true; }},
      {"HubRefusesNodeInformation", [](auto& t) { t.bus.hubs["BAD"].refuseInformation = true; }},
      {"HubWithNoPorts", [](auto& t) { t.bus.hubs["BAD"].reportedPortCount = 0; }},
      {"HubWith255Ports", [](auto& t) { t.bus.hubs["BAD"].reportedPortCount = 255; }},
      {"PortRefusesInformation",
       [](auto& t) { t.bus.hubs["ROOT0"].ports[0].refuseInformation = true; }},
  };
  cases.insert(cases.end(), std::begin(hubFaults), std::end(hubFaults));
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Replies, UsbBusFaultCase, ::testing::ValuesIn(FaultCases()),
                         [](const auto& info) { return info.param.name; });

TEST_F(UsbBusWalkTest, SkipsAHubWhoseNameDoesNotFitThePathBuffer) {
  // "\\.\" + name + terminator in 256 bytes: 251 characters fit, 252 do not.
  const std::string fits(251, 'F');
  const std::string tooLong(252, 'L');
  Controller(0, tooLong, {Device()});
  Controller(1, fits, {Device()});

  EXPECT_EQ(Walk(), 1);
  EXPECT_THAT(bus.openAttempts, Contains("\\\\.\\" + fits));
  for (const std::string& path : bus.openAttempts) EXPECT_LT(path.size(), 256u);
}

// Each of these names holds the device, so only the check of the name keeps the walk from it.
TEST_F(UsbBusWalkTest, ScanHubOpensOnlyWhatLooksLikeAHubsName) {
  const std::string refused[] = {
      std::string(252, 'L'),  // would be cut short in the path buffer
      "",
      std::string("HUB\0X", 5),
      "..\\..\\Windows\\win.ini",
      "HUB\\..\\HUB",
      "HUB/X",
      "..",
      "HUB..",
      "C:",
      "HUB\x01",
      "HUB\x7F",
      "HUB\xC3\xA9",
  };
  for (const std::string& name : refused) bus.hubs[name].ports = {Device()};
  bus.hubs["HUB"].ports = {Device()};

  for (const std::string& name : refused) EXPECT_EQ(walk.ScanHub(name, 1), 0) << name;
  EXPECT_TRUE(bus.openAttempts.empty());

  const std::string real = "USB#ROOT_HUB30#4&1b2c3d4e&0&0#{f18a0e88-c30c-11d0-8815-00a0c906bed8}";
  const std::string longest(251, 'F');
  for (const std::string& name : {real, longest}) {
    bus.hubs[name].ports = {Device()};
    EXPECT_EQ(walk.ScanHub(name, 1), 1) << name;
  }
}

std::string ChainOfHubs(FakeUsbBus& bus, int externalHubs) {
  std::string above = "ROOT0";
  bus.controllers[0].rootHub = above;
  for (int i = 1; i <= externalHubs; ++i) {
    const std::string below = "CHAIN" + std::to_string(i);
    bus.hubs[above].ports = {Hub(below)};
    above = below;
  }
  return above;
}

TEST_F(UsbBusWalkTest, FollowsHubsDownToTheSeventhTier) {
  bus.hubs[ChainOfHubs(bus, 6)].ports = {Device()};  // on the tier-7 hub

  EXPECT_EQ(Walk(), 1);
  EXPECT_EQ(bus.peakOpenHandles, 1 + 7);
}

TEST_F(UsbBusWalkTest, DoesNotFollowAHubBelowTheSeventhTier) {
  bus.hubs[ChainOfHubs(bus, 7)].ports = {Device()};  // on a tier-8 hub

  EXPECT_EQ(Walk(), 0);
  EXPECT_THAT(bus.openAttempts, Not(Contains("\\\\.\\CHAIN7")));
}

TEST_F(UsbBusWalkTest, ScansAHubThatNamesItselfBelowItselfOnce) {
  Controller(0, "ROOT0", {Hub("LOOP")});
  bus.hubs["LOOP"].ports = {Hub("LOOP"), Hub("loop"), Hub("ROOT0")};

  EXPECT_EQ(Walk(), 0);
  EXPECT_THAT(bus.openAttempts,
              ElementsAre("\\\\.\\HCD0", "\\\\.\\ROOT0", "\\\\.\\LOOP", "\\\\.\\HCD1",
                          "\\\\.\\HCD2", "\\\\.\\HCD3", "\\\\.\\HCD4", "\\\\.\\HCD5", "\\\\.\\HCD6",
                          "\\\\.\\HCD7", "\\\\.\\HCD8", "\\\\.\\HCD9"));
}

// Hubs that all name one another, as wide as a hub can be: each is scanned once per walk, and
// the next walk scans them again.
TEST_F(UsbBusWalkTest, VisitsEachHubNameOncePerWalk) {
  std::vector<FakeUsbPort> everyHub;
  for (int i = 0; i < 254; ++i) everyHub.push_back(Hub(i % 2 == 0 ? "HUB_A" : "HUB_B"));
  Controller(0, "ROOT0", everyHub);
  bus.hubs["HUB_A"].ports = everyHub;
  bus.hubs["HUB_B"].ports = everyHub;
  // A second controller naming, in other letters, the root hub already scanned.
  Controller(1, "root0", {Device()});

  for (int walkNumber = 0; walkNumber < 2; ++walkNumber) {
    bus.ClearObservations();
    EXPECT_EQ(Walk(), 0);
    EXPECT_EQ(bus.counts.nodeInformationRequests, 3);
    EXPECT_EQ(bus.counts.connectionInformationRequests, 3 * 254);
    EXPECT_EQ(bus.counts.opens, 2 + 3);  // HCD0, HCD1, ROOT0, HUB_A, HUB_B
  }
}

// A bus that invents a new hub below every port of every hub: the walk ends when its budget
// is spent, and the next walk has the whole budget again.
TEST_F(UsbBusWalkTest, EndsWithinItsBudgetOnABusThatInventsHubsWithoutEnd) {
  bus.inventedHubPorts = 254;
  bus.controllers[0].rootHub = "ENDLESS";
  Controller(1, "ROOT1", {Device()});

  EXPECT_EQ(Walk(), 0);
  EXPECT_EQ(bus.Requests(), UsbBusWalk::kRequestBudget);
  EXPECT_THAT(bus.openAttempts, Not(Contains("\\\\.\\HCD1")));

  bus.inventedHubPorts = 0;
  bus.controllers.erase(0);
  bus.ClearObservations();
  EXPECT_EQ(Walk(), 1);
}

// The budget is far above what a large real bus needs: ten controllers, each with three tiers
// of 7-port hubs, are walked to their end.
TEST_F(UsbBusWalkTest, ALargeRealBusIsWalkedToItsEnd) {
  BuildHubTree(bus, 10, 3, 7);
  bus.hubs["ROOT9_7_7"].ports[6] = Device();

  EXPECT_EQ(Walk(), 1);
  EXPECT_LT(bus.Requests(), UsbBusWalk::kRequestBudget / 5);
}

}  // namespace
}  // namespace quendal
