#include "device/DevicePresence.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fakes/FakeFilterLibrary.h"
#include "fakes/FakeNameConverter.h"
#include "fakes/FakePrompt.h"
#include "fakes/FakeSystem.h"
#include "fakes/FakeUsbBus.h"
#include "platform/WindowsValues.h"
#include "resource_ids.h"
#include "support/RcStringTable.h"

namespace quendal {
namespace {

using test::FakeFilterLibrary;
using test::FakeNameConverter;
using test::FakePrompt;
using test::FakeSystem;
using test::FakeUsbBus;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr std::uint16_t kVendor = 0x3A7E;
constexpr unsigned kNoMessage = 0;

class DevicePresenceTest : public ::testing::Test {
 protected:
  void SetUp() override { PlugDevice(true); }

  // No library, export or bus handle outlives one question.
  void TearDown() override {
    EXPECT_EQ(library.OpenLibraries(), 0);
    EXPECT_EQ(library.misuses, 0);
    EXPECT_EQ(bus.OpenHandles(), 0);
    EXPECT_EQ(bus.misuses, 0);
  }

  void PlugDevice(bool plugged) {
    bus.controllers[0].rootHub = "ROOT0";
    bus.hubs["ROOT0"].ports = {test::DevicePort(0x1234, 0x5678),
                               test::DevicePort(plugged ? kVendor : 0x1234, 0x1700)};
  }

  void ExpectWarning(unsigned id) const {
    if (id == kNoMessage) {
      EXPECT_THAT(prompt.boxes, IsEmpty());
      return;
    }
    ASSERT_EQ(prompt.boxes.size(), 1u);
    EXPECT_EQ(prompt.boxes[0].text, strings.Load(id));
    EXPECT_EQ(prompt.boxes[0].caption, L"Quendal5.1RIR: 警告");
    EXPECT_EQ(prompt.boxes[0].style, kMbOk | kMbIconExclamation);
  }

  FakeUsbBus bus;
  FakeFilterLibrary library;
  FakeSystem system;
  test::RcStringTable strings;
  FakePrompt prompt;
  FakeNameConverter names;
  UsbDevicePresence presence{bus, library, system, strings, prompt, names};
};

// Folders whose names no single ANSI code page holds (Chinese beside Thai, Korean beside
// Chinese) reach the library's path unchanged, with or without the long-path prefix.
TEST_F(DevicePresenceTest, LoadsTheLibraryFromTheProgramsFolder) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"C:\\Program Files\\Quendal\\QuendalPanel.exe",
       L"C:\\Program Files\\Quendal\\Zanfilter.dll"},
      {L"D:\\panel.exe", L"D:\\Zanfilter.dll"},
      {L"\\\\server\\share\\x\\panel.exe", L"\\\\server\\share\\x\\Zanfilter.dll"},
      {L"C:\\Program Files\\音效 เสียง\\QuendalPanel.exe",
       L"C:\\Program Files\\音效 เสียง\\Zanfilter.dll"},
      {L"\\\\?\\E:\\음향\\面板.exe", L"\\\\?\\E:\\음향\\Zanfilter.dll"},
  };
  for (const auto& [executable, expected] : cases) {
    system.executablePath = executable;
    library.loadedPaths.clear();
    presence.IsDevicePresent();
    EXPECT_THAT(library.loadedPaths, ElementsAre(expected));
  }
}

// Where the system cannot confine a load to named folders, the library's own folder is at
// least searched first; every question asks for the same search.
TEST_F(DevicePresenceTest, ConfinesTheLibrarysDependenciesWhereTheSystemCan) {
  const std::pair<bool, DependencySearch> cases[] = {
      {true, DependencySearch::kOwnFolderAndSystem},
      {false, DependencySearch::kOwnFolderFirst},
  };
  for (const auto& [canConfine, expected] : cases) {
    library.canConfineSearch = canConfine;
    library.searches.clear();
    presence.IsDevicePresent();
    presence.RegisterAudioFilter();
    EXPECT_THAT(library.searches, ElementsAre(expected, expected)) << "confinable: " << canConfine;
  }
}

TEST_F(DevicePresenceTest, NeverSearchesForTheLibraryWhenTheProgramsFolderIsUnknown) {
  system.executablePath = L"";

  EXPECT_EQ(presence.IsDevicePresent(), 0);
  EXPECT_THAT(library.loadedPaths, IsEmpty());
  ExpectWarning(IDS_LIBRARY_MISSING);
}

struct PresenceCase {
  const char* name;
  bool loads;
  bool hasExport;
  int installed;
  bool plugged;
  int present;
  bool walks;
  unsigned message;
};

void PrintTo(const PresenceCase& c, std::ostream* os) { *os << c.name; }

class DevicePresenceAnswer : public DevicePresenceTest,
                             public ::testing::WithParamInterface<PresenceCase> {};

