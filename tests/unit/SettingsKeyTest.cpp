#include "device/SettingsKey.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fakes/FakeRegistry.h"
#include "platform/WindowsValues.h"
#include "support/RcStringTable.h"

namespace quendal {
namespace {

using test::FakeRegistry;
using test::kRegBinary;
using test::kRegDword;
using test::kRegSz;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class SettingsKeyTest : public ::testing::Test {
 protected:
  void TearDown() override {
    key.Close();
    EXPECT_EQ(registry.OpenKeys(), 0);
    EXPECT_EQ(registry.misuses, 0);
  }

  FakeRegistry registry;
  test::RcStringTable strings;
  SettingsKey key{registry, strings};
};

TEST_F(SettingsKeyTest, OpensTheMachineKeyFromTheStringTableWithItsClass) {
  key.Open();
  ASSERT_TRUE(key.IsOpen());
  EXPECT_THAT(registry.keyClasses, ElementsAre("Narvo"));
  key.Write(settings::kTestMode, 3);
  EXPECT_EQ(registry.Dword("TestMode", RegistryRoot::kLocalMachine), 3u);
}

TEST_F(SettingsKeyTest, FallsBackToTheUserKeyWhenTheMachineKeyIsRefused) {
  registry.refusedRoots.insert(RegistryRoot::kLocalMachine);
  registry.PutDword("OutputMode", 0, RegistryRoot::kCurrentUser);
  key.Open();
  ASSERT_TRUE(key.IsOpen());
  EXPECT_EQ(key.ReadOrDefault(settings::kOutputMode), 0u);
  EXPECT_EQ(key.ReadOrDefault(settings::kEnableFilter), 1u);
  EXPECT_EQ(registry.Dword("EnableFilter", RegistryRoot::kCurrentUser), 1u);
  EXPECT_THAT(registry.ValuesAt(RegistryRoot::kLocalMachine), IsEmpty());
}

// An installer may open the machine-wide key to users for its values only; asking for more
// (all access, or the right to create subkeys) would be refused and lose the shared settings.
TEST_F(SettingsKeyTest, AsksOnlyToQueryAndSetValuesSoAValuesOnlyMachineKeyIsUsed) {
  registry.grantedAccess[RegistryRoot::kLocalMachine] = kKeyQueryValue | kKeySetValue;
  registry.PutDword("OutputMode", 0, RegistryRoot::kLocalMachine);
  key.Open();
  ASSERT_TRUE(key.IsOpen());
  EXPECT_THAT(registry.requestedAccess, ElementsAre(kKeyQueryValue | kKeySetValue));
  EXPECT_EQ(key.ReadOrDefault(settings::kOutputMode), 0u);
  key.Write(settings::kTestMode, 3);
  EXPECT_EQ(registry.Dword("TestMode", RegistryRoot::kLocalMachine), 3u);
  EXPECT_THAT(registry.ValuesAt(RegistryRoot::kCurrentUser), IsEmpty());
}

TEST_F(SettingsKeyTest, AMachineKeyThatGrantsOnlyReadingFallsBackToTheUserKey) {
  registry.grantedAccess[RegistryRoot::kLocalMachine] = kKeyQueryValue;
  key.Open();
  ASSERT_TRUE(key.IsOpen());
  EXPECT_THAT(registry.requestedAccess,
              ElementsAre(kKeyQueryValue | kKeySetValue, kKeyQueryValue | kKeySetValue));
  key.Write(settings::kTestMode, 3);
  EXPECT_EQ(registry.Dword("TestMode", RegistryRoot::kCurrentUser), 3u);
}

TEST_F(SettingsKeyTest, WithNoKeyAtAllDefaultsAreUsedAndNothingIsWritten) {
  registry.refusedRoots = {RegistryRoot::kLocalMachine, RegistryRoot::kCurrentUser};
  key.Open();
  EXPECT_FALSE(key.IsOpen());
  EXPECT_EQ(key.ReadOrDefault(settings::kVolumeL), 0x3F800000u);
  EXPECT_EQ(key.ReadOrDefault(settings::kTestMode), 2u);
  key.Write(settings::kTestMode, 1);
  EXPECT_THAT(registry.writes, IsEmpty());
}

TEST_F(SettingsKeyTest, ReopeningReleasesTheFormerHandle) {
  key.Open();
  key.Open();
  EXPECT_EQ(registry.OpenKeys(), 1);
}

struct StoredCase {
  const char* what;
  std::uint32_t type;
  std::vector<std::uint8_t> data;
  std::uint32_t expected;
  bool defaultWrittenBack;
};

TEST_F(SettingsKeyTest, ReadsFourBytesOfAnyTypeAndReplacesAnythingElseWithTheDefault) {
  const StoredCase cases[] = {
      {"dword", kRegDword, {0x00, 0x00, 0x80, 0x3F}, 0x3F800000, false},
      {"dword zero", kRegDword, {0, 0, 0, 0}, 0, false},
      {"binary of four bytes", kRegBinary, {7, 0, 0, 0}, 7, false},
      {"string of four bytes", kRegSz, {'a', 'b', 'c', 0}, 0x00636261, false},
      {"two bytes", kRegBinary, {9, 9}, 2, true},
      {"no bytes", kRegBinary, {}, 2, true},
      {"eight bytes", kRegBinary, {1, 0, 0, 0, 0, 0, 0, 0}, 2, true},
  };
  for (const StoredCase& c : cases) {
    FakeRegistry fresh;
    SettingsKey freshKey(fresh, strings);
    fresh.Put("TestMode", c.type, c.data);
    freshKey.Open();
    EXPECT_EQ(freshKey.ReadOrDefault(settings::kTestMode), c.expected) << c.what;
    EXPECT_EQ(fresh.writes.size(), c.defaultWrittenBack ? 1u : 0u) << c.what;
    if (c.defaultWrittenBack) {
      EXPECT_EQ(fresh.Dword("TestMode"), 2u) << c.what;
    }
  }
}

TEST_F(SettingsKeyTest, MissingValuesTakeTheirDefaultsWrittenBack) {
  const SettingsValue all[] = {
      settings::kEnableFilter, settings::kOutputMode,   settings::kBassOutputMode,
      settings::kSystemVolume, settings::kFilterVolume, settings::kVolumeL,
      settings::kVolumeR,      settings::kVolumeLFE,    settings::kVolumeC,
      settings::kVolumeRL,     settings::kVolumeRR,     settings::kTestMode,
      settings::kTestBtnStatus};
  const std::uint32_t expected[] = {
      1, 1, 0, 1, 1, 0x3F800000, 0x3F800000, 0x3F800000, 0x3F800000, 0x3F800000, 0x3F800000, 2, 0};
  key.Open();
  for (std::size_t i = 0; i < std::size(all); ++i) {
    EXPECT_EQ(key.ReadOrDefault(all[i]), expected[i]) << all[i].name;
    EXPECT_EQ(registry.Dword(all[i].name), expected[i]) << all[i].name;
  }
  EXPECT_EQ(registry.writes.size(), std::size(all));
}

TEST_F(SettingsKeyTest, TryReadLeavesTheTargetAloneOnFailure) {
  key.Open();
  std::uint32_t data = 42;
  EXPECT_FALSE(key.TryRead(settings::kTestBtnStatus, data));
  EXPECT_EQ(data, 42u);
  EXPECT_THAT(registry.writes, IsEmpty());
}

}  // namespace
}  // namespace quendal
