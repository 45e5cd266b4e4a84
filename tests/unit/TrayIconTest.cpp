#include "app/TrayIcon.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

#include "fakes/FakeSystem.h"
#include "fakes/FakeTray.h"
#include "resource_ids.h"
#include "support/RcMenus.h"
#include "support/RcStringTable.h"

namespace quendal {
namespace {

using test::FakeSystem;
using test::FakeTray;
using test::RcMenuItem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr WindowId kOwner = 0x4400;
constexpr std::intptr_t kLeftButtonDown = 0x0201;
constexpr std::intptr_t kLeftButtonUp = 0x0202;
constexpr std::intptr_t kRightButtonDown = 0x0204;

class TrayIconTest : public ::testing::Test {
 protected:
  // Destroying the tray icon leaves nothing in the notification area and nothing held.
  void TearDown() override {
    tray_icon.reset();
    EXPECT_THAT(tray.shown, IsEmpty());
    EXPECT_EQ(tray.OpenIcons(), 0);
    EXPECT_EQ(tray.OpenMenus(), 0);
    EXPECT_EQ(tray.misuses, 0);
  }

  int Add(unsigned menu, unsigned icon, WindowId owner = kOwner) {
    return tray_icon->AddIcon(owner, WM_TRAYNOTIFY, tip, tray.LoadIcon(icon), menu);
  }

  // The owner's change of state: remove, then add with the new icon and menu.
  void SwitchTo(unsigned menu, unsigned icon) {
    tray_icon->RemoveIcon();
    Add(menu, icon);
  }

  std::intptr_t Press(unsigned id, std::intptr_t mouse = kLeftButtonDown) {
    return tray_icon->OnTrayNotification(id, mouse);
  }