TEST_P(DevicePresenceAnswer, CombinesTheLibrarysVerdictWithTheWalk) {
  const PresenceCase& c = GetParam();
  library.loads = c.loads;
  library.exports["IsDeviceInstalled"].result = c.installed;
  if (!c.hasExport) library.exports.erase("IsDeviceInstalled");
  PlugDevice(c.plugged);

  EXPECT_EQ(presence.IsDevicePresent(), c.present);
  EXPECT_EQ(bus.counts.opens > 0, c.walks);
  ExpectWarning(c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DevicePresenceAnswer,
    ::testing::Values(
        PresenceCase{"InstalledAndPlugged", true, true, 1, true, 1, true, kNoMessage},
        PresenceCase{"InstalledNotPlugged", true, true, 1, false, 0, true, kNoMessage},
        PresenceCase{"PluggedNotInstalledStillWalks", true, true, 0, true, 0, true, kNoMessage},
        PresenceCase{"LibraryMissing", false, true, 1, true, 0, false, IDS_LIBRARY_MISSING},
        PresenceCase{"ExportMissing", true, false, 1, true, 0, false, IDS_LIBRARY_MISSING}),
    [](const auto& info) { return std::string(info.param.name); });

struct RegistrationCase {
  const char* name;
  bool loads;
  bool hasExport;
  int result;
  std::uint32_t lastError;
  bool registered;
  unsigned message;
};

void PrintTo(const RegistrationCase& c, std::ostream* os) { *os << c.name; }

class AudioFilterRegistration : public DevicePresenceTest,
                                public ::testing::WithParamInterface<RegistrationCase> {};

TEST_P(AudioFilterRegistration, WarnsWithTheLibrarysCodeAndFailsOnlyWithoutTheLibrary) {
  const RegistrationCase& c = GetParam();
  library.loads = c.loads;
  library.exports["AddUSBAudioFilter"] = {c.result, c.lastError};
  if (!c.hasExport) library.exports.erase("AddUSBAudioFilter");

  EXPECT_EQ(presence.RegisterAudioFilter(), c.registered);
  ExpectWarning(c.message);
  EXPECT_EQ(library.loadedPaths.size(), 1u);
  EXPECT_EQ(bus.counts.opens, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AudioFilterRegistration,
    ::testing::Values(
        RegistrationCase{"Added", true, true, 1, 65335, true, kNoMessage},
        RegistrationCase{"LibraryMissing", false, true, 1, 0, false, IDS_LIBRARY_MISSING},
        RegistrationCase{"ExportMissing", true, false, 1, 0, false, IDS_LIBRARY_MISSING},
        RegistrationCase{"DeviceNotPlugged", true, true, 0, 65335, true, IDS_DEVICE_NOT_PLUGGED},
        RegistrationCase{"RestartNeeded", true, true, 0, 65334, true, IDS_RESTART_SYSTEM},
        RegistrationCase{"NotInstalled", true, true, 0, 65336, true, IDS_DEVICE_NOT_INSTALLED},
        RegistrationCase{"NotInstalledInHighBits", true, true, 0, 0x2000FF38, true,
                         IDS_DEVICE_NOT_INSTALLED}),
    [](const auto& info) { return std::string(info.param.name); });

// Only the library's own three codes name a text; any other code, whatever text of the program
// its low 16 bits happen to match, gives the empty box of a code without a text.
TEST_F(DevicePresenceTest, ACodeThatIsNotTheLibrarysGivesAnEmptyWarningBox) {
  const std::pair<std::uint32_t, const char*> cases[] = {
      {1234, "no text at all"},
      {5, "access denied, the 5.1 question's id"},
      {2, "file not found, the settings key path's id"},
      {6, "the driver-not-loaded message's id"},
      {0x80070005, "access denied as an HRESULT"},
      {65436, "the library-missing message's id"},
      {65333, "just below the library's codes"},
      {65337, "just above the library's codes"},
      {0, "no code"},
  };
  for (const auto& [code, what] : cases) {
    SCOPED_TRACE(what);
    prompt.boxes.clear();
    library.exports["AddUSBAudioFilter"] = {0, code};

    EXPECT_TRUE(presence.RegisterAudioFilter());
    ASSERT_EQ(prompt.boxes.size(), 1u);
    EXPECT_EQ(prompt.boxes[0].text, L"");
    EXPECT_EQ(prompt.boxes[0].caption, strings.Load(IDS_WARNING_CAPTION));
    EXPECT_EQ(prompt.boxes[0].style, kMbOk | kMbIconExclamation);
  }
}

TEST_F(DevicePresenceTest, EachQuestionLoadsTheLibraryAnew) {
  presence.IsDevicePresent();
  presence.RegisterAudioFilter();
  presence.IsDevicePresent();

  EXPECT_EQ(library.loadedPaths.size(), 3u);
  EXPECT_THAT(library.calls,
              ElementsAre("IsDeviceInstalled", "AddUSBAudioFilter", "IsDeviceInstalled"));
}

}  // namespace
}  // namespace quendal
