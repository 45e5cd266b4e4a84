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
constexpr std::intptr_t kKeySelect = 0x0401;

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
  EXPECT_EQ(tray.Version(kOwner, IDR_MENU_CONNECTED), 3u);  // keyboard selection reaches it
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

  // A selection with the mouse follows a press that has already opened the menu.
  for (std::intptr_t mouse : {0x0200, 0x0202, 0x0203, 0x0205, 0x0206, 0x0400}) {
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

struct ChangesWhileTrackingCase {
  const char* name;
  std::function<void(FakeTray&)> arrange;              // before the last change
  std::vector<std::pair<unsigned, unsigned>> changes;  // menu, icon
  int menusAfterwards;
};

// However many changes of state run inside the menu's loop, and whether or not their adds
// succeed, the tracked menu lives until its loop returns and goes then; nothing else leaks.
TEST_F(TrayIconTest, ChangesWhileTheMenuIsOpenLeaveTheTrackedMenuToItsLoop) {
  const ChangesWhileTrackingCase cases[] = {
      {"one change (the device goes meanwhile)",
       [](FakeTray&) {},
       {{IDR_MENU_NOT_CONNECTED, IDI_NOT_CONNECTED}},
       2},
      {"two changes",
       [](FakeTray&) {},
       {{IDR_MENU_NOT_CONNECTED, IDI_NOT_CONNECTED}, {IDR_MENU_SETTINGS_OPEN, IDI_SETTINGS_OPEN}},
       2},
      {"three changes back to the tracked menu's id",
       [](FakeTray&) {},
       {{IDR_MENU_NOT_CONNECTED, IDI_NOT_CONNECTED},
        {IDR_MENU_SETTINGS_OPEN, IDI_SETTINGS_OPEN},
        {IDR_MENU_CONNECTED, IDI_CONNECTED}},
       2},
      {"a change the shell refuses",
       [](FakeTray& t) { t.shellRefusesAdd = true; },
       {{IDR_MENU_NOT_CONNECTED, IDI_NOT_CONNECTED}},
       2},
      {"a change, then one the shell refuses",
       [](FakeTray& t) { t.shellRefusesAdd = true; },
       {{IDR_MENU_NOT_CONNECTED, IDI_NOT_CONNECTED}, {IDR_MENU_SETTINGS_OPEN, IDI_SETTINGS_OPEN}},
       2},
      {"a change whose menu is missing",
       [](FakeTray& t) { t.menus.erase(IDR_MENU_SETTINGS_OPEN); },
       {{IDR_MENU_SETTINGS_OPEN, IDI_SETTINGS_OPEN}},
       0},
  };
  for (const ChangesWhileTrackingCase& c : cases) {
    FakeTray rigTray;
    CTrayIcon icon(rigTray, system);
    icon.AddIcon(kOwner, WM_TRAYNOTIFY, tip, rigTray.LoadIcon(IDI_CONNECTED), IDR_MENU_CONNECTED);
    int menusDuringTracking = 0;
    rigTray.whileTracking = [&] {
      for (std::size_t i = 0; i < c.changes.size(); ++i) {
        if (i + 1 == c.changes.size()) c.arrange(rigTray);
        icon.RemoveIcon();
        icon.AddIcon(kOwner, WM_TRAYNOTIFY, tip, rigTray.LoadIcon(c.changes[i].second),
                     c.changes[i].first);
      }
      menusDuringTracking = rigTray.OpenMenus();
    };

    EXPECT_EQ(icon.OnTrayNotification(IDR_MENU_CONNECTED, kLeftButtonDown), 1) << c.name;

    EXPECT_EQ(rigTray.misuses, 0) << c.name;
    EXPECT_EQ(rigTray.menusEnded, 1) << c.name;
    EXPECT_EQ(menusDuringTracking, c.menusAfterwards + 2) << c.name;  // the tracked one too
    EXPECT_EQ(rigTray.OpenMenus(), c.menusAfterwards) << c.name;
    EXPECT_EQ(rigTray.OpenIcons(), c.menusAfterwards == 0 ? 0 : 1) << c.name;
    EXPECT_EQ(icon.Id(), c.changes.back().first) << c.name;
    icon.RemoveIcon();
    EXPECT_EQ(rigTray.OpenMenus(), 0) << c.name;
    EXPECT_EQ(rigTray.misuses, 0) << c.name;
  }
}

struct KeyboardCase {
  const char* name;
  std::optional<Rect> iconRect;
  ScreenPoint expected;
};

// Enter or Space on the icon, reached from the keyboard, opens the same menu: at the icon where
// the system tells its place, else at the cursor.
TEST_F(TrayIconTest, AKeyboardSelectionOpensTheMenuAtTheIconOrElseAtTheCursor) {
  const KeyboardCase cases[] = {
      {"the system tells the icon's place", Rect{1500, 1040, 1516, 1056}, {1508, 1048}},
      {"it cannot tell", std::nullopt, {640, 1000}},
  };
  for (const KeyboardCase& c : cases) {
    FakeTray rigTray;
    CTrayIcon icon(rigTray, system);
    rigTray.iconRect = c.iconRect;
    rigTray.choice = ID_TRAY_SPEAKER_TEST;
    icon.AddIcon(kOwner, WM_TRAYNOTIFY, tip, rigTray.LoadIcon(IDI_CONNECTED), IDR_MENU_CONNECTED);

    EXPECT_EQ(icon.OnTrayNotification(IDR_MENU_CONNECTED, kKeySelect), 1) << c.name;
    EXPECT_EQ(icon.OnTrayNotification(IDR_MENU_NOT_CONNECTED, kKeySelect), 0) << c.name;

    ASSERT_EQ(rigTray.tracks.size(), 1u) << c.name;
    EXPECT_EQ(rigTray.tracks[0].menu, unsigned{IDR_MENU_CONNECTED}) << c.name;
    EXPECT_EQ(rigTray.tracks[0].at, c.expected) << c.name;
    EXPECT_EQ(rigTray.tracks[0].owner, kOwner) << c.name;
    EXPECT_THAT(rigTray.foregrounds, ElementsAre(kOwner)) << c.name;
    EXPECT_THAT(rigTray.commandsSent,
                ElementsAre(std::make_pair(kOwner, unsigned{ID_TRAY_SPEAKER_TEST})))
        << c.name;
  }
}

TEST_F(TrayIconTest, AKeyboardSelectionWhileTheMenuIsOpenOpensNoSecondMenu) {
  Add(IDR_MENU_CONNECTED, IDI_CONNECTED);
  std::intptr_t nested = -1;
  tray.whileTracking = [&] { nested = Press(IDR_MENU_CONNECTED, kKeySelect); };

  EXPECT_EQ(Press(IDR_MENU_CONNECTED, kKeySelect), 1);
  EXPECT_EQ(nested, 0);
  EXPECT_EQ(tray.tracks.size(), 1u);
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
  EXPECT_EQ(tray.Version(kOwner, IDR_MENU_CONNECTED), 3u);
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

// At logon the shell may refuse the icon: it keeps its record, icon and menu, and shows it as
// soon as the shell takes it, whether at the shell's TaskbarCreated or at a retry.
TEST_F(TrayIconTest, AnIconTheShellRefusedIsKeptAndAddedOnceTheShellTakesIt) {
  const std::pair<const char*, std::function<void(CTrayIcon&)>> offers[] = {
      {"TaskbarCreated", [](CTrayIcon& icon) { icon.OnTaskbarCreated(); }},
      {"a retry", [](CTrayIcon& icon) { EXPECT_FALSE(icon.RetryAdd()); }},
  };
  for (const auto& [name, offer] : offers) {
    FakeTray rigTray;
    CTrayIcon icon(rigTray, system);
    rigTray.shellRefusesAdd = true;

    EXPECT_EQ(icon.AddIcon(kOwner, WM_TRAYNOTIFY, tip, rigTray.LoadIcon(IDI_NOT_CONNECTED),
                           IDR_MENU_NOT_CONNECTED),
              0)
        << name;
    EXPECT_FALSE(icon.IsAdded()) << name;
    EXPECT_TRUE(icon.IsWaitingForShell()) << name;
    EXPECT_THAT(rigTray.shown, IsEmpty()) << name;
    EXPECT_EQ(rigTray.OpenIcons(), 1) << name;
    EXPECT_EQ(rigTray.OpenMenus(), 2) << name;

    rigTray.shellRefusesAdd = false;
    offer(icon);

    EXPECT_TRUE(icon.IsAdded()) << name;
    EXPECT_FALSE(icon.IsWaitingForShell()) << name;
    const NotifyIcon* shown = rigTray.Shown(kOwner, IDR_MENU_NOT_CONNECTED);
    ASSERT_NE(shown, nullptr) << name;
    EXPECT_EQ(rigTray.IconResource(shown->icon), unsigned{IDI_NOT_CONNECTED}) << name;
    EXPECT_EQ(shown->tip, L"Quendal5.1RIR") << name;
    EXPECT_EQ(shown->callbackMessage, unsigned{WM_TRAYNOTIFY}) << name;
    EXPECT_EQ(rigTray.Version(kOwner, IDR_MENU_NOT_CONNECTED), 3u) << name;
    EXPECT_EQ(icon.OnTrayNotification(IDR_MENU_NOT_CONNECTED, kRightButtonDown), 1) << name;
    ASSERT_EQ(rigTray.tracks.size(), 1u) << name;
    EXPECT_EQ(rigTray.tracks[0].menu, unsigned{IDR_MENU_NOT_CONNECTED}) << name;
    // Nothing more to retry.
    EXPECT_FALSE(icon.RetryAdd()) << name;
    EXPECT_EQ(rigTray.adds.size(), 1u) << name;
    icon.RemoveIcon();
    EXPECT_THAT(rigTray.shown, IsEmpty()) << name;
    EXPECT_EQ(rigTray.OpenIcons(), 0) << name;
    EXPECT_EQ(rigTray.OpenMenus(), 0) << name;
    EXPECT_EQ(rigTray.misuses, 0) << name;
  }
}

// Every two seconds for a minute: thirty retries, then none; the shell's TaskbarCreated still
// brings the icon later.
TEST_F(TrayIconTest, RetriesStopAfterTheRetryWindow) {
  tray.shellRefusesAdd = true;
  Add(IDR_MENU_CONNECTED, IDI_CONNECTED);
  ASSERT_EQ(tray.addRequests, 1);

  int ticks = 1;
  while (tray_icon->RetryAdd()) ++ticks;

  EXPECT_EQ(ticks * CTrayIcon::kRetryPeriodMs, 60000u);
  EXPECT_EQ(CTrayIcon::kRetryPeriodMs, 2000u);
  EXPECT_EQ(tray.addRequests, 1 + ticks);
  tray.shellRefusesAdd = false;
  EXPECT_FALSE(tray_icon->RetryAdd());
  EXPECT_EQ(tray.addRequests, 1 + ticks);
  EXPECT_TRUE(tray_icon->IsWaitingForShell());
  tray_icon->OnTaskbarCreated();
  EXPECT_TRUE(tray_icon->IsAdded());
  EXPECT_TRUE(tray.Shown(kOwner, IDR_MENU_CONNECTED));
}

// A shell that timed out on the add may show the icon all the same: its clicks work, and the
// retry replaces that icon instead of being refused as a second one.
TEST_F(TrayIconTest, AnAddThatTimedOutIsReplacedByTheRetry) {
  tray.shellTimesOut = true;
  EXPECT_EQ(Add(IDR_MENU_CONNECTED, IDI_CONNECTED), 0);
  EXPECT_TRUE(tray_icon->IsWaitingForShell());
  EXPECT_EQ(Press(IDR_MENU_CONNECTED), 1);
  EXPECT_EQ(tray.tracks.size(), 1u);

  tray.shellTimesOut = false;
  EXPECT_FALSE(tray_icon->RetryAdd());

  EXPECT_TRUE(tray_icon->IsAdded());
  EXPECT_EQ(tray.shown.size(), 1u);
  EXPECT_EQ(tray.Version(kOwner, IDR_MENU_CONNECTED), 3u);
  EXPECT_EQ(Press(IDR_MENU_CONNECTED), 1);
  EXPECT_EQ(tray.tracks.size(), 2u);
}

// Some rebuilds of the notification area keep their icons; the icon is then replaced, not lost
// to a refused second add.
TEST_F(TrayIconTest, TaskbarCreatedWithTheIconStillShownKeepsItAdded) {
  Add(IDR_MENU_CONNECTED, IDI_CONNECTED);

  tray_icon->OnTaskbarCreated();

  EXPECT_TRUE(tray_icon->IsAdded());
  EXPECT_FALSE(tray_icon->IsWaitingForShell());
  EXPECT_EQ(tray.shown.size(), 1u);
  EXPECT_EQ(tray.Version(kOwner, IDR_MENU_CONNECTED), 3u);
}

TEST_F(TrayIconTest, ARemovedRefusedIconIsNeitherRetriedNorAddedByTheShell) {
  tray.shellRefusesAdd = true;
  Add(IDR_MENU_CONNECTED, IDI_CONNECTED);
  tray_icon->RemoveIcon();
  tray.shellRefusesAdd = false;

  EXPECT_FALSE(tray_icon->IsWaitingForShell());
  EXPECT_FALSE(tray_icon->RetryAdd());
  tray_icon->OnTaskbarCreated();
  EXPECT_THAT(tray.shown, IsEmpty());
  EXPECT_EQ(tray.OpenMenus(), 0);
  EXPECT_EQ(tray.OpenIcons(), 0);
  EXPECT_EQ(Press(IDR_MENU_CONNECTED), 0);
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

// An add that cannot be made (an old system, no owner, no menu) shows nothing, keeps nothing
// (the icon handed over included), waits for nothing, and leaves a later RemoveIcon with
// nothing to do.
TEST_P(TrayIconRefusal, AddsNothingAndKeepsNothing) {
  const RefusalCase& c = GetParam();
  c.arrange(tray, system);

  EXPECT_EQ(Add(c.menu, IDI_CONNECTED, c.owner), 0);

  EXPECT_FALSE(tray_icon->IsAdded());
  EXPECT_FALSE(tray_icon->IsWaitingForShell());
  EXPECT_FALSE(tray_icon->RetryAdd());
  EXPECT_THAT(tray.shown, IsEmpty());
  EXPECT_EQ(tray.addRequests, 0);
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
                    true}),
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