  FakeTray tray;
  FakeSystem system;
  std::wstring tip = test::RcStringTable().Load(IDS_PRODUCT_NAME);
  std::optional<CTrayIcon> tray_icon{std::in_place, tray, system};
};

TEST_F(TrayIconTest, AddsTheIconWithItsMenuTooltipAndCallback) {
  EXPECT_EQ(Add(IDR_MENU_CONNECTED, IDI_CONNECTED), 1);

  EXPECT_TRUE(tray_icon->IsAdded());
  const NotifyIcon* shown = tray.Shown(kOwner, IDR_MENU_CONNECTED);
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->callbackMessage, unsigned{WM_TRAYNOTIFY});
  EXPECT_EQ(tray.IconResource(shown->icon), unsigned{IDI_CONNECTED});
  EXPECT_EQ(shown->tip, L"Quendal5.1RIR");
  EXPECT_THAT(tray.menuLoads, ElementsAre(IDR_MENU_CONNECTED));
}

TEST_F(TrayIconTest, EitherButtonPressOpensTheMenuAtTheCursorForTheOwner) {
  Add(IDR_MENU_CONNECTED, IDI_CONNECTED);
  tray.cursor = {1200, 780};
  tray.choice = ID_TRAY_OPEN_SETTINGS;

  for (std::intptr_t mouse : {kLeftButtonDown, kRightButtonDown, std::intptr_t{0x7F0204}}) {
    EXPECT_EQ(Press(IDR_MENU_CONNECTED, mouse), 1);
  }

  ASSERT_EQ(tray.tracks.size(), 3u);
  for (const FakeTray::Track& track : tray.tracks) {
    EXPECT_EQ(track.menu, unsigned{IDR_MENU_CONNECTED});
    EXPECT_EQ(track.at, (ScreenPoint{1200, 780}));
    EXPECT_EQ(track.flags, 0u);
    EXPECT_EQ(track.owner, kOwner);
  }
  EXPECT_THAT(tray.foregrounds, ElementsAre(kOwner, kOwner, kOwner));
  EXPECT_EQ(tray.commandsSent.size(), 3u);
  EXPECT_EQ(tray.commandsSent[0], std::make_pair(kOwner, unsigned{ID_TRAY_OPEN_SETTINGS}));
}

TEST_F(TrayIconTest, OtherMouseEventsAreAnsweredButOpenNothing) {
  Add(IDR_MENU_CONNECTED, IDI_CONNECTED);

  for (std::intptr_t mouse : {0x0200, 0x0202, 0x0203, 0x0205, 0x0206}) {
    EXPECT_EQ(Press(IDR_MENU_CONNECTED, mouse), 1) << mouse;
  }
  EXPECT_THAT(tray.tracks, IsEmpty());
}

TEST_F(TrayIconTest, OnlyCallbacksOfTheCurrentIdOpenTheCurrentMenu) {
  Add(IDR_MENU_CONNECTED, IDI_CONNECTED);
  SwitchTo(IDR_MENU_SETTINGS_OPEN, IDI_SETTINGS_OPEN);

  EXPECT_EQ(tray_icon->Id(), unsigned{IDR_MENU_SETTINGS_OPEN});
  EXPECT_EQ(Press(IDR_MENU_CONNECTED), 0);
  EXPECT_THAT(tray.tracks, IsEmpty());
  EXPECT_EQ(Press(IDR_MENU_SETTINGS_OPEN), 1);
  ASSERT_EQ(tray.tracks.size(), 1u);
  EXPECT_EQ(tray.tracks[0].menu, unsigned{IDR_MENU_SETTINGS_OPEN});
}

TEST_F(TrayIconTest, APressWhileTheMenuIsOpenOpensNoSecondMenu) {
  Add(IDR_MENU_CONNECTED, IDI_CONNECTED);
  std::intptr_t nested = -1;
  tray.whileTracking = [&] {
    tray.whileTracking = nullptr;
    nested = Press(IDR_MENU_CONNECTED, kRightButtonDown);
  };

  EXPECT_EQ(Press(IDR_MENU_CONNECTED), 1);
  EXPECT_EQ(nested, 0);
  EXPECT_EQ(tray.tracks.size(), 1u);
  // Once the menu has closed the next press opens it again.
  EXPECT_EQ(Press(IDR_MENU_CONNECTED), 1);
  EXPECT_EQ(tray.tracks.size(), 2u);
}

TEST_F(TrayIconTest, SwitchingIconsWhileTheMenuIsOpenClosesItAndFreesItAfterwards) {
  Add(IDR_MENU_CONNECTED, IDI_CONNECTED);
  int menusDuringTracking = 0;
  tray.whileTracking = [&] {
    tray.whileTracking = nullptr;
    SwitchTo(IDR_MENU_NOT_CONNECTED, IDI_NOT_CONNECTED);  // the device goes meanwhile
    menusDuringTracking = tray.OpenMenus();
  };

  EXPECT_EQ(Press(IDR_MENU_CONNECTED), 1);
  EXPECT_EQ(tray.menusEnded, 1);
  EXPECT_EQ(menusDuringTracking, 4);  // the tracked menu is still alive beside the new one
  EXPECT_EQ(tray.OpenMenus(), 2);
  EXPECT_EQ(tray.misuses, 0);
  EXPECT_EQ(tray_icon->Id(), unsigned{IDR_MENU_NOT_CONNECTED});
}

TEST_F(TrayIconTest, ACallbackQueuedForARemovedIconOpensNothing) {
  Add(IDR_MENU_CONNECTED, IDI_CONNECTED);
  tray_icon->RemoveIcon();

  EXPECT_EQ(Press(IDR_MENU_CONNECTED), 0);
  EXPECT_THAT(tray.tracks, IsEmpty());
}

TEST_F(TrayIconTest, LoadsTheMenuOnEveryAddAndReleasesEverythingOnEveryRemove) {
  Add(IDR_MENU_NOT_CONNECTED, IDI_NOT_CONNECTED);
  SwitchTo(IDR_MENU_CONNECTED, IDI_CONNECTED);
  SwitchTo(IDR_MENU_SETTINGS_OPEN, IDI_SETTINGS_OPEN);

  EXPECT_THAT(tray.menuLoads,
              ElementsAre(IDR_MENU_NOT_CONNECTED, IDR_MENU_CONNECTED, IDR_MENU_SETTINGS_OPEN));
  EXPECT_EQ(tray.OpenMenus(), 2);  // the current bar and its popup
  EXPECT_EQ(tray.OpenIcons(), 1);
  EXPECT_EQ(tray.shown.size(), 1u);
  EXPECT_TRUE(tray.Shown(kOwner, IDR_MENU_SETTINGS_OPEN));
  for (const NotifyIcon& added : tray.adds) EXPECT_EQ(added.tip, L"Quendal5.1RIR");
}

TEST_F(TrayIconTest, AddingOverAnAddedIconReleasesTheOldOne) {
  Add(IDR_MENU_CONNECTED, IDI_CONNECTED);
  Add(IDR_MENU_SETTINGS_OPEN, IDI_SETTINGS_OPEN);

  EXPECT_THAT(tray.deletes, ElementsAre(std::make_pair(kOwner, unsigned{IDR_MENU_CONNECTED})));
  EXPECT_EQ(tray.OpenMenus(), 2);
  EXPECT_EQ(tray.OpenIcons(), 1);
}

TEST_F(TrayIconTest, RemovingTwiceDoesNothingTheSecondTime) {
  Add(IDR_MENU_CONNECTED, IDI_CONNECTED);
  tray_icon->RemoveIcon();
  tray_icon->RemoveIcon();

  EXPECT_FALSE(tray_icon->IsAdded());
  EXPECT_EQ(tray.deletes.size(), 1u);
}

TEST_F(TrayIconTest, ComesBackWhenTheShellRebuildsTheNotificationArea) {
  Add(IDR_MENU_CONNECTED, IDI_CONNECTED);
  tray.RestartShell();

  tray_icon->OnTaskbarCreated();

  const NotifyIcon* shown = tray.Shown(kOwner, IDR_MENU_CONNECTED);
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(tray.IconResource(shown->icon), unsigned{IDI_CONNECTED});
  EXPECT_EQ(shown->tip, L"Quendal5.1RIR");
  EXPECT_EQ(Press(IDR_MENU_CONNECTED), 1);
  EXPECT_EQ(tray.tracks.size(), 1u);
}

TEST_F(TrayIconTest, ARemovedIconStaysAwayWhenTheShellRestarts) {
  Add(IDR_MENU_CONNECTED, IDI_CONNECTED);
  tray_icon->RemoveIcon();
  tray.RestartShell();

  tray_icon->OnTaskbarCreated();

  EXPECT_THAT(tray.shown, IsEmpty());
  EXPECT_EQ(tray.adds.size(), 1u);
}

struct RefusalCase {
  const char* name;
  std::function<void(FakeTray&, FakeSystem&)> arrange;
  WindowId owner;
  unsigned menu;
  bool loadsMenu;
};

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class TrayIconRefusal : public TrayIconTest, public ::testing::WithParamInterface<RefusalCase> {};

// A refused add shows nothing, keeps nothing (the icon handed over included), and leaves a
// later RemoveIcon with nothing to do.
TEST_P(TrayIconRefusal, AddsNothingAndKeepsNothing) {
  const RefusalCase& c = GetParam();
  c.arrange(tray, system);

  EXPECT_EQ(Add(c.menu, IDI_CONNECTED, c.owner), 0);

  EXPECT_FALSE(tray_icon->IsAdded());
  EXPECT_THAT(tray.shown, IsEmpty());
  EXPECT_EQ(tray.OpenIcons(), 0);
  EXPECT_EQ(tray.OpenMenus(), 0);
  EXPECT_EQ(tray.menuLoads.empty(), !c.loadsMenu);
  tray_icon->RemoveIcon();
  EXPECT_THAT(tray.deletes, IsEmpty());
  EXPECT_EQ(Press(c.menu), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TrayIconRefusal,
    ::testing::Values(
        RefusalCase{"WindowsBeforeVersion4", [](FakeTray&, FakeSystem& s) { s.majorVersion = 3; },
                    kOwner, IDR_MENU_CONNECTED, false},
        RefusalCase{"NoOwner", [](FakeTray&, FakeSystem&) {}, 0, IDR_MENU_CONNECTED, false},
        RefusalCase{"OwnerNotAWindow",
                    [](FakeTray& t, FakeSystem&) { t.deadWindows.insert(kOwner); }, kOwner,
                    IDR_MENU_CONNECTED, false},
        RefusalCase{"MenuResourceMissing", [](FakeTray&, FakeSystem&) {}, kOwner, 999, true},
        RefusalCase{"MenuWithoutPopup",
                    [](FakeTray& t, FakeSystem&) { t.menus[998] = test::RcMenu{}; }, kOwner, 998,
                    true},
        RefusalCase{"ShellRefuses", [](FakeTray& t, FakeSystem&) { t.shellRefusesAdd = true; },
                    kOwner, IDR_MENU_CONNECTED, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TrayTooltip, KeepsAtMost63CharactersAndNeverHalfASurrogatePair) {
  const std::wstring sixtyFour(64, L'x');
  std::wstring splitPair(62, L'x');
  splitPair += {static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDD0A), L'y'};
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"Quendal5.1RIR", L"Quendal5.1RIR"}, {std::wstring(63, L'x'), std::wstring(63, L'x')},
      {sixtyFour, std::wstring(63, L'x')},  {std::wstring(300, L'z'), std::wstring(63, L'z')},
      {splitPair, std::wstring(62, L'x')},
  };
  for (const auto& [tip, expected] : cases) EXPECT_EQ(FitTooltip(tip), expected);
}

TEST_F(TrayIconTest, ALongTooltipReachesTheShellCut) {
  tip = std::wstring(100, L'q');
  Add(IDR_MENU_CONNECTED, IDI_CONNECTED);

  ASSERT_EQ(tray.adds.size(), 1u);
  EXPECT_EQ(tray.adds[0].tip, std::wstring(63, L'q'));
}

TEST(TrayMenus, HoldTheCommandsOfEachState) {
  const auto menus = test::ReadRcMenus();
  const RcMenuItem separator{};
  const RcMenuItem about{ID_TRAY_ABOUT, L"關於 Quendal"};
  const RcMenuItem exit{ID_TRAY_EXIT, L"結束"};
  const std::pair<unsigned, std::vector<RcMenuItem>> expected[] = {
      {IDR_MENU_CONNECTED,
       {{ID_TRAY_OPEN_SETTINGS, L"開啟設定"},
        {ID_TRAY_SPEAKER_TEST, L"喇叭測試"},
        separator,
        about,
        separator,
        exit}},
      {IDR_MENU_NOT_CONNECTED,
       {{ID_TRAY_OPEN_SETTINGS, L"開啟設定", true},
        {ID_TRAY_SPEAKER_TEST, L"喇叭測試", true},
        separator,
        about,
        separator,
        exit}},
      {IDR_MENU_SETTINGS_OPEN,
       {{ID_TRAY_CLOSE_SETTINGS, L"關閉設定"},
        {ID_TRAY_SPEAKER_TEST, L"喇叭測試"},
        separator,
        about,
        separator,
        exit}},
  };
  EXPECT_EQ(menus.size(), std::size(expected));
  for (const auto& [id, items] : expected) {
    ASSERT_TRUE(menus.contains(id)) << id;
    EXPECT_EQ(menus.at(id).popups, 1) << id;
    EXPECT_EQ(menus.at(id).items, items) << id;
  }
}

}  // namespace
}  // namespace quendal
